#!/usr/bin/env bash
# Starts wzrv.exe under Wine.
#   scripts/run.sh WIN32_BUILD_DIR BUILD_DIR
# With a usable X display the program runs there, in the user's own Wine
# prefix. Without one, a scripted demo runs on a virtual display: it locks the
# screen, clicks a few fields, unlocks and closes the program, and saves
# screenshots whose paths it prints.
set -euo pipefail

win32dir=$1
build=$2
exe="$win32dir/wzrv.exe"
[ -f "$exe" ] || { echo "run: $exe is missing; build it with 'make win32' (or 'make win64')" >&2; exit 1; }
export WINEDLLOVERRIDES="mscoree,mshtml="
# The x86-64 build (WZRV_WINE64_ONLY=1, set by make) runs under the 64-bit Wine
# loader, named directly: Debian's wine command prefers the 32-bit one.
wine=wine
if [ -n "${WZRV_WINE32_QEMU:-}" ]; then
  # The 32-bit Wine of its own root under qemu-i386 (WZRV_ARCH=win32 on a
  # machine that runs no 32-bit code), in a 32-bit prefix of its own: the
  # 64-bit Wine's prefix is no prefix for it.
  mkdir -p "$build/bin"
  printf '#!/bin/sh\nexec qemu-i386 -L %s %s/usr/lib/wine/wine "$@"\n' "$WZRV_WINE32_QEMU" "$WZRV_WINE32_QEMU" \
    >"$build/bin/wine32-qemu"
  chmod +x "$build/bin/wine32-qemu"
  wine=$build/bin/wine32-qemu
  export WINESERVER=/usr/lib/wine/wineserver64 WINEARCH=win32 WINEPREFIX=${WZRV_WINE32_PREFIX:-$HOME/.wine-wzrv32}
elif [ "${WZRV_WINE64_ONLY:-0}" = 1 ]; then
  wine=/usr/lib/wine/wine64
  export WINELOADER=$wine
fi

if [ -n "${DISPLAY:-}" ] && xwininfo -root >/dev/null 2>&1; then
  echo "Starting wzrv.exe on $DISPLAY (Wine prefix: ${WINEPREFIX:-$HOME/.wine})."
  echo "Lock the screen from the system menu of its taskbar entry; type the password and Return to unlock."
  cd "$win32dir"
  # The user's own locale: the program's Japanese texts read correctly in any.
  exec "$wine" ./wzrv.exe "${@:3}"
fi

echo "No X display: running the scripted demo on a virtual display."
demo="$build/demo"
mkdir -p "$demo"
demo=$(cd "$demo" && pwd)
rm -f "$demo"/*.png
export WZRV_DEMO_DIR=$demo WZRV_EXE=$exe WZRV_PROBE=$win32dir/wzrvprobe.exe
export WZRV_XSHOT=$build/native/tests/e2e/wzrv_xshot WZRV_BACKDROP=$build/native/tests/e2e/wzrv_backdrop
bash "$(dirname "$0")/wine-env.sh" "$build/demo-wine" -- bash "$(dirname "$0")/demo.sh"
