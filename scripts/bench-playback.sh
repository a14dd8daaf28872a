#!/usr/bin/env bash
# Field playback under Wine on a 1920x1080 virtual display: the hexagon
# field's duration, the time to draw a step and the share of steps that reach
# the screen, first as the program plays them and then, for comparison, with
# the plain busy loop (nothing hands the drawing to the screen between steps);
# last, as the program plays them on two monitors (1024x768 and 800x600 side
# by side), clicked on the second one.
#   scripts/bench-playback.sh NATIVE_BUILD_DIR WIN32_BUILD_DIR WORK_DIR
set -euo pipefail
native=${1:-build/native}
win32=${2:-build/win32}
work=${3:-build/bench-wine}
here=$(cd "$(dirname "$0")" && pwd)
bench="$native/tests/e2e/wzrv_playback_bench"
if [ ! -x "$bench" ] || [ ! -f "$win32/wzrv.exe" ]; then
  echo "bench-playback: build native and win32 first ($bench, $win32/wzrv.exe)" >&2
  exit 1
fi
export WZRV_WIN32_DIR=$(cd "$win32" && pwd)
bench=$(cd "$(dirname "$bench")" && pwd)/$(basename "$bench")
for present in wait none; do
  WZRV_SCREEN_W=1920 WZRV_SCREEN_H=1080 WZRV_PLAYBACK_PRESENT=$present \
    bash "$here/wine-env.sh" "$work" -- "$bench" --gtest_brief=1 2>/dev/null |
    grep -v "^Running main" || true
done
WZRV_MONITORS=1024x768,800x600 WZRV_BENCH_X=1424 WZRV_BENCH_Y=300 \
  bash "$here/wine-env.sh" "$work" -- "$bench" --gtest_brief=1 2>/dev/null |
  grep -v "^Running main" || true
