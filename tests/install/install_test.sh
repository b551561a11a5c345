#!/bin/sh
# Installs the build into a temporary prefix and checks what lands in the
# robot folder; builds an out-of-tree C program with pkg-config, out-of-tree
# C++ programs with find_package (the C++ interface, static and shared) and
# the examples from the installed package, and runs the consumers against the
# installed simulator, found through the installed usbSearch and hdt.txt.
#   install_test.sh <build dir> <source dir of this test> <robot folder> <extra compile flags>
# Cross builds set TEVRAK_CC and TEVRAK_CXX (the target's compilers), TEVRAK_CMAKE_ARGS
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
fail() { echo "install test: $*" >&2; exit 1; }

# The robot folder gets usbSearch and, when it has none, the example hdt.txt.
mkdir -p "$home/bin"
rm -f "$home/bin/hdt.txt" "$home/bin/usbSearch"
cmake --install "$build" --prefix "$work/prefix" > "$work/install.log"
[ -x "$home/bin/usbSearch" ] || fail "no usbSearch in $home/bin"
cmp -s "$here/../../platform/usbSearch" "$home/bin/usbSearch" || fail "$home/bin/usbSearch is not the shipped one"
cmp -s "$here/../../packaging/hdt.txt.example" "$home/bin/hdt.txt" || fail "no example hdt.txt in $home/bin"
# An existing hdt.txt is never overwritten.
echo "# edited for this robot" >> "$home/bin/hdt.txt"
cp "$home/bin/hdt.txt" "$work/edited-hdt.txt"
cmake --install "$build" --prefix "$work/prefix" > "$work/install-again.log"
cmp -s "$work/edited-hdt.txt" "$home/bin/hdt.txt" || fail "the install overwrote $home/bin/hdt.txt"

prefix="$work/prefix"
# The same manual pages as the packages.
for page in usbSearch tevrak-sim tevrak-setup tevrak-remote duet_guarded duet_split duet_plain; do
  gzip -dc "$prefix/share/man/man1/$page.1.gz" > /dev/null 2>&1 || fail "no manual page $page.1.gz"
done
libdir=$(ls -d "$prefix"/lib*/pkgconfig | head -n 1)
libdir=${libdir%/pkgconfig}

# The shared library exports the public C API, the screen stand-in and the
# C++ interface (tevrak::Drive::Drive(), the type of tevrak::LinkError), not
# the other stand-ins or the C++ internals (tevrak::cxx::link_lock()).
exported=$(nm -D --defined-only "$libdir/libtevrak.so" | awk '{print $3}' | sed 's/@.*//')
for name in SERInit VWStraight LMInit LCDInit LCDGetColorFromName gLCDHandle HDTSetHome \
            _ZN6tevrak5DriveC1Ev _ZTIN6tevrak9LinkErrorE; do
  echo "$exported" | grep -qx "$name" || fail "libtevrak.so does not export $name"
done
for name in OSExecute OSStrcpy_n HDTLoadSERVO HDTLoadTable _ZN6tevrak3cxx9link_lockEv; do
  echo "$exported" | grep -qx "$name" && fail "libtevrak.so exports $name"
done

PKG_CONFIG_PATH="$libdir/pkgconfig" $cc $flags -std=c99 -Wall -Wextra -pedantic-errors "$here/c_consumer.c" \
  $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs tevrak) -o "$work/c_consumer"
# A cross toolchain looks for packages only inside its sysroot: name the
# package's folder there.
cross_args=""
[ -n "${TEVRAK_CMAKE_ARGS:-}" ] && cross_args="$TEVRAK_CMAKE_ARGS -Dtevrak_DIR=$libdir/cmake/tevrak"
# Every declaration of the C++ interface from libtevrak.so alone, as the
# docs say: pkg-config's -ltevrak.
# shellcheck disable=SC2086
${TEVRAK_CXX:-c++} $flags -std=c++20 -Wall -Wextra "$here/every_declaration.cpp" \
  $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs tevrak) -o "$work/every_declaration"
# shellcheck disable=SC2086
cmake -S "$here/cxx_consumer" -B "$work/cxx" -DCMAKE_PREFIX_PATH="$prefix" $cross_args \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" > "$work/cxx.log"
cmake --build "$work/cxx" > "$work/cxx-build.log"
cmake -S "$here/../../examples" -B "$work/examples" -DCMAKE_PREFIX_PATH="$prefix" $cross_args \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" > "$work/examples.log"
cmake --build "$work/examples" > "$work/examples-build.log"
# Without the lirc client library the package refuses with a message that
# names it. (Native builds only: a cross toolchain file sets its own
# pkg-config folders, inside its sysroot, which holds lirc.)
if [ -z "$cross_args" ]; then
  if PKG_CONFIG_LIBDIR=/nonexistent cmake -S "$here/cxx_consumer" -B "$work/cxx-nolirc" \
       -DCMAKE_PREFIX_PATH="$prefix" > "$work/nolirc.log" 2>&1; then
    echo "found the package without lirc"; exit 1
  fi
  grep -q "tevrak needs the lirc client library" "$work/nolirc.log"
fi

# The simulator in a folder of its own. The installed usbSearch lists a
# by-id folder holding a link to the simulated board, whose token "board"
# the example hdt.txt names.
mkdir -p "$work/sim-home" "$work/by-id"
$run "$prefix/bin/tevrak-sim" --home "$work/sim-home" --log "$work/frames.log" > "$work/sim.out" 2>&1 &
sim=$!
"$here/../../scripts/wait-for-board.sh" "$work/sim.out"
ln -s "$work/sim-home/dev/ttyBOARD" "$work/by-id/usb-Tevrak_board_sim-if00"
export USBSEARCH_DIR="$work/by-id"

LD_LIBRARY_PATH="$libdir" $run "$work/c_consumer"
$run "$work/cxx/cxx_consumer"
LD_LIBRARY_PATH="$libdir" $run "$work/cxx/cxx_consumer_shared"
printed=$(LD_LIBRARY_PATH="$libdir" $run "$work/every_declaration")
expected="Pose(x=1, y=2, heading=3) Speed(linear=4, angular=5) UP DOWN
Pose(x=0, y=0, heading=0) Speed(linear=0, angular=0)
VWStraight: the board did not answer (code 1) VW VWStraight 1"
[ "$printed" = "$expected" ] || fail "every_declaration printed: $printed"
echo "installed library works from C (pkg-config), C++ (find_package, and every declaration with -ltevrak); the examples build from the package"
