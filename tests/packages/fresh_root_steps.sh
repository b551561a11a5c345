#!/bin/sh
# Inside the fresh root (see fresh_root_test.sh), as root.
set -eu
cd /tmp/t
home=/home/pi/tevrak
fail() { echo "FAIL: $*"; exit 1; }

# A Pi's user: the robot folder is made in its home and belongs to it.
useradd --create-home pi
dpkg -i debs/*.deb > dpkg.log 2>&1 || { cat dpkg.log; fail "dpkg -i"; }
[ "$(readlink $home/bin/usbSearch)" = /usr/bin/usbSearch ] || fail "no usbSearch link in $home/bin"
cmp -s $home/bin/hdt.txt /usr/share/tevrak/hdt.txt.example || fail "no example hdt.txt in $home/bin"
[ "$(stat -c %U $home/bin $home/bin/hdt.txt)" = "$(printf 'pi\npi')" ] || fail "the robot folder is not pi's"
ldconfig -p | grep -q 'libtevrak.so.1 ' || fail "libtevrak.so.1 is not in the linker cache (ldconfig trigger)"

# The robot's own hdt.txt survives removal and installation.
echo "# my robot" >> $home/bin/hdt.txt
cp $home/bin/hdt.txt own-hdt.txt
dpkg -r python3-tevrak tevrak-tools libtevrak-dev libtevrak1 > dpkg.log 2>&1 || { cat dpkg.log; fail "dpkg -r"; }
[ ! -e $home/bin/usbSearch ] || fail "usbSearch link left after removal"
cmp -s $home/bin/hdt.txt own-hdt.txt || fail "removal changed hdt.txt"
dpkg -i debs/*.deb > dpkg.log 2>&1 || { cat dpkg.log; fail "dpkg -i again"; }
cmp -s $home/bin/hdt.txt own-hdt.txt || fail "installation replaced the robot's hdt.txt"

gcc -std=c99 -Wall -Wextra -pedantic-errors c_consumer.c $(pkg-config --cflags --libs tevrak) -o c_consumer
cmake -S cxx_consumer -B cxx > cxx.log 2>&1 || { cat cxx.log; fail "cmake of the C++ program"; }
cmake --build cxx > cxx-build.log 2>&1 || { cat cxx-build.log; fail "build of the C++ program"; }

tevrak-sim --home $home --log frames.log > sim.out 2>&1 &
sim=$!
sh ./wait-for-board.sh sim.out || { cat sim.out; fail "tevrak-sim did not start"; }
./c_consumer || fail "the C program against tevrak-sim"
cxx/cxx_consumer || fail "the C++ program against tevrak-sim"
python3 -c 'import tevrak; d = tevrak.Drive(); d.set_position((0, 0, 0)); d.straight(100, 400); d.wait(); print(d.position)' \
  > python.out ||
  fail "the Python program against tevrak-sim"
kill $sim
wait $sim || true
# The Python package's own simulator, in a temporary folder.
python3 -c 'import tevrak
with tevrak.Simulator() as sim:
    d = tevrak.Drive(); d.straight(100, 400); d.wait(); print(d.position, sim.pose)' >> python.out ||
  fail "the Python program against tevrak.Simulator"
[ "$(cat python.out)" = "$(printf 'Pose(x=100, y=0, heading=0)\nPose(x=100, y=0, heading=0) Pose(x=1100, y=750, heading=0)')" ] ||
  fail "the Python programs printed: $(cat python.out)"

# Nothing the programs did changed a packaged file.
dpkg --verify libtevrak1 libtevrak-dev tevrak-tools python3-tevrak > verify.log 2>&1 || true
[ ! -s verify.log ] || { cat verify.log; fail "packaged files changed"; }
echo "the amd64 packages install in a fresh root, and programs built there drive the packaged simulator"
