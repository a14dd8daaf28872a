#include "palette/appaldlg.h"

#include "shell/trace.h"

AppPalette::AppPalette(HINSTANCE hinst, HWND hwnd, const char*, PaletteSet* defaults, int num)
    : hInstance(hinst), hWnd(hwnd), PalNum(num), Default(defaults) {}

AppPalette::~AppPalette() { delete[] Default; }

int AppPalette::Realize() {
  wzrv::Trace("Realize");
  return 0;
}

int AppPalette::ChangeDialog() {
  wzrv::Trace("ColorDialog");
  return 0;
}
