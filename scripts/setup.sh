#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent: does nothing when everything is already there.
set -euo pipefail

NATIVE_PKGS="build-essential cmake pkg-config googletest libgtest-dev libpng-dev libgif-dev libx11-dev libxtst-dev libxrandr-dev clang clang-tidy cppcheck zip"
CROSS_PKGS="g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev"
WINE_PKGS="wine wine32:i386 xvfb xserver-xephyr xdotool fvwm x11-utils x11-xserver-utils fonts-ipafont-gothic"
# What Wine recommends for its 32-bit X11 driver (left out by --no-install-recommends): the
# X extension libraries it loads at run time, and its own fonts (the caption buttons' glyphs).
WINE_PKGS="$WINE_PKGS libxrender1:i386 libxrandr2:i386 libxinerama1:i386 libxcursor1:i386 libxi6:i386
  libxcomposite1:i386 libxfixes3:i386 libxxf86vm1:i386 fonts-wine"
# The 64-bit Wine for 64-bit (WoW64) prefixes, with the same X libraries for it.
WINE_PKGS="$WINE_PKGS wine64 libxrender1 libxrandr2 libxinerama1 libxcursor1 libxi6 libxcomposite1 libxfixes3
  libxxf86vm1"
# A compositing window manager for the lock tests under one (xfwm4 runs its compositor headless).
WINE_PKGS="$WINE_PKGS xfwm4"

missing=()
for p in $NATIVE_PKGS $CROSS_PKGS $WINE_PKGS; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
