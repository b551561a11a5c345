#!/bin/sh
# Watches a simulated robot drive: starts tevrak-sim on the build's robot
# folder (the TEVRAK_HOME the build was configured with), runs the square and
# the wall-following examples against it, then stops the simulator, which
# draws the path it drove.
set -e
build=${1:-build}
home=$(sed -n 's/^TEVRAK_HOME:PATH=//p' "$build/CMakeCache.txt")
case "$home" in
  "$PWD/$build"/*|"$(cd "$build" && pwd)"/*) ;;
  *) echo "demo: $build was configured with TEVRAK_HOME=$home; use 'make demo', which keeps it inside the build folder" >&2; exit 1 ;;
esac
mkdir -p "$home"
out="$home/sim.out"
"$build/sim/tevrak-sim" --home "$home" --log "$home/frames.log" > "$out" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
"$(dirname "$0")/wait-for-board.sh" "$out" || { echo "demo: the simulator did not start" >&2; cat "$out" >&2; exit 1; }
grep "board ready" "$out"

echo "== square: 500 x 500, position after each side"
"$build/examples/example_square"
echo "== wall following for 8 s (front and right distance sensors)"
"$build/examples/example_wall_follow"

kill -INT $sim
wait $sim || true
trap - EXIT
echo "== the last lines of the board's frame log ($home/frames.log):"
tail -n 5 "$home/frames.log"
sed -n 's/^tevrak-sim: picture/picture/p' "$out"
