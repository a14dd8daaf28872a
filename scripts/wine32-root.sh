#!/usr/bin/env bash
# The 32-bit Wine on a machine that runs no 32-bit code, through qemu
# user-mode:
#   scripts/wine32-root.sh prepare   makes the root once (kept between runs)
#   scripts/wine32-root.sh path      prints the root, or fails with the reason
#
# Nothing of it is installed on the system as an i386 package, nothing is
# registered with binfmt_misc and nothing is written under /usr/lib: qemu-user
# comes from the release's backports suite (its own apt source file; the
# release's qemu 7.2 is too slow for Wine), and the i386 Wine with its
# libraries is unpacked into a root of its own (WZRV_WINE32_ROOT, by default
# under ~/.cache/wzrv), at the version of the host's 64-bit Wine, whose
# wineserver serves the 32-bit processes. Where anything cannot be had,
# `prepare` says so in one line (and `path` repeats it), and exits 1.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

cache=${XDG_CACHE_HOME:-$HOME/.cache}/wzrv
wine_version=$(dpkg-query -W -f='${Version}' libwine:amd64 2>/dev/null || true)
root=${WZRV_WINE32_ROOT:-$cache/wine32-$(printf %s "$wine_version" | tr -c 'A-Za-z0-9.\n' _)}
reason_file=$cache/wine32-reason.txt
# Oldest qemu-user that runs Wine in reasonable time (7.2 takes ten minutes to
# boot a prefix, searching the guest address space page by page at each mmap).
QEMU_MIN=8

qemu_ok() {
  local v
  v=$(qemu-i386 --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p')
  [ -n "$v" ] && [ "$v" -ge "$QEMU_MIN" ]
}

fail() {
  mkdir -p "$cache"
  echo "$*" >"$reason_file"
  [ "${WZRV_WINE32_QUIET:-0}" = 1 ] || echo "wine32-root: $*" >&2
  exit 1
}

# The backports suite, from the same mirror as the release's own entry.
add_backports() {
  local codename=$1 list=/etc/apt/sources.list.d/wzrv-backports.sources uri=""
  [ -e "$list" ] && return 0
  if [ -e /etc/apt/sources.list.d/debian.sources ]; then
    uri=$(awk -v s="$codename" '
      /^URIs:/ { u = $2 }
      /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == s) { print u; exit } }
      /^$/ { u = "" }' /etc/apt/sources.list.d/debian.sources)
  fi
  if [ -z "$uri" ] && [ -e /etc/apt/sources.list ]; then
    uri=$(awk -v s="$codename" '$1 == "deb" && $3 == s { print $2; exit }' /etc/apt/sources.list)
  fi
  [ -n "$uri" ] || return 1
  printf 'Types: deb\nURIs: %s\nSuites: %s-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$uri" "$codename" | $SUDO tee "$list" >/dev/null
}

apt_update() {  # [apt options...]
  $SUDO apt-get "$@" update -qq && return 0
  sleep 5
  $SUDO apt-get "$@" update -qq || echo "wine32-root: warning: apt-get update failed twice; going on with the lists there are" >&2
}

install_qemu() {
  qemu_ok && return 0
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || fail "no release name in /etc/os-release, so no backports suite for qemu-user"
  add_backports "$codename" || fail "no apt source names the $codename suite, so no backports suite for qemu-user"
  echo "wine32-root: installing qemu-user from $codename-backports"
  apt_update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    -t "$codename-backports" qemu-user >/dev/null ||
    fail "qemu-user could not be installed from $codename-backports"
  qemu_ok || fail "qemu-i386 is older than $QEMU_MIN.0, too slow for Wine"
}

# The i386 packages, downloaded with an apt state of their own (the system's
# sources, i386 alone, nothing installed) and unpacked into the root.
unpack_wine() {
  local work=$cache/wine32-apt
  mkdir -p "$work/lists/partial" "$work/archives/partial"
  : >"$work/status"
  local opts=(-o "Dir::State::Lists=$work/lists" -o "Dir::State::status=$work/status"
    -o "Dir::Cache=$work" -o "Dir::Cache::archives=$work/archives"
    -o "Dir::State::extended_states=$work/extended_states"
    -o APT::Architecture=i386 -o APT::Architectures::=i386 -o Debug::NoLocking=1
    -o APT::Sandbox::User=root)
  apt_update "${opts[@]}"
  # Wine's libraries and the X extensions its X11 driver loads at run time;
  # libz-mingw-w64 gives the builtin zlib1.dll that libwine's install script makes.
  apt-get "${opts[@]}" install -y -qq --download-only --no-install-recommends \
    "wine32=$wine_version" "libwine=$wine_version" libz-mingw-w64 libxrender1 libxrandr2 libxinerama1 \
    libxcursor1 libxi6 libxcomposite1 libxfixes3 libxxf86vm1 libasound2-plugins >/dev/null ||
    fail "the i386 Wine $wine_version could not be downloaded"
  local part=$root.part deb
  rm -rf "$part"
  mkdir -p "$part"
  for deb in "$work"/archives/*.deb; do dpkg -x "$deb" "$part"; done
  [ -x "$part/usr/lib/wine/wine" ] || fail "the unpacked i386 Wine has no loader"

  # libwine's install script: zlib1.dll as a builtin DLL.
  local mingw arch in out
  for mingw in i686 x86_64; do
    arch=$mingw
    [ "$mingw" = i686 ] && arch=i386
    in=$(ls "$part/usr/$mingw-w64-mingw32/lib/"zlib*.dll 2>/dev/null | head -n 1)
    [ -n "$in" ] || continue
    out=$part/usr/lib/i386-linux-gnu/wine/$arch-windows/$(basename "$in")
    mkdir -p "$(dirname "$out")"
    { head -c 64 "$in"; printf 'Wine builtin DLL'; printf '\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0'; tail -c +97 "$in"; } >"$out"
  done
  # Wine starts every new process, and its own first re-exec, through
  # <bindir>/wine-preloader LOADER ARGS: here that runs it under qemu.
  printf '#!/bin/sh\nexec qemu-i386 -L "%s" "$@"\n' "$root" >"$part/usr/lib/wine/wine-preloader"
  chmod +x "$part/usr/lib/wine/wine-preloader"
  # A library cache of its own: without it the i386 loader reads the host's.
  printf 'include /etc/ld.so.conf.d/*.conf\n' >"$part/etc/ld.so.conf"
  mkdir -p "$part/etc/ld.so.conf.d"
  [ -e "$part/etc/ld.so.conf.d/i386-linux-gnu.conf" ] ||
    printf '/usr/local/lib/i386-linux-gnu\n/lib/i386-linux-gnu\n/usr/lib/i386-linux-gnu\n' \
      >"$part/etc/ld.so.conf.d/i386-linux-gnu.conf"
  ldconfig -r "$part" 2>/dev/null || fail "ldconfig could not make the root's library cache"
  # Under -L the root's empty font folders would hide the host's fonts.
  rm -rf "$part/usr/share/fonts" "$part/usr/share/wine/fonts"
  rm -rf "$root"
  mv "$part" "$root"
  # The root's paths are written into its preloader: checked where it stands.
  qemu-i386 -L "$root" "$root/usr/lib/wine/wine" --version >/dev/null 2>&1 ||
    fail "the 32-bit Wine does not start under qemu-i386"
  touch "$root/.complete"
  rm -rf "$work/archives"
}

case "${1:-}" in
  prepare)
    [ -n "$wine_version" ] || fail "the 64-bit Wine (libwine) is not installed"
    if [ -e "$root/.complete" ] && qemu_ok; then exit 0; fi
    install_qemu
    if [ ! -e "$root/.complete" ]; then
      echo "wine32-root: unpacking the i386 Wine $wine_version into $root"
      unpack_wine
    fi
    rm -f "$reason_file"
    ;;
  path)
    if [ -e "$root/.complete" ] && qemu_ok; then
      echo "$root"
    elif [ -s "$reason_file" ]; then
      cat "$reason_file" >&2
      exit 1
    else
      echo "the 32-bit Wine under qemu has not been prepared (scripts/wine32-root.sh prepare)" >&2
      exit 1
    fi
    ;;
  *)
    echo "usage: $0 prepare|path" >&2
    exit 2
    ;;
esac
