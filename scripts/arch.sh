#!/usr/bin/env bash
# Prints which Windows build this machine runs under Wine: win32 (the 32-bit
# program, the 32-bit Wine) or win64 (the x86-64 program under the 64-bit Wine
# alone). Some x86-64 kernels run no 32-bit code at all ("32-bit emulation
# disabled"): every i386 program, the 32-bit Wine loader among them, fails with
# "Exec format error". This is found out by running a minimal 32-bit ELF that
# only exits, so it works before anything is installed.
# WZRV_FORCE_WIN64=1 chooses win64 on any machine.
set -u

runs_32bit() {
  local elf
  elf=$(mktemp "${TMPDIR:-/tmp}/wzrv-i386.XXXXXX") || return 1
  # ELF header (52 bytes) and one program header (32 bytes) loading the file at
  # 0x08048000; the code at 0x08048054 is: mov eax, 1; xor ebx, ebx; int 0x80.
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$elf"
  printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$elf"
  printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >>"$elf"
  printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$elf"
  printf '\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000' >>"$elf"
  printf '\270\001\000\000\000\061\333\315\200' >>"$elf"
  chmod +x "$elf"
  local status=1
  if "$elf" 2>/dev/null; then status=0; fi
  rm -f "$elf"
  return $status
}

if [ "${WZRV_FORCE_WIN64:-0}" = 1 ]; then
  echo win64
elif runs_32bit; then
  echo win32
else
  echo win64
fi
