#!/bin/sh
# The amd64 packages in a fresh Debian root, as a user of today's Pi OS
# installs them (apt-get install ./*.deb, a user alice and no user pi): see
# fresh_root_steps.sh. Their dependencies are in the root already, so apt
# needs no network.
#   fresh_root_test.sh <debs folder> <version> <cache folder> <tests/install folder>
# The root is a minimal Debian (debootstrap, the only download) made once in
# the cache folder; runs do not change it.
set -eu
. "$(dirname "$0")/private_mounts.sh"
debs=$1; version=$2; cache=$3; consumers=$4
include="gcc,g++,make,cmake,pkg-config,liblirc-dev,libcpp-httplib0.11,python3"
base="$cache/bookworm-minbase"
if [ "$(cat "$base/.tevrak-include" 2>/dev/null)" != "$include" ]; then
  rm -rf "$base" "$base.partial"
  mkdir -p "$cache"
  echo "Making a fresh Debian root in $base (once)"
  debootstrap --variant=minbase --include="$include" bookworm "$base.partial" http://deb.debian.org/debian \
    > "$cache/debootstrap.log" 2>&1 || { tail -20 "$cache/debootstrap.log"; exit 1; }
  rm -rf "$base.partial/var/cache/apt/archives/"*.deb
  echo "$include" > "$base.partial/.tevrak-include"
  mv "$base.partial" "$base"
fi

# The run's changes go to a tmpfs through an overlay; where overlays cannot be
# mounted, into a copy of the root.
work=$(mktemp -d "$cache/run-XXXXXX")
root="$work/root"
cleanup() {
  grep -o " $work/[^ ]*" /proc/self/mounts | sort -r | while read -r mounted; do umount "$mounted"; done
  # Removed only when nothing is mounted below it any more.
  grep -q " $work/" /proc/self/mounts || rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/changes" "$root"
mount -t tmpfs tmpfs "$work/changes"
mkdir "$work/changes/upper" "$work/changes/work"
if ! mount -t overlay overlay -o "lowerdir=$base,upperdir=$work/changes/upper,workdir=$work/changes/work" "$root" 2>/dev/null; then
  echo "no overlay mounts here: copying the root"
  cp -a "$base/." "$root/"
fi
mount -t proc proc "$root/proc"
mount -t tmpfs -o mode=755 tmpfs "$root/dev"
for node in null zero full random urandom tty; do
  touch "$root/dev/$node"
  mount --bind "/dev/$node" "$root/dev/$node"
done
mkdir "$root/dev/pts"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
ln -s pts/ptmx "$root/dev/ptmx"
mkdir -p "$root/tmp/t/debs"
cp "$debs"/*_"${version}"_amd64.deb "$root/tmp/t/debs/"
cp -r "$consumers/c_consumer.c" "$consumers/cxx_consumer" "$root/tmp/t/"
cp "$(dirname "$0")/fresh_root_steps.sh" "$(dirname "$0")/libtevrak1-0.1.0.postinst" \
  "$(dirname "$0")/../../scripts/wait-for-board.sh" "$root/tmp/t/"
# A clean environment: nothing of the caller's (a compiler launcher, say)
# reaches the fresh root.
env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
  chroot "$root" sh /tmp/t/fresh_root_steps.sh
