#!/bin/sh
# The packages of one architecture: the expected files and nothing
# outside /usr (nothing in /home, no live udev rule), every program and library built for that
# architecture and stripped, the control fields.
#   contents_test.sh <debs folder> <arch> <version>
set -eu
debs=$1; arch=$2; version=$3
. "$(dirname "$0")/arch.sh"
work=$(mktemp -d /tmp/tevrak-contents-XXXXXX)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# check_package <package> <expected path>...
check_package() {
  package=$1; shift
  deb="$debs/${package}_${version}_${arch}.deb"
  if [ ! -f "$deb" ]; then fail "no $deb"; return; fi
  dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' > "$work/$package.list"
  for path in "$@" "/usr/share/doc/$package/changelog.Debian.gz" "/usr/share/doc/$package/copyright"; do
    grep -qx "$path" "$work/$package.list" || fail "$package: no $path"
  done
  grep -v -E '^/$|^/usr/' "$work/$package.list" | while read -r path; do
    echo "FAIL: $package: $path lies outside /usr"
  done | grep . && failed=1
  [ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "$package: Architecture $(dpkg-deb -f "$deb" Architecture)"
  dpkg-deb -x "$deb" "$work/$package"
  find "$work/$package" -type f | while read -r file; do
    description=$(file -b "$file")
    case "$description" in
      ELF*)
        case "$description" in *"$machine"*) ;; *) echo "FAIL: $package: ${file#"$work"/*/} is $description";; esac
        case "$description" in *", stripped"*) ;; *) echo "FAIL: $package: ${file#"$work"/*/} is not stripped";; esac
        echo "$package: ${file#"$work"/*/}: $description" >&2 ;;
    esac
  done | grep . && failed=1
  return 0
}

# field_has <package> <field> <text>
field_has() {
  value=$(dpkg-deb -f "$debs/${1}_${version}_${arch}.deb" "$2" 2>/dev/null || true)
  case "$value" in *"$3"*) ;; *) fail "$1: $2 is '$value', expected it to contain '$3'";; esac
}

lib=/usr/lib/$triplet
check_package libtevrak1 "$lib/libtevrak.so.1" "$lib/libtevrak.so.1.0.0" /usr/bin/usbSearch \
  /usr/share/tevrak/99-tevrak-board.rules /usr/share/tevrak/hdt.txt.example /usr/share/doc/libtevrak1/README.Debian \
  /usr/share/man/man1/usbSearch.1.gz
check_package libtevrak-dev "$lib/libtevrak.so" /usr/include/tevrak/tevrak.h "$lib/pkgconfig/tevrak.pc" \
  "$lib/cmake/tevrak/tevrakConfig.cmake" "$lib/cmake/tevrak/tevrakTargets.cmake" \
  "$lib/libtevrak_serial.a" "$lib/libtevrak_kinema.a" "$lib/libtevrak_actuators.a" "$lib/libtevrak_rangers.a" \
  "$lib/libtevrak_rcin.a" "$lib/libtevrak_chooser.a"
check_package tevrak-tools /usr/bin/tevrak-setup /usr/bin/tevrak-doctor /usr/bin/tevrak-sim /usr/bin/tevrak-remote \
  /usr/share/tevrak/python/tevrak_child.py \
  /usr/bin/tevrak-bridge /usr/bin/tevrak-teleop /usr/bin/duet_guarded /usr/bin/duet_split /usr/bin/duet_plain \
  /usr/share/man/man1/tevrak-setup.1.gz /usr/share/man/man1/tevrak-sim.1.gz /usr/share/man/man1/tevrak-remote.1.gz \
  /usr/share/man/man1/tevrak-bridge.1.gz /usr/share/man/man1/tevrak-teleop.1.gz /usr/share/man/man1/duet_guarded.1.gz \
  /usr/share/man/man1/tevrak-doctor.1.gz \
  /usr/bin/tevrak-view /usr/bin/tevrak-record /usr/share/man/man1/tevrak-view.1.gz /usr/share/man/man1/tevrak-record.1.gz
field_has tevrak-tools Depends "python3"
field_has tevrak-tools Recommends "openssh-client, socat"
# The Python package of every architecture: the module carries the target's
# extension suffix (the same Python version on every Debian 12).
python=/usr/lib/python3/dist-packages/tevrak
suffix=".cpython-$(python3 -c 'import sys; print("%d%d" % sys.version_info[:2])')-$triplet.so"
check_package python3-tevrak "$python/__init__.py" "$python/__init__.pyi" "$python/py.typed" \
  "$python/_tevrak$suffix" "$python/_simulator.py" "$python/_remote_robot.py" "$python/testing.py"
field_has python3-tevrak Section python
field_has python3-tevrak Depends "python3 (<< "
field_has python3-tevrak Depends "liblirc-client0"
field_has python3-tevrak Depends "libtevrak1 (= $version)"

if [ -f "$work/libtevrak1$lib/libtevrak.so.1.0.0" ]; then
  readelf -d "$work/libtevrak1$lib/libtevrak.so.1.0.0" | grep -q 'Library soname: \[libtevrak.so.1\]' ||
    fail "libtevrak.so.1.0.0 has no SONAME libtevrak.so.1"
fi
field_has libtevrak1 Section libs
field_has libtevrak-dev Section libdevel
field_has tevrak-tools Section devel
# Depends computed from the binaries of this architecture.
field_has libtevrak1 Depends "libc6 (>= "
field_has libtevrak1 Depends "liblirc-client0"
field_has libtevrak1 Depends "libstdc++6 (>= "
field_has tevrak-tools Depends "libc6 (>= "
field_has libtevrak-dev Depends "libtevrak1 (= $version)"
field_has tevrak-tools Depends "libtevrak1 (= $version)"
# The ARM simulator serves the page too: it links the target's cpp-httplib.
field_has tevrak-tools Depends "libcpp-httplib0.11"
field_has libtevrak1 Description "device access for a Raspberry Pi robot"
control="$work/control"
dpkg-deb -e "$debs/libtevrak1_${version}_${arch}.deb" "$control"
grep -qx "activate-noawait ldconfig" "$control/triggers" || fail "libtevrak1 does not activate the ldconfig trigger"
# No maintainer script of any package: none may touch a user's files.
for package in libtevrak1 libtevrak-dev tevrak-tools python3-tevrak; do
  for script in preinst postinst prerm postrm; do
    dpkg-deb -I "$debs/${package}_${version}_${arch}.deb" "$script" > /dev/null 2>&1 && fail "$package has a $script"
  done
done
grep -qx "libtevrak 1 libtevrak1 (>= $version)" "$control/shlibs" || fail "libtevrak1: shlibs is '$(cat "$control/shlibs")'"

[ "$failed" -eq 0 ] || exit 1
echo "$arch packages hold the expected files"
