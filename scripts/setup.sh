#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent: does nothing when everything is already there.
set -euo pipefail

NATIVE_PKGS="build-essential cmake pkg-config googletest libgtest-dev libpng-dev libgif-dev libx11-dev libxtst-dev clang clang-tidy cppcheck zip"
CROSS_PKGS="g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev"
WINE_PKGS="wine wine32:i386 xvfb xdotool fvwm x11-utils fonts-ipafont-gothic"

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
