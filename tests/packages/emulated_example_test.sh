#!/bin/sh
# A C program built with pkg-config against the unpacked ARM packages runs
# under qemu-user and drives the x86 tevrak-sim of the amd64 tools package.
# The packaged library reads /home/pi/tevrak: the test gives itself a private
# /home (a tmpfs in its own mount namespace), so it needs root.
#   emulated_example_test.sh <debs folder> <arch> <version> <sysroot> <c_consumer.c>
set -eu
. "$(dirname "$0")/private_mounts.sh"
debs=$1; arch=$2; version=$3; sysroot=$4; program=$5
. "$(dirname "$0")/arch.sh"
work=$(mktemp -d /tmp/tevrak-emulated-XXXXXX)
sim=""
trap '[ -n "$sim" ] && kill "$sim"; rm -rf "$work"' EXIT

for package in libtevrak1 libtevrak-dev; do
  dpkg-deb -x "$debs/${package}_${version}_${arch}.deb" "$work/target"
done
dpkg-deb -x "$debs/tevrak-tools_${version}_amd64.deb" "$work/host"
lib="$work/target/usr/lib/$triplet"
# shellcheck disable=SC2046
"$triplet-gcc" -std=c99 -Wall -Wextra "$program" $(PKG_CONFIG_LIBDIR="$lib/pkgconfig" pkg-config --cflags --libs tevrak) \
  -Wl,-rpath-link,"$sysroot/usr/lib/$triplet" -o "$work/program"
file -b "$work/program" | grep -q "$machine" || { file "$work/program"; exit 1; }

mount -t tmpfs tmpfs /home
mkdir -p /home/pi/tevrak
"$work/host/usr/bin/tevrak-sim" --home /home/pi/tevrak > "$work/sim.out" 2>&1 &
sim=$!
"$(dirname "$0")/../../scripts/wait-for-board.sh" "$work/sim.out" || { cat "$work/sim.out"; exit 1; }
LD_LIBRARY_PATH="$lib" "$qemu" -L "$sysroot" "$work/program"
echo "the $arch program from the unpacked packages drives the x86 simulator under $qemu"
