#!/usr/bin/env bash
# The benchmarks under Wine:
# - the reminder, the lock and the unlock as the user meets them on a
#   1024x768 virtual display (one X observer, from the action to the final
#   pixels), without a window manager, under fvwm and under xfwm4 with its
#   compositor, each beside a trivial reference timed the same way;
# - field playback on a 1920x1080 virtual display: the hexagon field's
#   duration, the time to draw a step and the share of steps that reach the
#   screen, first as the program plays them and then, for comparison, with the
#   plain busy loop (nothing hands the drawing to the screen between steps);
#   last, as the program plays them on two monitors (1024x768 and 800x600 side
#   by side), clicked on the second one.
#   scripts/bench-wine.sh NATIVE_BUILD_DIR WIN32_BUILD_DIR WORK_DIR
set -euo pipefail
native=${1:-build/native}
win32=${2:-build/win32}
work=${3:-build/bench-wine}
here=$(cd "$(dirname "$0")" && pwd)
e2e="$native/tests/e2e"
for bench in wzrv_latency_bench wzrv_playback_bench; do
  if [ ! -x "$e2e/$bench" ] || [ ! -f "$win32/wzrv.exe" ]; then
    echo "bench-wine: build native and win32 first ($e2e/$bench, $win32/wzrv.exe)" >&2
    exit 1
  fi
done
export WZRV_WIN32_DIR=$(cd "$win32" && pwd)
e2e=$(cd "$e2e" && pwd)
# run BENCH: one run in a fresh Wine environment, the benchmark's own lines
# only. A benchmark that fails (a figure that cannot be measured, a display
# taken by another program) fails make bench, after the others have run.
failed=0
run() {
  local status=0
  bash "$here/wine-env.sh" "$work" -- "$e2e/$1" --gtest_brief=1 2>/dev/null >"$work.out" || status=$?
  grep -v "^Running main" "$work.out" || true
  if [ "$status" -ne 0 ]; then
    echo "bench-wine: $1 failed (exit $status)" >&2
    failed=1
  fi
}
mkdir -p "$(dirname "$work")"
run wzrv_latency_bench
for present in wait none; do
  WZRV_SCREEN_W=1920 WZRV_SCREEN_H=1080 WZRV_PLAYBACK_PRESENT=$present run wzrv_playback_bench
done
WZRV_MONITORS=1024x768,800x600 WZRV_BENCH_X=1424 WZRV_BENCH_Y=300 run wzrv_playback_bench
exit $failed
