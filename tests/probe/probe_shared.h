// The request block that wzrvprobe.exe places in the program's memory and that
// wzrvprobehook.dll fills with the system menu as UTF-8 lines.
#pragma once

#include <windows.h>

struct ProbeMenuRequest {
  DWORD hwnd;    // the window whose system menu is read
  DWORD length;  // bytes of text written
  char text[60000];
};

// The hook's exported thread procedure (linked with --kill-at: no @4 suffix).
#define PROBE_HOOK_EXPORT "ProbeReadSystemMenu"
