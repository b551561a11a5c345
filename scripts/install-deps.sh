#!/bin/sh
# Installs the Debian packages that building and testing need, when missing.
set -e
packages="cmake g++ make pkg-config libgtest-dev libgmock-dev liblirc-dev lirc clang libclang-rt-14-dev valgrind"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
