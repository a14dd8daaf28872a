#!/usr/bin/env bash
# Packs the release zip from a Windows build directory:
#   scripts/dist.sh WIN32_BUILD_DIR OUT_DIR VERSION
# writes OUT_DIR/wzrv-VERSION.zip with wzrv.exe, the same program as the screen
# saver wzrv.scr, the shipped sound effects and
# the README for Windows users (Shift-JIS, CRLF line ends). Every file gets
# the same fixed time and the entries are always added in the same order, with
# no extra attributes, so one commit always gives the same bytes.
set -euo pipefail
build=$1
out=$2
version=$3
here=$(cd "$(dirname "$0")/.." && pwd)
name=wzrv-$version

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$name"
files=(wzrv.exe wzrv.scr wzrv-field-fade.wav wzrv-field-rise.wav wzrv-impact-hexagon.wav
       wzrv-impact-mini.wav wzrv-impact-octagon.wav)
for f in "${files[@]}"; do
  [ -f "$build/$f" ] || { echo "dist: $build/$f is missing" >&2; exit 1; }
  cp "$build/$f" "$stage/$name/$f"
done
sed "s/@VERSION@/$version/" "$here/resources/README-windows.txt" | iconv -f UTF-8 -t CP932 | sed 's/$/\r/' > "$stage/$name/README.txt"
files+=(README.txt)

# A fixed time (local time is what zip stores), the same for every entry.
export TZ=UTC
touch -h -d '2000-01-01 00:00:00' "$stage/$name" "$stage/$name"/*
mkdir -p "$out"
zipfile=$(cd "$out" && pwd)/$name.zip
rm -f "$zipfile"
(cd "$stage" && LC_ALL=C zip -q -X -D -9 "$zipfile" "${files[@]/#/$name/}")
echo "$zipfile"
