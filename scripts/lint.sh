#!/usr/bin/env bash
# Static checks: cppcheck on every source of the program, then clang-tidy
# (checks in .clang-tidy) on the portable core natively and on the Win32
# sources for the i686 mingw-w64 target. Any finding fails.
#   scripts/lint.sh WIN32_BUILD_DIR   (its source lists and generated headers)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
win32build=${1:-build/win32}

sources_of() {  # the .cpp files of a target, as the build exported them
  local list="$win32build/sources-$1.txt"
  [ -f "$list" ] || { echo "lint: $list is missing (configure $win32build first)" >&2; exit 1; }
  grep -E '\.cpp$' "$list" | xargs
}
core=$(sources_of wzrv_core)
win32=$(sources_of wzrv)

echo "lint: cppcheck"
cppcheck -q --enable=warning,performance,portability --std=c++17 --language=c++ --inline-suppr \
  --suppressions-list=tests/lint/cppcheck-suppressions.txt --error-exitcode=1 \
  -I . -D_WIN32 -DWZRV_GDI_COUNT $core $win32

gcc=$(ls -d /usr/lib/gcc/i686-w64-mingw32/*-win32 | sort -V | tail -1)
win32_args="--target=i686-w64-mingw32 -std=c++17 -I. -I$win32build
  -isystem $gcc/include/c++ -isystem $gcc/include/c++/i686-w64-mingw32 -isystem $gcc/include/c++/backward
  -DWINVER=0x0501 -D_WIN32_WINNT=0x0501 -DNOMINMAX"

echo "lint: clang-tidy (portable core and Win32 sources, in parallel)"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
clang-tidy -quiet $core -- -std=c++17 -I. >"$out/core" 2>&1 &
core_job=$!
# shellcheck disable=SC2086
clang-tidy -quiet $win32 -- $win32_args >"$out/win32" 2>&1 &
win32_job=$!
status=0
wait $core_job || status=1
wait $win32_job || status=1
grep -hE 'warning:|error:' "$out/core" "$out/win32" || true
if [ $status -ne 0 ]; then
  echo "lint: clang-tidy has findings" >&2
  exit 1
fi
echo "lint: no findings"
