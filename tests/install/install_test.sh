#!/bin/sh
# Installs the build into a temporary prefix, builds an out-of-tree C program
# with pkg-config, out-of-tree C++ programs with find_package (the C++
# interface, static and shared) and the examples from the installed package,
# and runs the consumers against the installed simulator.
#   install_test.sh <build dir> <source dir of this test> <robot folder> <extra compile flags>
set -eu
build=$1; here=$2; home=$3; flags=${4:-}
work=$(mktemp -d /tmp/tevrak-install-XXXXXX)
sim=""
cleanup() { [ -n "$sim" ] && kill "$sim" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

cmake --install "$build" --prefix "$work/prefix" > "$work/install.log"
prefix="$work/prefix"
libdir=$(ls -d "$prefix"/lib*/pkgconfig | head -n 1)
libdir=${libdir%/pkgconfig}

PKG_CONFIG_PATH="$libdir/pkgconfig" cc $flags -std=c99 -Wall -Wextra -pedantic-errors "$here/c_consumer.c" \
  $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs tevrak) -o "$work/c_consumer"
cmake -S "$here/cxx_consumer" -B "$work/cxx" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" > "$work/cxx.log"
cmake --build "$work/cxx" > "$work/cxx-build.log"
cmake -S "$here/../../examples" -B "$work/examples" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" > "$work/examples.log"
cmake --build "$work/examples" > "$work/examples-build.log"

mkdir -p "$home"
"$prefix/bin/tevrak-sim" --home "$home" --log "$work/frames.log" > "$work/sim.out" 2>&1 &
sim=$!
for i in $(seq 50); do grep -q "board ready" "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
grep -q "board ready" "$work/sim.out"

LD_LIBRARY_PATH="$libdir" "$work/c_consumer"
"$work/cxx/cxx_consumer"
LD_LIBRARY_PATH="$libdir" "$work/cxx/cxx_consumer_shared"
echo "installed library works from C (pkg-config) and C++ (find_package); the examples build from the package"
