#!/bin/sh
# Builds a private sysroot of one Debian architecture from Debian's own
# packages, without adding the architecture to dpkg: the host's package
# lists, its dpkg database and its installed -dev packages stay untouched.
#   cross-sysroot.sh <arm64|armhf|amd64> <folder>
# Result in <folder>:
#   root/       the packages unpacked (headers, libraries, pkg-config and
#               CMake files, the dynamic loader and the C/C++ run-time, the
#               Python interpreter and its standard library), used
#               for building, by qemu-user (-L root) and by dpkg-shlibdeps
#   root/DEBIAN symbols and shlibs of the unpacked run-time libraries, so that
#               dpkg-shlibdeps can compute Depends for this architecture
#   apt/, debs/ private package lists and the downloaded packages (cached)
# A second run with the same package set does nothing.
set -eu
arch=$1
dir=$(realpath -m "$2")
packages="libc6 libgcc-s1 libstdc++6 libgtest-dev libgmock-dev liblirc-dev liblirc-client0"
# The live page's server (cpp-httplib and what its pkg-config file requires).
packages="$packages libcpp-httplib-dev libcpp-httplib0.11 libssl-dev libssl3 zlib1g-dev zlib1g libbrotli-dev libbrotli1"
# The tap's records and recordings (JSON; header-only).
packages="$packages nlohmann-json3-dev"
# Python: the headers a module is built against, the interpreter that runs
# its tests under qemu-user, and the libraries of the standard library's
# compiled modules.
packages="$packages libpython3.11-dev libpython3.11-minimal libpython3.11-stdlib python3.11-minimal
  libexpat1 libffi8 libbz2-1.0 liblzma5 libcrypt1 libuuid1"

stamp="$dir/root/.complete"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$arch $packages" ]; then
  exit 0
fi

mkdir -p "$dir/apt/lists/partial" "$dir/apt/cache/archives/partial" "$dir/debs"
[ -f "$dir/apt/status" ] || : > "$dir/apt/status"
apt_options="-q -o Dir::State::Lists=$dir/apt/lists -o Dir::State::status=$dir/apt/status
  -o Dir::Cache=$dir/apt/cache -o APT::Architecture=$arch -o APT::Architectures::=$arch
  -o Debug::NoLocking=1"
# As root, apt would hand the download to its unprivileged user, which
# cannot write into a build folder owned by someone else.
[ "$(id -u)" -eq 0 ] && apt_options="$apt_options -o APT::Sandbox::User=root"

missing=""
for p in $packages; do
  ls "$dir/debs/${p}_"*"_$arch.deb" > /dev/null 2>&1 || missing="$missing $p"
done
# A mirror can serve a list that does not match its index (a sync in
# progress, or a stale cache in between; seen for bookworm-security's armhf
# list): one more try, then the lists that did come. The download says
# whether they name every package.
update_lists() {
  echo "cross-sysroot: package lists for $arch"
  for pause in 15 0; do
    # shellcheck disable=SC2086
    apt-get $apt_options update > "$dir/apt/update.log" 2>&1 && ! grep -q '^E:' "$dir/apt/update.log" && return 0
    [ "$pause" -eq 0 ] && break
    echo "cross-sysroot: trying the package lists again in $pause s"
    sleep "$pause"
  done
  cat "$dir/apt/update.log"
  echo "cross-sysroot: going on with the package lists that did come"
}
download() {
  # shellcheck disable=SC2086
  (cd "$dir/debs" && apt-get $apt_options download $missing)
}
if [ -n "$missing" ]; then
  ls "$dir/apt/lists/"*"_Packages"* > /dev/null 2>&1 || update_lists
  echo "cross-sysroot: downloading$missing ($arch)"
  # Kept lists may name versions the archive no longer has.
  download || { update_lists && download; }
fi

rm -rf "$dir/root"
mkdir -p "$dir/root/DEBIAN"
for deb in "$dir/debs/"*"_$arch.deb"; do
  dpkg-deb -x "$deb" "$dir/root"
  control=$(mktemp -d)
  dpkg-deb -e "$deb" "$control"
  for f in symbols shlibs; do
    [ -f "$control/$f" ] && cat "$control/$f" >> "$dir/root/DEBIAN/$f"
  done
  rm -rf "$control"
done
# Debian's links name absolute paths; inside the sysroot they must stay
# inside it.
find "$dir/root" -type l | while read -r link; do
  target=$(readlink "$link")
  case "$target" in
    /*) ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$dir/root$target")" "$link" ;;
  esac
done
echo "$arch $packages" > "$stamp"
echo "cross-sysroot: $dir/root ready"
