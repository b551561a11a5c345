# Sourced: names of one Debian architecture ($arch) for the package tests.
case "$arch" in
  amd64) triplet=x86_64-linux-gnu; machine="x86-64"; qemu="" ;;
  arm64) triplet=aarch64-linux-gnu; machine="ARM aarch64"; qemu=qemu-aarch64-static ;;
  armhf) triplet=arm-linux-gnueabihf; machine="ARM, EABI5"; qemu=qemu-arm-static ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac
