#!/bin/sh
# Inside the fresh root (see fresh_root_test.sh), as root: a user of today's
# Pi OS, alice (there is no user pi), installs the packages with apt and
# programs the simulated robot; then a Pi set up by 0.1.0 upgrades.
set -eu
cd /tmp/t
fail() { echo "FAIL: $*"; exit 1; }
as_alice() { runuser -l alice -c "cd /tmp/t || exit 1
$1"; }
# Every file outside /usr, /var and the kernel's folders, with owner, mode,
# size, time and link target (folders: owner and mode; their size and time
# change with any entry, ldconfig's cache too): what a maintainer script
# could have changed.
snapshot() {
  find / -xdev \( -path /proc -o -path /dev -o -path /sys -o -path /run -o -path /tmp -o -path /var/lib/dpkg \
    -o -path /var -o -path /usr -o -path /etc/ld.so.cache \) -prune \
    -o -type d -printf '%p %u:%g %m\n' -o -printf '%p %u:%g %m %s %T@ %l\n' | sort
}

useradd --create-home --shell /bin/bash alice
chmod -R a+rwX /tmp/t
[ ! -e /home/pi ] || fail "the fresh root has /home/pi"
# The Debian packages ours depend on come first: they are Debian's, and some
# (SDL2, for tevrak-teleop's gamepad) write their own configuration into
# /etc. The snapshot then shows what our packages alone change.
ours=" libtevrak1 libtevrak-dev tevrak-tools python3-tevrak "
others=""
for name in $(for deb in ./debs/*.deb; do dpkg-deb -f "$deb" Depends; done |
  tr ',' '\n' | sed 's/|.*//; s/(.*)//; s/:any//; s/[[:space:]]//g' | sort -u); do
  case "$ours" in *" $name "*) ;; *) others="$others $name" ;; esac
done
# shellcheck disable=SC2086
[ -z "$others" ] || apt-get install -y -q --no-install-recommends $others > deps.log 2>&1 ||
  { cat deps.log; fail "apt-get install of the packages' dependencies"; }
snapshot > before.list
# Without the packages that tevrak-tools only recommends (ssh, socat): they
# are Debian's, and write their own configuration into /etc.
apt-get install -y -q --no-install-recommends ./debs/*.deb > apt.log 2>&1 ||
  { cat apt.log; fail "apt-get install of the packages"; }
snapshot > after.list
diff before.list after.list > /dev/null || { diff before.list after.list; fail "installing changed files outside /usr"; }
ldconfig -p | grep -q 'libtevrak.so.1 ' || fail "libtevrak.so.1 is not in the linker cache (ldconfig trigger)"
[ ! -e /etc/udev/rules.d/99-tevrak-board.rules ] && [ ! -e /lib/udev/rules.d/99-tevrak-board.rules ] ||
  fail "a live udev rule was installed"

# tevrak-setup: never as root; as alice, her folder and the TEVRAK_HOME line,
# which --profile adds once.
if tevrak-setup /tmp/root-robot > setup.out 2>&1 || [ -e /tmp/root-robot ]; then fail "tevrak-setup ran as root"; fi
grep -q "not as root" setup.out || fail "tevrak-setup as root said: $(cat setup.out)"
as_alice "tevrak-setup --profile && tevrak-setup --profile" > setup.out 2>&1 || { cat setup.out; fail "tevrak-setup"; }
robot=/home/alice/tevrak
[ "$(readlink $robot/bin/usbSearch)" = /usr/bin/usbSearch ] || fail "no usbSearch link in $robot/bin"
cmp -s $robot/bin/hdt.txt /usr/share/tevrak/hdt.txt.example || fail "no example hdt.txt in $robot/bin"
[ "$(stat -c %U $robot $robot/bin $robot/bin/hdt.txt)" = "$(printf 'alice\nalice\nalice')" ] ||
  fail "the robot folder is not alice's"
[ "$(grep -c "^export TEVRAK_HOME=$robot\$" /home/alice/.profile)" = 1 ] || fail "~/.profile: $(cat /home/alice/.profile)"
# A robot's own hdt.txt is kept; links planted in a folder are not followed.
as_alice "echo '# my robot' >> $robot/bin/hdt.txt && cp $robot/bin/hdt.txt own-hdt.txt && tevrak-setup" > setup.out 2>&1 ||
  { cat setup.out; fail "tevrak-setup again"; }
cmp -s $robot/bin/hdt.txt own-hdt.txt || fail "tevrak-setup replaced the robot's hdt.txt"
as_alice "mkdir -p ~/planted/bin && ln -s /tmp/t/victim ~/planted/bin/hdt.txt && tevrak-setup ~/planted" > setup.out 2>&1 ||
  { cat setup.out; fail "tevrak-setup with a planted hdt.txt link"; }
[ ! -e victim ] || fail "tevrak-setup wrote through a planted link"
as_alice "mkdir -p ~/elsewhere ~/linked && ln -s ../elsewhere ~/linked/bin && ! tevrak-setup ~/linked" > setup.out 2>&1 ||
  { cat setup.out; fail "tevrak-setup used a bin that is a link"; }
[ -z "$(ls /home/alice/elsewhere)" ] || fail "tevrak-setup wrote into the folder a bin link names"
# /tmp/t is everyone's to write, without the sticky bit: a folder there is refused.
as_alice "! tevrak-setup /tmp/t/open" > setup.out 2>&1 || { cat setup.out; fail "tevrak-setup took a folder in /tmp/t"; }
grep -q "others may write in /tmp/t" setup.out || fail "tevrak-setup in /tmp/t said: $(cat setup.out)"

# Built here, run by alice: a C program (pkg-config), a C++ program
# (find_package), and a Python program find the simulator only through the
# TEVRAK_HOME of her login.
gcc -std=c99 -Wall -Wextra -pedantic-errors c_consumer.c $(pkg-config --cflags --libs tevrak) -o c_consumer
cmake -S cxx_consumer -B cxx > cxx.log 2>&1 || { cat cxx.log; fail "cmake of the C++ program"; }
cmake --build cxx > cxx-build.log 2>&1 || { cat cxx-build.log; fail "build of the C++ program"; }
cat > drive.py <<'EOF'
import tevrak
d = tevrak.Drive()
d.set_position((0, 0, 0))
d.straight(100, 400)
d.wait()
print(d.position)
EOF
as_alice 'tevrak-sim > sim.out 2>&1 & sim=$!
trap "kill $sim" EXIT
sh ./wait-for-board.sh sim.out || { cat sim.out; exit 1; }
./c_consumer && cxx/cxx_consumer && python3 drive.py > python.out' || fail "the programs of alice against tevrak-sim in \$TEVRAK_HOME"
[ "$(cat python.out)" = "Pose(x=100, y=0, heading=0)" ] || fail "the Python program printed: $(cat python.out)"
# The Python package's own simulator, in a temporary folder.
as_alice "python3 -c 'import tevrak
with tevrak.Simulator() as sim:
    d = tevrak.Drive(); d.straight(100, 400); d.wait(); print(d.position, sim.pose)'" > python.out ||
  fail "the Python program against tevrak.Simulator"
[ "$(cat python.out)" = "Pose(x=100, y=0, heading=0) Pose(x=1100, y=750, heading=0)" ] ||
  fail "the Python program printed: $(cat python.out)"
dpkg --verify libtevrak1 libtevrak-dev tevrak-tools python3-tevrak > verify.log 2>&1 || true
[ ! -s verify.log ] || { cat verify.log; fail "packaged files changed"; }

# A Pi set up by 0.1.0, whose postinst made /home/pi/tevrak as root: the
# upgrade leaves the robot's files as they are.
dpkg --purge python3-tevrak tevrak-tools libtevrak-dev libtevrak1 > dpkg.log 2>&1 || { cat dpkg.log; fail "dpkg --purge"; }
useradd --create-home --shell /bin/bash pi
mkdir -p old/DEBIAN
dpkg-deb -x debs/libtevrak1_*_amd64.deb old
printf 'Package: libtevrak1\nVersion: 0.1.0-1\nArchitecture: amd64\nMaintainer: tevrak <t@example.org>\nDescription: 0.1.0\n' \
  > old/DEBIAN/control
install -m 755 libtevrak1-0.1.0.postinst old/DEBIAN/postinst
dpkg-deb -b old libtevrak1-0.1.0.deb > /dev/null && dpkg -i libtevrak1-0.1.0.deb > dpkg.log 2>&1 || { cat dpkg.log; fail "0.1.0"; }
[ "$(stat -c %U /home/pi/tevrak/bin/hdt.txt)" = pi ] || fail "the stand-in of 0.1.0 did not set up /home/pi/tevrak"
runuser -u pi -- sh -c 'echo "# my robot" >> /home/pi/tevrak/bin/hdt.txt'
snapshot > before.list
apt-get install -y -q --no-install-recommends ./debs/*.deb > apt.log 2>&1 || { cat apt.log; fail "apt-get install over 0.1.0"; }
snapshot > after.list
diff before.list after.list > /dev/null || { diff before.list after.list; fail "the upgrade from 0.1.0 changed files"; }

# A link planted in pi's folder before configure (0.1.0's postinst followed
# it and wrote into /etc as root): configuring changes nothing outside /usr.
runuser -u pi -- sh -c 'mv /home/pi/tevrak/bin /home/pi/tevrak/old-bin && ln -s /etc /home/pi/tevrak/bin'
snapshot > before.list
dpkg-reconfigure libtevrak1 > dpkg.log 2>&1 || { cat dpkg.log; fail "dpkg-reconfigure"; }
apt-get install -y -q --reinstall ./debs/libtevrak1_*_amd64.deb > apt.log 2>&1 || { cat apt.log; fail "reinstall"; }
snapshot > after.list
diff before.list after.list > /dev/null || { diff before.list after.list; fail "configure followed a planted link"; }
echo "alice installs the amd64 packages with apt, sets up her robot folder and drives tevrak-sim; 0.1.0 upgrades cleanly"
