#!/usr/bin/env bash
# Runs a command inside a private Wine environment on a virtual X display:
#   scripts/wine-env.sh DIR -- COMMAND...
# DIR receives a fresh WINEPREFIX (DIR/prefix) and the Xvfb log. Exports
# DISPLAY, WINEPREFIX, WINEDLLOVERRIDES and WINEDEBUG for the command, and
# WZRV_WINE_LOCALE: the LC_ALL to give each Wine process (ja_JP.UTF-8 makes
# Wine's ANSI code page 932; set it for Wine alone, the host has no such
# locale). Keeps one wineserver running throughout and ends everything after.
set -euo pipefail

dir=$1; shift
[ "${1:-}" = "--" ] && shift
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

export WINEPREFIX="$dir/prefix"
export WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
export WZRV_WINE_LOCALE=ja_JP.UTF-8
unset WAYLAND_DISPLAY

# A free display number.
num=90
while [ -e "/tmp/.X11-unix/X$num" ] || [ -e "/tmp/.X$num-lock" ]; do num=$((num + 1)); done
export DISPLAY=":$num"
export WZRV_SCREEN_W=${WZRV_SCREEN_W:-1024} WZRV_SCREEN_H=${WZRV_SCREEN_H:-768}
# 24 bits, or 8 for a palette display.
export WZRV_SCREEN_DEPTH=${WZRV_SCREEN_DEPTH:-24}

Xvfb "$DISPLAY" -screen 0 "${WZRV_SCREEN_W}x${WZRV_SCREEN_H}x${WZRV_SCREEN_DEPTH}" -nolisten tcp >"$dir/xvfb.log" 2>&1 &
xvfb=$!

cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb" >/dev/null 2>&1 || true
  wait "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X$num" ] && break
  sleep 0.05
done
[ -e "/tmp/.X11-unix/X$num" ] || { echo "wine-env: Xvfb did not start" >&2; cat "$dir/xvfb.log" >&2; exit 1; }

# A fresh prefix each run, so every run starts from the same state.
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
LC_ALL=$WZRV_WINE_LOCALE wineboot -i >"$dir/wineboot.log" 2>&1 || { echo "wine-env: wineboot failed" >&2; cat "$dir/wineboot.log" >&2; exit 1; }
wineserver -w
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -w
wineserver -p

set +e
"$@"
status=$?
set -e
exit $status
