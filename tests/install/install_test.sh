#!/bin/sh
# Installs the build into a temporary prefix, builds an out-of-tree C program
# with pkg-config and an out-of-tree C++ program with find_package, and runs
# both against the installed simulator.
#   install_test.sh <build dir> <source dir of this test> <robot folder> <extra compile flags>
# Cross builds set TEVRAK_CC (the target's C compiler), TEVRAK_CMAKE_ARGS
# (toolchain for the C++ program) and TEVRAK_RUN (the emulator that starts
# the target's programs).
set -eu
build=$1; here=$2; home=$3; flags=${4:-}
cc=${TEVRAK_CC:-cc}
run=${TEVRAK_RUN:-}
work=$(mktemp -d /tmp/tevrak-install-XXXXXX)
sim=""
cleanup() { [ -n "$sim" ] && kill "$sim" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

cmake --install "$build" --prefix "$work/prefix" > "$work/install.log"
prefix="$work/prefix"
libdir=$(ls -d "$prefix"/lib*/pkgconfig | head -n 1)
libdir=${libdir%/pkgconfig}

PKG_CONFIG_PATH="$libdir/pkgconfig" $cc $flags -std=c99 -Wall -Wextra -pedantic-errors "$here/c_consumer.c" \
  $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs tevrak) -o "$work/c_consumer"
# A cross toolchain looks for packages only inside its sysroot: name the
# package's folder there.
cross_args=""
[ -n "${TEVRAK_CMAKE_ARGS:-}" ] && cross_args="$TEVRAK_CMAKE_ARGS -Dtevrak_DIR=$libdir/cmake/tevrak"
# shellcheck disable=SC2086
cmake -S "$here/cxx_consumer" -B "$work/cxx" -DCMAKE_PREFIX_PATH="$prefix" $cross_args \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" > "$work/cxx.log"
cmake --build "$work/cxx" > "$work/cxx-build.log"

mkdir -p "$home"
$run "$prefix/bin/tevrak-sim" --home "$home" --log "$work/frames.log" > "$work/sim.out" 2>&1 &
sim=$!
for i in $(seq 50); do grep -q "board ready" "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
grep -q "board ready" "$work/sim.out"

LD_LIBRARY_PATH="$libdir" $run "$work/c_consumer"
$run "$work/cxx/cxx_consumer"
echo "installed library works from C (pkg-config) and C++ (find_package)"
