#include "palette/palette_core.h"

#include <climits>
#include <cstdio>

#include "base/text_core.h"

const char* const ColorNames[3] = {"Field 色(六角)", "Field 色(八角)", "Field 色(ミニ)"};
const unsigned char DefColors[3][3] = {{255, 136, 0}, {255, 136, 0}, {255, 136, 0}};

std::vector<PaletteSet> DefaultPaletteSets() {
  std::vector<PaletteSet> sets;
  for (int i = 0; i < 3; ++i) {
    sets.push_back({ColorNames[i], DefColors[i][0], DefColors[i][1], DefColors[i][2]});
  }
  return sets;
}

namespace wzrv {

const char KeyColorFormat[] = "ApplicationColor(%d)";

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One "%d": blanks, an optional sign, at least one digit.
bool ScanInt(const char*& p, int* out) {
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  if (*p < '0' || *p > '9') return false;
  long long value = 0;
  while (*p >= '0' && *p <= '9') {
    if (value <= static_cast<long long>(INT_MAX) + 1) value = value * 10 + (*p - '0');
    ++p;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  if (value < INT_MIN) value = INT_MIN;
  *out = static_cast<int>(value);
  return true;
}

}  // namespace

bool ParseColorValue(const char* text, int* r, int* g, int* b) {
  if (text == nullptr) return false;
  const char* p = text;
  int v[3];
  for (int i = 0; i < 3; ++i) {
    if (!ScanInt(p, &v[i])) return false;
    if (i < 2) {
      if (*p != ',') return false;
      ++p;
    }
  }
  *r = v[0];
  *g = v[1];
  *b = v[2];
  return true;
}

void FormatColorValue(unsigned r, unsigned g, unsigned b, char* buf) {
  std::snprintf(buf, ColorValueSize, "%u,%u,%u", r, g, b);
}

void FormatColorKey(int i, char* buf) { std::snprintf(buf, ColorKeySize, KeyColorFormat, i); }

AppPaletteBase::AppPaletteBase(ProfileStore& profile, const char* name, const PaletteSet* palset,
                               int numpal)
    : ininame(CopyOf(name)), profile_(profile) {
  if (numpal < 0 || palset == nullptr) numpal = 0;
  Default.assign(palset, palset + numpal);
  SetCount = numpal;
  PalNum = numpal > MaxPaletteEntries ? MaxPaletteEntries : numpal;
  NowUse = Default;
  Bind.resize(static_cast<std::size_t>(numpal));
  for (int i = 0; i < numpal; ++i) Bind[i] = i;
  LoadPaletteSetting();
  dlgnow = 0;
}

void AppPaletteBase::LoadPaletteSetting() {
  bool rewrite = false;
  for (int i = 0; i < PalNum; ++i) {
    char key[ColorKeySize];
    char value[ColorValueSize];
    FormatColorKey(i, key);
    profile_.GetString(ininame.get(), key, "", value, sizeof value);
    int r, g, b;
    if (ParseColorValue(value, &r, &g, &b)) {
      // The channels are eight bits wide: larger numbers keep their low byte.
      NowUse[i].r = static_cast<unsigned char>(r);
      NowUse[i].g = static_cast<unsigned char>(g);
      NowUse[i].b = static_cast<unsigned char>(b);
    } else {
      rewrite = true;
    }
  }
  if (rewrite) SavePaletteSetting();
}

void AppPaletteBase::SavePaletteSetting() {
  for (int i = 0; i < PalNum; ++i) {
    char key[ColorKeySize];
    char value[ColorValueSize];
    FormatColorKey(i, key);
    FormatColorValue(NowUse[i].r, NowUse[i].g, NowUse[i].b, value);
    profile_.WriteString(ininame.get(), key, value);
  }
}

void AppPaletteBase::Animate(int p, int n) {
  Bind[p] = n;
  AnimateEntry(p, NowUse[n].r, NowUse[n].g, NowUse[n].b);
}

void AppPaletteBase::Animate(int p, unsigned char r, unsigned char g, unsigned char b) {
  Bind[p] = FixedBinding(r, g, b);
  AnimateEntry(p, r, g, b);
}

void AppPaletteBase::BoundColor(int p, unsigned char* r, unsigned char* g,
                                unsigned char* b) const {
  const long bind = Bind[p];
  if (IsFixedBinding(bind)) {
    const auto v = static_cast<std::uint32_t>(bind);
    *r = static_cast<unsigned char>(v & 0xFF);
    *g = static_cast<unsigned char>((v >> 8) & 0xFF);
    *b = static_cast<unsigned char>((v >> 16) & 0xFF);
  } else {
    const PaletteSet& set = NowUse[bind];
    *r = set.r;
    *g = set.g;
    *b = set.b;
  }
}

std::uint32_t AppPaletteBase::GetRGB(int n) const {
  return PaletteRGB(NowUse[n].r, NowUse[n].g, NowUse[n].b);
}

std::vector<PaletteEntry> AppPaletteBase::LogicalPalette() const {
  std::vector<PaletteEntry> entries(static_cast<std::size_t>(PalNum));
  for (int i = 0; i < PalNum; ++i)
    entries[i] = {NowUse[i].r, NowUse[i].g, NowUse[i].b, PaletteReserved};
  return entries;
}

void AppPaletteBase::AnimateEntry(int, unsigned char, unsigned char, unsigned char) {}

}  // namespace wzrv
