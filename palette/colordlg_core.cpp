#include "palette/colordlg_core.h"

#include <cstdint>

namespace wzrv {

bool ParseChannelText(const char* text, unsigned* value) {
  if (text == nullptr) return false;
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p < '0' || *p > '9') return false;
  std::uint64_t n = 0;
  while (*p >= '0' && *p <= '9') {
    n = n * 10 + static_cast<unsigned>(*p - '0');
    if (n > 0xFFFFFFFFull) return false;
    ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  if (*p != '\0') return false;
  *value = static_cast<unsigned>(n);
  return true;
}

unsigned char ChannelFromNumber(unsigned value) {
  return static_cast<unsigned char>(value > 255 ? 255 : value);
}

unsigned char& Channel(AppPaletteBase& pal, int n, int ch) {
  PaletteSet& s = pal.NowUse[n];
  return ch == 0 ? s.r : ch == 1 ? s.g : s.b;
}

namespace {
bool HasSelected(const AppPaletteBase& pal) {
  return !pal.NowUse.empty() && pal.dlgnow >= 0 && pal.dlgnow < pal.SetCount;
}
}  // namespace

bool ScrollStep(int code, int thumb, int* v) {
  switch (code) {
    case sb::LineLeft:
      if (*v > 0) *v -= 1;
      return true;
    case sb::LineRight:
      if (*v < 255) *v += 1;
      return true;
    case sb::PageLeft:
      if (*v >= 16) *v -= 16;
      return true;
    case sb::PageRight:
      if (*v < 240) *v += 16;
      return true;
    case sb::ThumbPosition:
      *v = thumb < 0 ? 0 : thumb > 255 ? 255 : thumb;
      return true;
    default:
      return false;
  }
}

void SetScroll(AppPaletteBase& pal, ColorDialogHost& host) {
  if (!HasSelected(pal)) return;
  pal.setting = 1;
  for (int ch = 0; ch < 3; ++ch) {
    const unsigned v = Channel(pal, pal.dlgnow, ch);
    host.SetScrollRangeAndPos(ch, static_cast<int>(v));
    host.SetEditNumber(ch, v);
  }
  pal.setting = 0;
}

void ReadColorEdits(AppPaletteBase& pal, ColorDialogHost& host) {
  if (!HasSelected(pal)) return;
  for (int ch = 0; ch < 3; ++ch) {
    char buf[32];
    host.EditText(ch, buf, sizeof(buf));
    unsigned v;
    if (ParseChannelText(buf, &v)) Channel(pal, pal.dlgnow, ch) = ChannelFromNumber(v);
  }
}

bool ColorEditChanged(AppPaletteBase& pal, ColorDialogHost& host, int ch) {
  if (pal.setting == 1) return false;
  ReadColorEdits(pal, host);
  char buf[32];
  host.EditText(ch, buf, sizeof(buf));
  unsigned v;
  if (ParseChannelText(buf, &v)) {
    host.SetScrollPos(ch, ChannelFromNumber(v));
    host.AllSet();
    host.DrawColorView();
  }
  return true;
}

bool ColorScroll(AppPaletteBase& pal, ColorDialogHost& host, int ch, int code, int thumb) {
  if (pal.setting == 1) return false;
  if (ch < 0 || ch > 2 || !HasSelected(pal)) return false;
  int v = Channel(pal, pal.dlgnow, ch);
  if (!ScrollStep(code, thumb, &v)) return true;
  // The step lands in the number field; its change report reads it back
  // into the set and repaints the swatch.
  host.SetScrollPos(ch, v);
  host.SetEditNumber(ch, static_cast<unsigned>(v));
  host.AllSet();
  return true;
}

void ColorSelect(AppPaletteBase& pal, ColorDialogHost& host, int sel) {
  if (sel < 0 || sel >= pal.SetCount) return;
  pal.dlgnow = sel;
  host.DrawColorView();
  SetScroll(pal, host);
}

void ColorDefault(AppPaletteBase& pal, ColorDialogHost& host) {
  for (int i = 0; i < pal.PalNum; ++i) pal.NowUse[i] = pal.Default[i];
  host.AllSet();
  SetScroll(pal, host);
  host.DrawColorView();
}

int ColorAccept(AppPaletteBase& pal, ColorDialogHost& host) {
  ReadColorEdits(pal, host);
  pal.status = 1;
  return 1;
}

int ColorCancel(AppPaletteBase& pal) {
  pal.status = 0;
  return 0;
}

std::vector<PaletteSet> ColorBackup(const AppPaletteBase& pal) {
  return std::vector<PaletteSet>(pal.NowUse.begin(), pal.NowUse.begin() + pal.PalNum);
}

void ColorFinish(AppPaletteBase& pal, ColorDialogHost& host, int endcode,
                 const std::vector<PaletteSet>& backup) {
  if (endcode != 0) {
    host.AllSet();
    pal.SavePaletteSetting();
  } else {
    for (std::size_t i = 0; i < backup.size() && static_cast<int>(i) < pal.PalNum; ++i) {
      pal.NowUse[i] = backup[i];
    }
    host.AllSet();
  }
}

}  // namespace wzrv
