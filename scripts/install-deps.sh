#!/bin/sh
# Installs the Debian packages that building and testing need, when missing.
#   install-deps.sh            build, demo and tests
#   install-deps.sh fuzz       also clang and its fuzzing runtime
#   install-deps.sh valgrind   also valgrind
set -e
packages="cmake gcc g++ make pkg-config libgtest-dev libgmock-dev liblirc-dev lirc"
# The Python package: bindings, its tests and the plotting example.
packages="$packages pybind11-dev python3-dev python3-pytest python3-matplotlib"
for extra in "$@"; do
  case "$extra" in
    fuzz) packages="$packages clang libclang-rt-14-dev" ;;
    valgrind) packages="$packages valgrind" ;;
  esac
done
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
