// The field colours of the program: the platform-free colour model with the
// module instance, the owner window and, on a palette display, the small
// logical palette of reserved entries that shows the colour sets.
#pragma once

#include <windows.h>

#include <vector>

#include "palette/palette_core.h"

class AppPalette : public wzrv::AppPaletteBase {
 public:
  // Copies the `numpal` default records of `palset`, loads the stored colours
  // from the profile section `ininame`, tests the display and, on a palette
  // device, creates the palette (not realised yet).
  AppPalette(HINSTANCE hinst, HWND hwnd, const char* ininame, const PaletteSet* palset, int numpal);
  ~AppPalette() override;

  // Pushes every entry's bound colour into the palette.
  void AllSet();
  // Selects and realises the palette in the main window's device context, or
  // in `hdc`; the number of entries mapped, 0 without a palette.
  int Realize();
  int Realize(HDC hdc);
  HPALETTE Palette() const { return AppPal; }
  // Runs the colour dialog; non-zero when the edits were accepted.
  int ChangeDialog();
  static INT_PTR CALLBACK DLGProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // Fills the scroll bars and number fields of dialog `wnd` from the
  // selected colour set.
  static void SetScroll(AppPalette* apal, HWND wnd);
  // Repaints the swatch control `hwndbx` in the selected set's colour.
  static void DrawColorView(AppPalette* apal, HWND hwndbx);

  HINSTANCE hInstance;
  HWND hWnd;
  HPALETTE AppPal = nullptr;
  int HavePalette = 0;
  RECT ownrect = {0, 0, 0, 0};
  HBRUSH hbr = nullptr, hbg = nullptr, hbb = nullptr;
  std::vector<PaletteSet> Backup;  // the colours in use while the dialog is open

 protected:
  void AnimateEntry(int p, unsigned char r, unsigned char g, unsigned char b) override;
};

// The palette object whose colour dialog is being opened.
extern LONG_PTR APDLG_LONG;

// The exported name of the colour dialog's procedure.
extern "C" __declspec(dllexport) INT_PTR CALLBACK AppPaletteDLGProc(HWND, UINT, WPARAM, LPARAM);
