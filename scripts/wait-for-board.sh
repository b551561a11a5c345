#!/bin/sh
# Waits up to 5 s until the simulator's output file says "board ready".
# Exits 0 once it does, 1 when it does not within the time.
#   wait-for-board.sh <tevrak-sim output file>
out=$1
for i in $(seq 50); do
  grep -q "board ready" "$out" 2>/dev/null && exit 0
  sleep 0.1
done
grep -q "board ready" "$out" 2>/dev/null
