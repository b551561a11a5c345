#!/bin/sh
# Runs the demo's programs and the short soak under valgrind's leak checker.
# Fails when valgrind finds a memory error or definitely lost bytes.
set -e
build=${1:-build}
home=$(sed -n 's/^TEVRAK_HOME:PATH=//p' "$build/CMakeCache.txt")
# The simulator writes the robot folder's hdt.txt and usbSearch: only a
# folder inside the build folder (as make configures it), never a robot's.
case "$home" in
  "$PWD/$build"/*|"$(cd "$build" && pwd)"/*) ;;
  *) echo "valgrind: $build was configured with TEVRAK_HOME=$home; use 'make valgrind', which keeps it inside the build folder" >&2; exit 1 ;;
esac
check="valgrind --quiet --leak-check=full --errors-for-leak-kinds=definite --error-exitcode=9"
mkdir -p "$home"
out="$home/valgrind-sim.out"
"$build/sim/tevrak-sim" --home "$home" --log /dev/null > "$out" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
"$(dirname "$0")/wait-for-board.sh" "$out"
for program in example_square example_servo_motor example_wall_follow; do
  echo "== valgrind $program"
  $check "$build/examples/$program" > /dev/null
done
kill -INT $sim; wait $sim || true; trap - EXIT
echo "== valgrind soak"
$check "$build/tests/fault/fault_soak_tests" --gtest_brief=1
echo "valgrind: no memory errors, no definitely lost bytes"
