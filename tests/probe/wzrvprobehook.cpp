// Loaded into the program's process by wzrvprobe.exe: reads a window's system
// menu (which only code inside that process can see) into a request block.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "probe_shared.h"

namespace {

}  // namespace

extern "C" __declspec(dllexport) DWORD WINAPI ProbeReadSystemMenu(LPVOID param) {
  auto* req = static_cast<ProbeMenuRequest*>(param);
  HWND hwnd = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(req->hwnd));
  std::string out;
  HMENU menu = GetSystemMenu(hwnd, FALSE);
  if (menu == nullptr) {
    out = "error\tmessage=GetSystemMenu failed\n";
  } else {
    int count = GetMenuItemCount(menu);
    char line[200];
    std::snprintf(line, sizeof line, "menu\thmenu=0x%lx\tcount=%d\n",
                  static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(menu)), count);
    out += line;
    for (int i = 0; i < count; ++i) {
      wchar_t text[512] = L"";
      MENUITEMINFOW mii = {};
      mii.cbSize = sizeof mii;
      mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING;
      mii.dwTypeData = text;
      mii.cch = 511;
      if (!GetMenuItemInfoW(menu, i, TRUE, &mii)) {
        std::snprintf(line, sizeof line, "item\tpos=%d\terror=%lu\n", i, GetLastError());
        out += line;
        continue;
      }
      const bool separator = (mii.fType & MFT_SEPARATOR) != 0;
      std::snprintf(line, sizeof line, "item\tpos=%d\tid=0x%x\tseparator=%d\tstate=0x%x\ttype=0x%x\ttext=", i,
                    mii.wID, separator ? 1 : 0, mii.fState, mii.fType);
      out += line;
      out += Escape(separator ? std::string() : Utf8(text));
      out += "\n";
    }
  }
  // The restored ("normal") position is known only inside the process.
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof wp;
  if (GetWindowPlacement(hwnd, &wp)) {
    char line[200];
    std::snprintf(line, sizeof line, "placement\tshow=%u\tnormal=%ld,%ld,%ld,%ld\n", wp.showCmd,
                  wp.rcNormalPosition.left, wp.rcNormalPosition.top, wp.rcNormalPosition.right,
                  wp.rcNormalPosition.bottom);
    out += line;
  }
  if (out.size() > sizeof req->text) out.resize(sizeof req->text);
  std::memcpy(req->text, out.data(), out.size());
  req->length = static_cast<DWORD>(out.size());
  return 1;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
