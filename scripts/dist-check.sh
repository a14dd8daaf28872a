#!/usr/bin/env bash
# Builds the release zip twice from the same sources, in two separate fresh
# build directories, and checks that both zips are the same bytes.
#   scripts/dist-check.sh VERSION
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
version=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for n in 1 2; do
  cmake -S "$here" -B "$work/build$n" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-i686-w64-mingw32.cmake" >/dev/null
  cmake --build "$work/build$n" -j "$(nproc)" --target wzrv wzrv_sounds >/dev/null
  bash "$here/scripts/dist.sh" "$work/build$n" "$work/dist$n" "$version" >/dev/null
done
a=$work/dist1/wzrv-$version.zip
b=$work/dist2/wzrv-$version.zip
if cmp "$a" "$b"; then
  echo "dist-check: two builds give the same zip ($(stat -c %s "$a") bytes, sha256 $(sha256sum "$a" | cut -c1-16))"
else
  echo "dist-check: the two zips differ" >&2
  exit 1
fi
