# Sourced by tests that need mounts of their own: without root they are
# skipped (exit 77); otherwise the script runs again in a private mount
# namespace, so that every mount it makes ends with it.
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: $(basename "$0") needs root (mounts, chroot); CI runs it as root"
  exit 77
fi
if [ "${TEVRAK_PRIVATE_MOUNTS:-}" != 1 ]; then
  TEVRAK_PRIVATE_MOUNTS=1 exec unshare --mount --propagation private --fork --kill-child sh "$0" "$@"
fi
