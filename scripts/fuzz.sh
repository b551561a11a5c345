#!/bin/sh
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for the
# given number of seconds on a copy of its seed corpus. Findings are written
# to build-fuzz/findings/; a crash makes the script fail.
set -e
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEVRAK_FUZZ=ON -DTEVRAK_BUILD_TESTS=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ > /dev/null
targets=$(cd "$root/fuzz" && ls *_fuzz.cpp | sed 's/\.cpp$//')
cmake --build "$build" -j "$(nproc)" --target $targets
mkdir -p "$build/findings"
status=0
for target in $targets; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  cp -r "$root/fuzz/corpus/${target%_fuzz}/." "$corpus/" 2>/dev/null || true
  echo "== $target: ${seconds}s"
  # The units' own messages would drown the fuzzer's report: close the
  # target's stdout and stderr (libFuzzer keeps its own copy for reports).
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 -close_fd_mask=3 \
       -artifact_prefix="$build/findings/$target-" "$corpus" > "$build/$target.log" 2>&1; then
    echo "$target found a problem:"; tail -40 "$build/$target.log"; status=1
  else
    grep -E "stat::number_of_executed_units|cov:" "$build/$target.log" | tail -2
  fi
done
exit $status
