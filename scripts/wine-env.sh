#!/usr/bin/env bash
# Runs a command inside a private Wine environment on a virtual X display:
#   scripts/wine-env.sh DIR -- COMMAND...
# DIR receives a fresh WINEPREFIX (DIR/prefix) and the Xvfb log. Exports
# DISPLAY, WINEPREFIX, WINEDLLOVERRIDES and WINEDEBUG for the command, and
# WZRV_WINE_LOCALE: the LC_ALL to give each Wine process (by default
# ja_JP.UTF-8, which makes Wine's ANSI code page 932; set it for Wine alone,
# the host has no such locale; en_US.UTF-8 gives code page 1252). Keeps one wineserver running throughout and ends everything after.
# WZRV_WINE_TEMPLATES=DIR keeps a new prefix there to copy from (see below).
# WZRV_WINE64_ONLY=1 (by default where scripts/arch.sh says win64: the machine
# runs no 32-bit code, or WZRV_FORCE_WIN64=1) runs the 64-bit Wine alone.
# WZRV_WINE32_QEMU=ROOT runs the 32-bit Wine of that root under qemu-i386.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
dir=$1; shift
[ "${1:-}" = "--" ] && shift
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

export WINEPREFIX="$dir/prefix"
# WZRV_WINEARCH=win64 gives a 64-bit prefix, where the 32-bit program runs through WoW64.
export WINEARCH=${WZRV_WINEARCH:-win32}
if [ -z "${WZRV_WINE64_ONLY:-}" ]; then
  WZRV_WINE64_ONLY=0
  [ "$(bash "$here/arch.sh")" = win64 ] && WZRV_WINE64_ONLY=1
fi
export WZRV_WINE64_ONLY
if [ "$WZRV_WINE64_ONLY" = 1 ]; then
  # Debian's wine, wine-stable and wineboot start the 32-bit loader whenever it
  # is installed: here every one of them is the 64-bit loader, named directly,
  # and so is every program Wine starts itself (WINELOADER). 64-bit prefixes.
  loader=/usr/lib/wine/wine64
  [ -x "$loader" ] || { echo "wine-env: $loader is missing (the wine64 package)" >&2; exit 1; }
  export WINEARCH=win64 WINELOADER=$loader
  mkdir -p "$dir/bin"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec %s "$@"\n' "$loader" >"$dir/bin/$name"
  done
  printf '#!/bin/sh\nexec %s wineboot.exe "$@"\n' "$loader" >"$dir/bin/wineboot"
  chmod +x "$dir/bin/wine" "$dir/bin/wine-stable" "$dir/bin/wineboot"
  export PATH="$dir/bin:$PATH"
fi
if [ -n "${WZRV_WINE32_QEMU:-}" ]; then
  # The 32-bit Wine unpacked into a root of its own (scripts/wine32-root.sh),
  # run by qemu user-mode on a machine that runs no 32-bit code; the host's
  # 64-bit wineserver serves it. Its own children go through qemu by the
  # root's wine-preloader.
  root=$WZRV_WINE32_QEMU
  [ -e "$root/.complete" ] || { echo "wine-env: $root is not a prepared 32-bit Wine root" >&2; exit 1; }
  export WINEARCH=win32 WINESERVER=/usr/lib/wine/wineserver64 WZRV_WINE64_ONLY=0
  unset WINELOADER
  mkdir -p "$dir/bin"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec qemu-i386 -L %s %s/usr/lib/wine/wine "$@"\n' "$root" "$root" >"$dir/bin/$name"
  done
  printf '#!/bin/sh\nexec qemu-i386 -L %s %s/usr/lib/wine/wine wineboot.exe "$@"\n' "$root" "$root" \
    >"$dir/bin/wineboot"
  printf '#!/bin/sh\nexec %s "$@"\n' "$WINESERVER" >"$dir/bin/wineserver"
  chmod +x "$dir/bin/wine" "$dir/bin/wine-stable" "$dir/bin/wineboot" "$dir/bin/wineserver"
  export PATH="$dir/bin:$PATH"
fi
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
export WZRV_WINE_LOCALE=${WZRV_WINE_LOCALE:-ja_JP.UTF-8}
unset WAYLAND_DISPLAY

# A free display number.
free_display() {
  local n=$1
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  echo "$n"
}
wait_display() {  # NUMBER SERVER-NAME LOG
  for _ in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$1" ] && return 0
    sleep 0.05
  done
  echo "wine-env: $2 did not start" >&2
  cat "$3" >&2
  exit 1
}
# 24 bits, or 8 for a palette display.
export WZRV_SCREEN_DEPTH=${WZRV_SCREEN_DEPTH:-24}

# WZRV_MONITORS=1024x768,800x600 gives several monitors side by side, left to
# right, top edges level: Xephyr with one screen a monitor and Xinerama, on a
# host Xvfb large enough to hold them. (Xvfb alone does not lay its screens
# out side by side.) The screen the tests see is their union.
monitors=${WZRV_MONITORS:-}
xephyr=""
if [ -n "$monitors" ]; then
  total_w=0 total_h=0 screens=()
  IFS=, read -r -a sizes <<<"$monitors"
  for size in "${sizes[@]}"; do
    w=${size%x*} h=${size#*x}
    total_w=$((total_w + w))
    [ "$h" -gt "$total_h" ] && total_h=$h
    screens+=(-screen "${w}x${h}x${WZRV_SCREEN_DEPTH}")
  done
  export WZRV_SCREEN_W=$total_w WZRV_SCREEN_H=$total_h
else
  export WZRV_SCREEN_W=${WZRV_SCREEN_W:-1024} WZRV_SCREEN_H=${WZRV_SCREEN_H:-768}
fi

num=$(free_display 90)
Xvfb ":$num" -screen 0 "${WZRV_SCREEN_W}x${WZRV_SCREEN_H}x${WZRV_SCREEN_DEPTH}" -nolisten tcp >"$dir/xvfb.log" 2>&1 &
xvfb=$!

cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xephyr" ]; then
    kill "$xephyr" >/dev/null 2>&1 || true
    wait "$xephyr" 2>/dev/null || true
  fi
  kill "$xvfb" >/dev/null 2>&1 || true
  wait "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
wait_display "$num" Xvfb "$dir/xvfb.log"
export DISPLAY=":$num"

if [ -n "$monitors" ]; then
  inner=$(free_display $((num + 1)))
  Xephyr ":$inner" "${screens[@]}" +xinerama -nolisten tcp -no-host-grab >"$dir/xephyr.log" 2>&1 &
  xephyr=$!
  wait_display "$inner" Xephyr "$dir/xephyr.log"
  export DISPLAY=":$inner"
fi

# A new prefix as wineboot makes it, with what every run wants: no crash
# dialog, and Wine's own fonts. Debian's Wine looks for those (fonts-wine:
# Marlett for the caption buttons, Tahoma, ...) beside the system's, not where
# the package puts them; without them a caption's close button shows the
# letter "r". A prefix's Fonts folder is always searched: they are copied there.
# The first boot of a prefix failed now and then ("could not load
# kernel32.dll", the same command passing at once when run again): a failed
# boot is tried once more on a new prefix.
new_prefix() {  # PREFIX LOG
  local try
  for try in 1 2; do
    rm -rf "$1"
    if WINEPREFIX=$1 LC_ALL=$WZRV_WINE_LOCALE wineboot -i >"$2" 2>&1; then break; fi
    WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$1 wineserver -w >/dev/null 2>&1 || true
    if [ "$try" = 2 ]; then
      echo "wine-env: wineboot failed" >&2
      cat "$2" >&2
      exit 1
    fi
    echo "wine-env: wineboot failed, trying once more:" >&2
    sed 's/^/  /' "$2" >&2
  done
  WINEPREFIX=$1 wineserver -w
  WINEPREFIX=$1 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  WINEPREFIX=$1 wineserver -w
  if [ -d /usr/share/wine/fonts ]; then
    cp -n /usr/share/wine/fonts/*.ttf "$1/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
  japanese_fonts "$1"
}

# Outside a Japanese locale Wine links no Japanese font to the fonts it draws
# menus, boxes and dialogs with, and Japanese text shows as boxes. Windows
# links a fallback font to them for such text (FontLink\SystemLink): here the
# IPA Gothic font (fonts-ipafont-gothic) is linked to each of them.
japanese_fonts() {  # PREFIX
  case "$WZRV_WINE_LOCALE" in ja_*) return 0 ;; esac
  local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' face
  for face in Tahoma "Tahoma Bold" "MS Shell Dlg" "MS Shell Dlg 2" "MS Sans Serif" "Microsoft Sans Serif" System; do
    WINEPREFIX=$1 wine reg add "$key" /v "$face" /t REG_MULTI_SZ /d 'ipag.ttf,IPAGothic' /f >/dev/null 2>&1
  done
  WINEPREFIX=$1 wineserver -w
}

# A fresh prefix each run, so every run starts from the same state. With
# WZRV_WINE_TEMPLATES (a directory) the new prefix is made once per Wine
# version and architecture and each run gets a copy of it, which is the same
# state in a fraction of wineboot's time.
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
if [ -n "${WZRV_WINE_TEMPLATES:-}" ]; then
  mkdir -p "$WZRV_WINE_TEMPLATES"
  kind=$WINEARCH
  [ "$WZRV_WINE64_ONLY" = 1 ] && kind=$WINEARCH-alone
  [ -n "${WZRV_WINE32_QEMU:-}" ] && kind=$WINEARCH-qemu
  kind=$kind-${WZRV_WINE_LOCALE%%.*}
  template="$WZRV_WINE_TEMPLATES/$kind-$(wine --version 2>/dev/null | tr -c 'A-Za-z0-9.\n' _)"
  if [ ! -e "$template.complete" ]; then
    new_prefix "$template" "$WZRV_WINE_TEMPLATES/wineboot-$kind.log"
    touch "$template.complete"
  fi
  cp -a "$template" "$WINEPREFIX"
else
  new_prefix "$WINEPREFIX" "$dir/wineboot.log"
fi
if [ -n "${WZRV_LOGPIXELS:-}" ]; then
  # A scaled display (144 = 150 %): the system DPI Wine reports to programs.
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$WZRV_LOGPIXELS" /f >/dev/null 2>&1
  wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels \
    /t REG_DWORD /d "$WZRV_LOGPIXELS" /f >/dev/null 2>&1
  wineserver -w
fi
if [ -n "$monitors" ]; then
  # Xephyr's RandR knows one output only; its Xinerama has every monitor.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N /f >/dev/null 2>&1
  wineserver -w
fi
wineserver -p

set +e
"$@"
status=$?
set -e
exit $status
