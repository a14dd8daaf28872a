#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent: does nothing when everything is already there.
#
# On a machine that runs no 32-bit code (scripts/arch.sh says win64) no i386
# package is installed: none of them could run. The mirror may serve a broken
# index for a while: a failing `apt-get update` is tried once more and then
# passed over with a warning, and an install that cannot be resolved against
# mixed lists is tried again at the release's own versions.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
arch=$(bash "$here/arch.sh")

NATIVE_PKGS="build-essential cmake pkg-config locales googletest libgtest-dev libpng-dev libgif-dev libx11-dev libxtst-dev libxrandr-dev clang clang-tidy cppcheck zip"
# Both cross-compilers: the 32-bit program is the product, the x86-64 one runs
# where no 32-bit code does (both compilers are x86-64 programs themselves).
CROSS_PKGS="g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev"
WINE_PKGS="wine xvfb xserver-xephyr xdotool fvwm x11-utils x11-xserver-utils fonts-ipafont-gothic fonts-wine"
# The 64-bit Wine, with the X extension libraries its X11 driver loads at run
# time (left out by --no-install-recommends).
WINE_PKGS="$WINE_PKGS wine64 libxrender1 libxrandr2 libxinerama1 libxcursor1 libxi6 libxcomposite1 libxfixes3
  libxxf86vm1"
if [ "$arch" = win32 ]; then
  # The 32-bit Wine and the same X libraries for it.
  WINE_PKGS="$WINE_PKGS wine32:i386 libxrender1:i386 libxrandr2:i386 libxinerama1:i386 libxcursor1:i386
    libxi6:i386 libxcomposite1:i386 libxfixes3:i386 libxxf86vm1:i386"
fi
# A compositing window manager for the lock tests under one (xfwm4 runs its compositor headless).
WINE_PKGS="$WINE_PKGS xfwm4"

missing=()
for p in $NATIVE_PKGS $CROSS_PKGS $WINE_PKGS; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# Wine converts Unix file names with the host's locale: the tests in an
# English locale (paths with accented letters) need en_US.UTF-8 to exist.
english_locale() {
  locale -a 2>/dev/null | grep -qix 'en_US.utf8' && return 0
  echo "setup: generating the en_US.UTF-8 locale"
  $SUDO localedef -i en_US -f UTF-8 en_US.UTF-8
}

# --wine32-qemu, where the machine runs no 32-bit code: the 32-bit Wine under
# qemu user-mode as well, for the 32-bit program. What cannot be had is said
# in one line; everything else goes on without it.
wine32_qemu() {
  [ "$arch" = win64 ] && [ "$want_qemu" = 1 ] || return 0
  local why
  WZRV_WINE32_QUIET=1 bash "$here/wine32-root.sh" prepare && return 0
  why=$(bash "$here/wine32-root.sh" path 2>&1 >/dev/null) || true
  echo "setup: no 32-bit Wine here ($why): the 32-bit program's test group will be skipped" >&2
}
want_qemu=0
[ "${1:-}" = --wine32-qemu ] && want_qemu=1

if [ ${#missing[@]} -eq 0 ]; then
  english_locale
  wine32_qemu
  exit 0
fi

echo "setup: installing ${missing[*]}"
if [ "$arch" = win32 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get update -qq; then
  echo "setup: apt-get update failed; trying once more" >&2
  sleep 5
  if ! $SUDO apt-get update -qq; then
    echo "setup: warning: apt-get update failed again; going on with the package lists this machine has" >&2
  fi
fi
apt_install() { $SUDO apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}" >/dev/null; }
if ! apt_install; then
  # Lists from two moments of the mirror can offer an amd64 library from the
  # security suite and its i386 twin from the release only; multi-arch
  # packages need the same version on both. The release's own versions agree.
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || { echo "setup: the install failed and /etc/os-release names no release" >&2; exit 1; }
  echo "setup: the install could not be resolved; trying again with the versions of $codename" >&2
  apt_install -t "$codename"
fi
english_locale
wine32_qemu
