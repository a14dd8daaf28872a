#!/usr/bin/env bash
# Lock and unlock latency under Wine on a 1024x768 virtual display, without a
# window manager, under fvwm and under xfwm4 with its compositor, each beside
# a trivial window's show and hide in the same Wine.
#   scripts/bench-latency.sh NATIVE_BUILD_DIR WIN32_BUILD_DIR WORK_DIR
set -euo pipefail
native=${1:-build/native}
win32=${2:-build/win32}
work=${3:-build/bench-latency}
here=$(cd "$(dirname "$0")" && pwd)
bench="$native/tests/e2e/wzrv_latency_bench"
if [ ! -x "$bench" ] || [ ! -f "$win32/wzrv.exe" ]; then
  echo "bench-latency: build native and win32 first ($bench, $win32/wzrv.exe)" >&2
  exit 1
fi
export WZRV_WIN32_DIR=$(cd "$win32" && pwd)
bench=$(cd "$(dirname "$bench")" && pwd)/$(basename "$bench")
bash "$here/wine-env.sh" "$work" -- "$bench" --gtest_brief=1 2>/dev/null | grep -v "^Running main" || true
