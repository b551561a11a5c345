#!/bin/sh
# Installs the build into a temporary prefix, builds an out-of-tree C program
# with pkg-config and an out-of-tree C++ program with find_package, and runs
# both against the installed simulator.
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
# Without the lirc client library the package refuses with a message that
# names it.
if PKG_CONFIG_LIBDIR=/nonexistent cmake -S "$here/cxx_consumer" -B "$work/cxx-nolirc" \
     -DCMAKE_PREFIX_PATH="$prefix" > "$work/nolirc.log" 2>&1; then
  echo "found the package without lirc"; exit 1
fi
grep -q "tevrak needs the lirc client library" "$work/nolirc.log"

mkdir -p "$home"
"$prefix/bin/tevrak-sim" --home "$home" --log "$work/frames.log" > "$work/sim.out" 2>&1 &
sim=$!
"$here/../../scripts/wait-for-board.sh" "$work/sim.out"

LD_LIBRARY_PATH="$libdir" "$work/c_consumer"
"$work/cxx/cxx_consumer"
echo "installed library works from C (pkg-config) and C++ (find_package)"
