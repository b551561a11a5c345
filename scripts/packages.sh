#!/bin/sh
# Builds the Debian packages for each architecture given and copies them to
# <folder>/debs.
#   packages.sh <folder> <amd64|arm64|armhf>...
# Each architecture gets a build of its own in <folder>/<arch>, configured as
# Debian builds packages: prefix /usr, dpkg-buildflags (hardening), the robot
# folder /home/pi/tevrak (built in; not installed: users run tevrak-setup). The ARM builds use Debian's cross compilers and a
# sysroot of the target's packages (scripts/cross-sysroot.sh) in
# $TEVRAK_SYSROOTS/<arch> (default <folder>/sysroot).
set -eu
folder=$(realpath -m "$1")
shift
sysroots=$(realpath -m "${TEVRAK_SYSROOTS:-$folder/sysroot}")
source_dir=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-$(nproc)}
mkdir -p "$folder/debs"

for arch in "$@"; do
  build="$folder/$arch"
  cross=""
  case "$arch" in
    amd64) ;;
    arm64) cross="aarch64"; triplet=aarch64-linux-gnu ;;
    armhf) cross="armhf"; triplet=arm-linux-gnueabihf ;;
    *) echo "packages.sh: unknown architecture $arch" >&2; exit 2 ;;
  esac
  if [ -n "$cross" ]; then
    "$source_dir/scripts/cross-sysroot.sh" "$arch" "$sysroots/$arch"
    # GNUInstallDirs chooses Debian's multiarch folder only for native builds.
    cross="-DCMAKE_TOOLCHAIN_FILE=$source_dir/cmake/toolchain-$cross.cmake -DTEVRAK_SYSROOT=$sysroots/$arch/root
      -DCMAKE_INSTALL_LIBDIR=lib/$triplet"
  fi
  # Hardened as Debian builds its packages; no debug information (the
  # packages ship stripped binaries).
  flags() {
    (cd "$source_dir" && DEB_HOST_ARCH=$arch DEB_BUILD_MAINT_OPTIONS=hardening=+all \
      DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g dpkg-buildflags --get "$1")
  }
  # shellcheck disable=SC2086
  # From the environment, so that a toolchain file's flags still apply.
  CFLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" CXXFLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" LDFLAGS="$(flags LDFLAGS)" \
    cmake -S "$source_dir" -B "$build" $cross -DTEVRAK_DEB=ON -DTEVRAK_BUILD_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr -DTEVRAK_HOME=/home/pi/tevrak > "$build.configure.log"
  cmake --build "$build" -j "$jobs"
  rm -rf "$build/deb/out" "$folder/debs/"*_"$arch".deb
  (cd "$build" && cpack -G DEB > "$build.cpack.log")
  # CPack gives a package with a shared library a postinst and a postrm that
  # run ldconfig. The library package's ldconfig trigger does that work, and
  # the packages have no maintainer scripts: they are taken out again.
  for deb in "$build/deb/out/"libtevrak1_*.deb; do
    rm -rf "$build/deb/unpacked"
    dpkg-deb -R "$deb" "$build/deb/unpacked"
    rm -f "$build/deb/unpacked/DEBIAN/postinst" "$build/deb/unpacked/DEBIAN/postrm"
    dpkg-deb --root-owner-group -b "$build/deb/unpacked" "$deb" > /dev/null
  done
  # Every installed file is in a package: an install rule without one of the
  # packages' components would otherwise drop out of them unnoticed.
  rm -rf "$build/stage"
  DESTDIR="$build/stage" cmake --install "$build" > /dev/null
  (cd "$build/stage" && find . ! -type d | sed 's|^\.||' | sort) > "$build/installed.list"
  for deb in "$build/deb/out/"*.deb; do dpkg-deb -c "$deb"; done | awk '{print $6}' | sed 's|^\.||' | sort > "$build/packaged.list"
  unpackaged=$(comm -23 "$build/installed.list" "$build/packaged.list")
  if [ -n "$unpackaged" ]; then
    echo "packages.sh: installed but in no package (give the install rule a package's component):" >&2
    echo "$unpackaged" >&2
    exit 1
  fi
  cp "$build/deb/out/"*.deb "$folder/debs/"
  ls "$build/deb/out/"
done
