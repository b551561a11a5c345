#!/bin/sh
# The one list of Debian packages that building and testing need; make and
# CI (.ci/run) both install through it, only what is missing.
#   install-deps.sh            build, demo and tests (all but the SSH test)
#   install-deps.sh ssh        also ssh, socat and sshd for tevrak-remote's test,
#                              which runs its own sshd on 127.0.0.1 (make test)
#   install-deps.sh teleop     also SDL2 and libevdev: tevrak-teleop's gamepad and key
#                              release (optional at configure time: the demo and the
#                              ARM sysroots go without them; make build installs them)
#   install-deps.sh browser    also headless Chromium, its driver and Selenium
#                              (the live page's browser test, run by make test)
#   install-deps.sh fuzz       also clang and its fuzzing runtime
#   install-deps.sh valgrind   also valgrind
#   install-deps.sh arm        also the ARM cross compilers and qemu-user
#   install-deps.sh packages   also the Debian packaging and checking tools
#   install-deps.sh lint       also clang-format and pyflakes (make lint)
set -e
packages="cmake gcc g++ make pkg-config python3 libgtest-dev libgmock-dev liblirc-dev lirc libcpp-httplib-dev nlohmann-json3-dev"
# The Python package: bindings, its tests and the plotting example.
packages="$packages pybind11-dev python3-dev python3-pytest python3-matplotlib"
for extra in "$@"; do
  case "$extra" in
    # tevrak-remote and its test: ssh and socat, and sshd for a private server.
    ssh) packages="$packages openssh-client openssh-server socat" ;;
    teleop) packages="$packages libsdl2-dev libevdev-dev" ;;
    browser) packages="$packages chromium chromium-driver fonts-dejavu-core python3 python3-selenium python3-pil" ;;
    fuzz) packages="$packages clang libclang-rt-14-dev" ;;
    valgrind) packages="$packages valgrind" ;;
    arm) packages="$packages g++-aarch64-linux-gnu g++-arm-linux-gnueabihf qemu-user-static" ;;
    packages) packages="$packages dpkg-dev fakeroot lintian debootstrap file" ;;
    lint) packages="$packages clang-format pyflakes3" ;;
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
# A mirror can serve a list that does not match its index (a sync in
# progress, or a stale cache in between): one more try, then the lists that
# did come; the install says whether they name what is missing.
for pause in 15 0; do
  $SUDO apt-get update -qq && break
  [ "$pause" -eq 0 ] && { echo "install-deps: going on with the package lists that did come"; break; }
  echo "install-deps: trying the package lists again in $pause s"
  sleep "$pause"
done
# The tests start sshd themselves: the system's SSH service must neither
# start now nor at the next boot. Both its units are masked before the
# package comes (systemd machines), and a policy-rc.d refuses every service
# start during the install (machines and containers without systemd).
case " $missing " in
  *" openssh-server "*)
    if command -v systemctl > /dev/null; then
      $SUDO systemctl mask --no-reload ssh.service ssh.socket > /dev/null
    fi
    if [ ! -e /usr/sbin/policy-rc.d ]; then
      trap '$SUDO rm -f /usr/sbin/policy-rc.d' EXIT
      printf '#!/bin/sh\nexit 101\n' | $SUDO tee /usr/sbin/policy-rc.d > /dev/null
      $SUDO chmod 755 /usr/sbin/policy-rc.d
    fi
    echo "install-deps: openssh-server for the tests' own sshd; the system's SSH service stays masked (systemctl unmask ssh.service ssh.socket to use it)" ;;
esac
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
