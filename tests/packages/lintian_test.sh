#!/bin/sh
# lintian over every package, with any override ignored: no error, and every
# warning one that docs/install-pi.md lists as accepted (with its reason).
#   lintian_test.sh <debs folder> <docs/install-pi.md>
set -eu
debs=$1; readme=$2
work=$(mktemp -d /tmp/tevrak-lintian-XXXXXX)
trap 'rm -rf "$work"' EXIT
failed=0

for deb in "$debs"/*.deb; do
  if dpkg-deb -c "$deb" | grep -q 'lintian/overrides'; then
    echo "FAIL: $(basename "$deb") ships lintian overrides"; failed=1
  fi
done
lintian --no-override --display-level '>=warning' "$debs"/*.deb > "$work/out" 2>/dev/null || true
cat "$work/out"
if grep -q '^E: ' "$work/out"; then echo "FAIL: lintian errors"; failed=1; fi
# The accepted warnings: the `tag` items of that list.
sed -n '/^### lintian warnings/,/^#/p' "$readme" | sed -n 's/^- `\([a-z0-9-]*\)`.*/\1/p' > "$work/accepted"
for tag in $(sed -n 's/^W: [^:]*: \([a-z0-9-]*\).*/\1/p' "$work/out" | sort -u); do
  grep -qx "$tag" "$work/accepted" || { echo "FAIL: warning $tag is not in the list of accepted warnings"; failed=1; }
done
# Three packages per architecture, and the Python package of the native one.
[ "$(ls "$debs"/*.deb | wc -l)" -eq 10 ] || { echo "FAIL: expected 10 packages in $debs"; failed=1; }
[ "$failed" -eq 0 ] || exit 1
echo "lintian: no errors, only the accepted warnings"
