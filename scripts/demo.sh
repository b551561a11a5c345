#!/bin/sh
# Watches a simulated robot drive: starts tevrak-sim with its live page on the
# build's robot folder (the TEVRAK_HOME the build was configured with), prints
# the page's address, runs the square and the wall-following examples against
# it and, in a terminal, keeps the simulator running until Enter; then stops
# it, which draws the path it drove.
#   DEMO_VIEW=[ADDR:]PORT   where the page listens (default 127.0.0.1, a free port)
set -e
build=${1:-build}
view=${DEMO_VIEW:-127.0.0.1:0}
home=$(sed -n 's/^TEVRAK_HOME:PATH=//p' "$build/CMakeCache.txt")
case "$home" in
  "$PWD/$build"/*|"$(cd "$build" && pwd)"/*) ;;
  *) echo "demo: $build was configured with TEVRAK_HOME=$home; use 'make demo', which keeps it inside the build folder" >&2; exit 1 ;;
esac
mkdir -p "$home"
out="$home/sim.out"
"$build/sim/tevrak-sim" --home "$home" --log "$home/frames.log" --view "$view" > "$out" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for i in $(seq 50); do
  grep -q "board ready" "$out" 2>/dev/null && break
  sleep 0.1
done
grep "board ready" "$out" || { echo "demo: the simulator did not start" >&2; cat "$out" >&2; exit 1; }
address=$(sed -n 's/^tevrak-sim: view at //p' "$out")
echo "== watch it live: open $address in a browser (no authentication: anyone who reaches it can steer the faults)"
if [ -t 0 ]; then
  echo "   driving starts in 5 s"
  sleep 5
fi

echo "== square: 500 x 500, position after each side"
"$build/examples/example_square"
echo "== wall following for 8 s (front and right distance sensors)"
"$build/examples/example_wall_follow"

if [ -t 0 ]; then
  echo "== the simulator keeps running: unplug the board or press the remote's keys on the page."
  echo "   In another terminal, a program reads the keys with"
  echo "     $(grep '^export LIRC_SOCKET_PATH=' "$out"); $build/examples/example_remote_keys"
  printf "   Press Enter to stop the simulator. "
  read -r _ || true
fi
kill -INT $sim
wait $sim || true
trap - EXIT
echo "== the last lines of the board's frame log ($home/frames.log):"
tail -n 5 "$home/frames.log"
sed -n 's/^tevrak-sim: picture/picture/p' "$out"
