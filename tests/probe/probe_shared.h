// The request block that wzrvprobe.exe places in the program's memory and that
// wzrvprobehook.dll fills with the system menu as UTF-8 lines.
#pragma once

#include <windows.h>

#include <string>

struct ProbeMenuRequest {
  DWORD hwnd;    // the window whose system menu is read
  DWORD length;  // bytes of text written
  char text[60000];
};

// The hook's exported thread procedure (linked with --kill-at: no @4 suffix).
#define PROBE_HOOK_EXPORT "ProbeReadSystemMenu"

// UTF-8 of a wide text.
inline std::string Utf8(const std::wstring& w) {
  if (w.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), &out[0], n, nullptr, nullptr);
  return out;
}

// A field value as printed: tab, line breaks and backslash escaped.
inline std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\\') out += "\\\\";
    else out += c;
  }
  return out;
}
