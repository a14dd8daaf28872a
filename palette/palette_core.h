// The field colours: named colour sets, the three defaults, their settings
// text in the profile, the binding of palette entries to colour sets and the
// record of the small reserved logical palette that shows them. Everything
// here is platform-free; the Windows AppPalette (appaldlg.h) adds the GDI
// palette and the colour dialog.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/profile_core.h"

struct PaletteSet {
  const char* PaletteName;  // display name; static text, not owned
  unsigned char r;
  unsigned char g;
  unsigned char b;
};

// Names and default colours of the three colour sets, by pattern type.
extern const char* const ColorNames[3];
extern const unsigned char DefColors[3][3];
// The three colour sets with their names and default colours.
std::vector<PaletteSet> DefaultPaletteSets();

namespace wzrv {

constexpr int MaxPaletteEntries = 256;
constexpr std::size_t ColorKeySize = 100;    // "ApplicationColor(%d)" formatted
constexpr std::size_t ColorValueSize = 100;  // a stored "r,g,b"
extern const char KeyColorFormat[];          // "ApplicationColor(%d)"

// Scans "%d,%d,%d" as the C library's scanf does: blanks before each number
// are skipped, each comma must follow its number directly, anything after the
// third number is ignored. True when all three numbers were converted; a
// number beyond the int range saturates.
bool ParseColorValue(const char* text, int* r, int* g, int* b);
// "r,g,b" as unsigned decimal numbers into `buf` (ColorValueSize bytes).
void FormatColorValue(unsigned r, unsigned g, unsigned b, char* buf);
// The settings key of colour set i into `buf` (ColorKeySize bytes).
void FormatColorKey(int i, char* buf);

// A colour as the platform's palette-relative reference: 0x02 in the top
// byte, then blue, green, red.
constexpr std::uint32_t PaletteRGB(unsigned char r, unsigned char g, unsigned char b) {
  return 0x02000000u | (static_cast<std::uint32_t>(b) << 16) |
         (static_cast<std::uint32_t>(g) << 8) | r;
}

// A palette entry's binding: a colour-set index (top byte 0) or a fixed
// colour (top byte non-zero; red in bits 0-7, green 8-15, blue 16-23).
constexpr long FixedBinding(unsigned char r, unsigned char g, unsigned char b) {
  return static_cast<long>(0xFF000000u | (static_cast<std::uint32_t>(b) << 16) |
                           (static_cast<std::uint32_t>(g) << 8) | r);
}
constexpr bool IsFixedBinding(long bind) {
  return (static_cast<std::uint32_t>(bind) & 0xFF000000u) != 0;
}

// One entry of a logical palette.
struct PaletteEntry {
  unsigned char red;
  unsigned char green;
  unsigned char blue;
  unsigned char flags;
};
constexpr unsigned char PaletteReserved = 0x01;  // may be animated; nothing else maps onto it
constexpr unsigned short PaletteVersion = 0x300;

// The platform-free colour model: the defaults it is given, the working copy
// and the bindings; reads and writes its colours through a ProfileStore. The
// palette itself is reached through AnimateEntry, which the Windows class
// provides (the base has no palette and does nothing).
class AppPaletteBase {
 public:
  // Copies the `numpal` records of `palset` as the defaults and the section
  // name (may be null), then loads the stored colours. `profile` must
  // outlive the object.
  AppPaletteBase(ProfileStore& profile, const char* ininame, const PaletteSet* palset, int numpal);
  virtual ~AppPaletteBase() = default;
  AppPaletteBase(const AppPaletteBase&) = delete;
  AppPaletteBase& operator=(const AppPaletteBase&) = delete;

  // Reads every colour set's key; a missing or malformed value keeps that
  // set as it is and makes all keys be written again.
  void LoadPaletteSetting();
  // Writes every colour set of NowUse.
  void SavePaletteSetting();

  // Binds palette entry p to colour set n and shows it at once.
  void Animate(int p, int n);
  // Binds palette entry p to a fixed colour and shows it at once.
  void Animate(int p, unsigned char r, unsigned char g, unsigned char b);
  // The colour that entry p's binding gives.
  void BoundColor(int p, unsigned char* r, unsigned char* g, unsigned char* b) const;
  // Colour set n as a palette-relative colour reference.
  std::uint32_t GetRGB(int n) const;
  // The entries of the logical palette: one per colour set, all reserved.
  std::vector<PaletteEntry> LogicalPalette() const;

  int PalNum = 0;                   // colour sets and palette entries; at most 256
  int SetCount = 0;                 // colour sets handed over (NowUse's length)
  std::vector<PaletteSet> Default;  // the defaults handed over
  std::vector<PaletteSet> NowUse;   // colours in use
  std::vector<long> Bind;           // binding of each palette entry
  std::unique_ptr<char[]> ininame;  // own copy of the section name, or null
  int dlgnow = 0;                   // colour set selected in the dialog
  int status = 0;                   // 1 after the dialog was accepted, 0 after Cancel
  int setting = 0;                  // 1 while the dialog fills its controls

 protected:
  // Changes palette entry p to the colour at once; nothing without a palette.
  virtual void AnimateEntry(int p, unsigned char r, unsigned char g, unsigned char b);

 private:
  ProfileStore& profile_;
};

}  // namespace wzrv
