#!/bin/sh
# The ARM packages, unpacked, under qemu-user against the x86 tevrak-sim of
# the amd64 tools package: a C program built with pkg-config against them,
# and a Python program importing the packaged module in the target's
# interpreter (from the sysroot). Both find the simulator's robot folder only
# through TEVRAK_HOME.
#   emulated_example_test.sh <debs folder> <arch> <version> <sysroot> <c_consumer.c>
set -eu
debs=$1; arch=$2; version=$3; sysroot=$4; program=$5
. "$(dirname "$0")/arch.sh"
work=$(mktemp -d /tmp/tevrak-emulated-XXXXXX)
sim=""
trap '[ -n "$sim" ] && kill "$sim"; rm -rf "$work"' EXIT

for package in libtevrak1 libtevrak-dev python3-tevrak; do
  dpkg-deb -x "$debs/${package}_${version}_${arch}.deb" "$work/target"
done
dpkg-deb -x "$debs/tevrak-tools_${version}_amd64.deb" "$work/host"
lib="$work/target/usr/lib/$triplet"
# shellcheck disable=SC2046
"$triplet-gcc" -std=c99 -Wall -Wextra "$program" $(PKG_CONFIG_LIBDIR="$lib/pkgconfig" pkg-config --cflags --libs tevrak) \
  -Wl,-rpath-link,"$sysroot/usr/lib/$triplet" -o "$work/program"
file -b "$work/program" | grep -q "$machine" || { file "$work/program"; exit 1; }

export TEVRAK_HOME="$work/robot"
mkdir -p "$TEVRAK_HOME"
"$work/host/usr/bin/tevrak-sim" --home "$TEVRAK_HOME" > "$work/sim.out" 2>&1 &
sim=$!
"$(dirname "$0")/../../scripts/wait-for-board.sh" "$work/sim.out" || { cat "$work/sim.out"; exit 1; }
LD_LIBRARY_PATH="$lib" "$qemu" -L "$sysroot" "$work/program"
python=$(ls "$sysroot"/usr/bin/python3.* | grep -E 'python3\.[0-9]+$')
# PYTHONHOME: qemu-arm does not apply -L to stat(), which the import system uses.
PYTHONHOME="$sysroot/usr" PYTHONPATH="$work/target/usr/lib/python3/dist-packages" "$qemu" -L "$sysroot" "$python" -c '
import platform, tevrak
d = tevrak.Drive()
d.set_position((0, 0, 0))
d.straight(100, 400)
d.wait()
print(platform.machine(), tevrak._tevrak.__file__.rsplit("/", 1)[1], d.position)' > "$work/python.out"
cat "$work/python.out"
grep -qx "[^ ]* _tevrak.cpython-[0-9]*-$triplet.so Pose(x=100, y=0, heading=0)" "$work/python.out" ||
  { echo "FAIL: the $arch Python program printed the above"; exit 1; }
echo "the $arch C and Python programs from the unpacked packages drive the x86 simulator under $qemu"
