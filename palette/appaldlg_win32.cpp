#include "palette/appaldlg.h"

#include <cstdlib>
#include <vector>

#include "base/profile_win32.h"
#include "base/trace.h"
// Last: it may replace GDI calls by counting ones.
#include "base/gdi_win32.h"

LONG_PTR APDLG_LONG = 0;

namespace {

// The display is a palette device.
int TestPaletteDevice(HWND hwnd) {
  const wzrv::WindowDC dc(hwnd);
  if (dc == nullptr) return 0;
  return (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0 ? 1 : 0;
}

}  // namespace

AppPalette::AppPalette(HINSTANCE hinst, HWND hwnd, const char* ininame, const PaletteSet* palset,
                       int numpal)
    : wzrv::AppPaletteBase(wzrv::WindowsProfile(), ininame, palset, numpal),
      hInstance(hinst),
      hWnd(hwnd) {
  HavePalette = TestPaletteDevice(hwnd);
  if (HavePalette) {
    // The record has room for 256 entries; only PalNum are used.
    const std::size_t bytes = sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY);
    std::vector<unsigned char> storage(bytes, 0);
    LOGPALETTE* lp = reinterpret_cast<LOGPALETTE*>(storage.data());
    lp->palVersion = wzrv::PaletteVersion;
    lp->palNumEntries = static_cast<WORD>(PalNum);
    const std::vector<wzrv::PaletteEntry> entries = LogicalPalette();
    for (int i = 0; i < PalNum; ++i) {
      lp->palPalEntry[i].peRed = entries[i].red;
      lp->palPalEntry[i].peGreen = entries[i].green;
      lp->palPalEntry[i].peBlue = entries[i].blue;
      lp->palPalEntry[i].peFlags = PC_RESERVED;
    }
    AppPal = CreatePalette(lp);
  }
  wzrv::Trace("palette device=%d palette=%d entries=%d", HavePalette, AppPal != nullptr ? 1 : 0,
              PalNum);
}

AppPalette::~AppPalette() {
  if (AppPal != nullptr) DeleteObject(AppPal);
  AppPal = nullptr;
}

void AppPalette::AnimateEntry(int p, unsigned char r, unsigned char g, unsigned char b) {
  if (AppPal == nullptr) return;
  PALETTEENTRY e = {r, g, b, PC_RESERVED};
  AnimatePalette(AppPal, static_cast<UINT>(p), 1, &e);
}

void AppPalette::AllSet() {
  if (AppPal == nullptr) return;
  const wzrv::WindowDC dc(hWnd);
  const wzrv::SelectedPalette selected(dc, AppPal);
  for (int i = 0; i < PalNum; ++i) {
    unsigned char r, g, b;
    BoundColor(i, &r, &g, &b);
    AnimateEntry(i, r, g, b);
  }
}

int AppPalette::Realize() {
  wzrv::Trace("Realize");
  if (AppPal == nullptr) return 0;
  const wzrv::WindowDC dc(hWnd);
  if (dc == nullptr) return 0;
  return Realize(dc);
}

int AppPalette::Realize(HDC hdc) {
  if (AppPal == nullptr) return 0;
  const wzrv::SelectedPalette selected(hdc, AppPal);
  return static_cast<int>(RealizePalette(hdc));
}

