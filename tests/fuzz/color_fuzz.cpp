// Fuzz target for the colour settings values: the input, split at line
// breaks, gives the stored "ApplicationColor(%d)" values of the three colour
// sets; the colours are loaded, written back and loaded again.
//
// Checks the value scan against the C library's sscanf (for numbers inside
// the int range), that loading never fails, and that whatever was loaded is
// written as values that load back to the same colours without a rewrite.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "palette/palette_core.h"
#include "tests/support/memory_profile.h"

namespace {

const char kSection[] = "Windows-Zorvel";

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "color_fuzz: %s\n", what);
    std::abort();
  }
}

std::string Key(int i) {
  char key[wzrv::ColorKeySize];
  wzrv::FormatColorKey(i, key);
  return key;
}

// True when no run of digits could leave the int range (sscanf's result is
// then unspecified).
bool SmallNumbers(const std::string& s) {
  std::size_t run = 0;
  for (char c : s) {
    run = (c >= '0' && c <= '9') ? run + 1 : 0;
    if (run > 9) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string values[3];
  bool present[3] = {false, false, false};
  std::size_t start = 0;
  for (int i = 0; i < 3 && start <= text.size(); ++i) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string v = text.substr(start, end - start);
    values[i] = v.substr(0, v.find('\0'));
    present[i] = true;
    start = end + 1;
  }

  // The scan agrees with sscanf on the value as it is read from the profile.
  for (int i = 0; i < 3; ++i) {
    const std::string read = values[i].substr(0, wzrv::ColorValueSize - 1);
    if (!SmallNumbers(read)) continue;
    int r = -1, g = -1, b = -1, sr = -1, sg = -1, sb = -1;
    const bool ok = wzrv::ParseColorValue(read.c_str(), &r, &g, &b);
    const bool sok = std::sscanf(read.c_str(), "%d,%d,%d", &sr, &sg, &sb) == 3;
    Check(ok == sok, "the scan and sscanf disagree on a value");
    if (ok) Check(r == sr && g == sg && b == sb, "the scan and sscanf read different numbers");
  }

  wzrv::MemoryProfile profile;
  for (int i = 0; i < 3; ++i)
    if (present[i]) profile.Set(kSection, Key(i), values[i]);

  unsigned char loaded[3][3];
  {
    wzrv::AppPaletteBase pal(profile, kSection, DefaultPaletteSets().data(), 3);
    for (int i = 0; i < 3; ++i) {
      loaded[i][0] = pal.NowUse[i].r;
      loaded[i][1] = pal.NowUse[i].g;
      loaded[i][2] = pal.NowUse[i].b;
    }
    pal.SavePaletteSetting();
  }
  for (int i = 0; i < 3; ++i) {
    Check(profile.Has(kSection, Key(i)), "a colour key is missing after saving");
    int r, g, b;
    Check(wzrv::ParseColorValue(profile.Value(kSection, Key(i)).c_str(), &r, &g, &b),
          "a written value does not scan");
  }
  const int writes = profile.writes;
  wzrv::AppPaletteBase again(profile, kSection, DefaultPaletteSets().data(), 3);
  Check(profile.writes == writes, "written values were rewritten on the next load");
  for (int i = 0; i < 3; ++i)
    Check(again.NowUse[i].r == loaded[i][0] && again.NowUse[i].g == loaded[i][1] &&
              again.NowUse[i].b == loaded[i][2],
          "a written colour loads back differently");
  return 0;
}
