// The field colours. For now the object holds the three colour sets it is
// given; the palette, its settings and the colour dialog come next.
#pragma once

#include <windows.h>

#include "palette/palette_core.h"

class AppPalette {
 public:
  AppPalette(HINSTANCE hinst, HWND hwnd, const char* ininame, PaletteSet* defaults, int num);
  ~AppPalette();

  int Realize();
  int ChangeDialog();

  HINSTANCE hInstance;
  HWND hWnd;
  int PalNum;
  PaletteSet* Default;
};
