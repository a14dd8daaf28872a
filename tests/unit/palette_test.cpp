#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "palette/palette_core.h"
#include "tests/support/memory_profile.h"

namespace {

using wzrv::AppPaletteBase;
using wzrv::MemoryProfile;

const char kSection[] = "Windows-Zorvel";

std::string Key(int i) { return "ApplicationColor(" + std::to_string(i) + ")"; }

// n colour sets: the three defaults over and over.
std::vector<PaletteSet> Defaults(int n) {
  const std::vector<PaletteSet> three = DefaultPaletteSets();
  std::vector<PaletteSet> sets;
  for (int i = 0; i < n; ++i) sets.push_back(three[i % 3]);
  return sets;
}

// Records what reaches the palette.
class RecordingPalette : public AppPaletteBase {
 public:
  using AppPaletteBase::AppPaletteBase;
  struct Change {
    int p;
    unsigned char r, g, b;
  };
  std::vector<Change> changes;

 protected:
  void AnimateEntry(int p, unsigned char r, unsigned char g, unsigned char b) override {
    changes.push_back({p, r, g, b});
  }
};

void ExpectColor(const PaletteSet& s, int r, int g, int b) {
  EXPECT_EQ(s.r, r);
  EXPECT_EQ(s.g, g);
  EXPECT_EQ(s.b, b);
}

TEST(PaletteDefaults, ThreeOrangeSetsWithTheirNames) {
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(DefColors[i][0], 255);
    EXPECT_EQ(DefColors[i][1], 136);
    EXPECT_EQ(DefColors[i][2], 0);
  }
  // Shift-JIS at run time: "Field 色(六角)" and so on.
  EXPECT_STREQ(ColorNames[0], "Field \x90\x46(\x98\x5a\x8a\x70)");
  EXPECT_STREQ(ColorNames[1], "Field \x90\x46(\x94\xaa\x8a\x70)");
  EXPECT_STREQ(ColorNames[2], "Field \x90\x46(\x83\x7e\x83\x6a)");
}

TEST(ColorValue, ScansAsPercentDCommaSeparated) {
  int r = -1, g = -1, b = -1;
  EXPECT_TRUE(wzrv::ParseColorValue("255,136,0", &r, &g, &b));
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 136);
  EXPECT_EQ(b, 0);
  EXPECT_TRUE(wzrv::ParseColorValue(" 0, 128,\t255", &r, &g, &b));
  EXPECT_EQ(r, 0);
  EXPECT_EQ(g, 128);
  EXPECT_EQ(b, 255);
  EXPECT_TRUE(wzrv::ParseColorValue("10,20,30xyz", &r, &g, &b));
  EXPECT_EQ(b, 30);
  EXPECT_TRUE(wzrv::ParseColorValue("-1,+2,300", &r, &g, &b));
  EXPECT_EQ(r, -1);
  EXPECT_EQ(g, 2);
  EXPECT_EQ(b, 300);
  EXPECT_TRUE(wzrv::ParseColorValue("99999999999,0,0", &r, &g, &b));
  EXPECT_EQ(r, 2147483647);

  for (const char* bad : {"", "0 ,128,255", "1,2", "1,,2,3", "a,1,2", "1;2;3", "1,2,", "1, 2 ,3",
                          "-,1,2"}) {
    EXPECT_FALSE(wzrv::ParseColorValue(bad, &r, &g, &b)) << bad;
  }
  EXPECT_FALSE(wzrv::ParseColorValue(nullptr, &r, &g, &b));
}

TEST(ColorValue, KeysAndValuesAsStored) {
  char buf[wzrv::ColorKeySize];
  wzrv::FormatColorKey(2, buf);
  EXPECT_STREQ(buf, "ApplicationColor(2)");
  wzrv::FormatColorValue(255, 136, 0, buf);
  EXPECT_STREQ(buf, "255,136,0");
  EXPECT_EQ(wzrv::PaletteRGB(255, 136, 0), 0x020088FFu);
}

TEST(PaletteSettings, EmptyProfileWritesThreeDefaultKeys) {
  MemoryProfile profile;
  AppPaletteBase pal(profile, kSection, Defaults(3).data(), 3);
  ASSERT_EQ(pal.PalNum, 3);
  EXPECT_EQ(pal.dlgnow, 0);
  EXPECT_EQ(profile.KeyCount(kSection), 3u);
  for (int i = 0; i < 3; ++i) {
    ExpectColor(pal.NowUse[i], 255, 136, 0);
    EXPECT_EQ(pal.NowUse[i].PaletteName, ColorNames[i]);
    EXPECT_EQ(pal.Bind[i], i);
    EXPECT_EQ(profile.Value(kSection, Key(i)), "255,136,0");
  }
  EXPECT_STREQ(pal.ininame.get(), kSection);
  EXPECT_NE(pal.ininame.get(), kSection) << "the section name is an own copy";
}

TEST(PaletteSettings, BlankAfterCommaReadsWithoutRewrite) {
  MemoryProfile profile;
  profile.Set(kSection, Key(0), "1,2,3");
  profile.Set(kSection, Key(1), "0, 128,255");
  profile.Set(kSection, Key(2), "10,20,30xyz");
  AppPaletteBase pal(profile, kSection, Defaults(3).data(), 3);
  ExpectColor(pal.NowUse[0], 1, 2, 3);
  ExpectColor(pal.NowUse[1], 0, 128, 255);
  ExpectColor(pal.NowUse[2], 10, 20, 30);
  EXPECT_EQ(profile.writes, 0);
  EXPECT_EQ(profile.Value(kSection, Key(2)), "10,20,30xyz");
}

TEST(PaletteSettings, BlankBeforeCommaRewritesAllKeysWithValuesRead) {
  MemoryProfile profile;
  profile.Set(kSection, Key(0), "1,2,3");
  profile.Set(kSection, Key(1), "0 ,128,255");
  profile.Set(kSection, Key(2), "7,8,9trailing");
  AppPaletteBase pal(profile, kSection, Defaults(3).data(), 3);
  ExpectColor(pal.NowUse[0], 1, 2, 3);
  ExpectColor(pal.NowUse[1], 255, 136, 0);
  ExpectColor(pal.NowUse[2], 7, 8, 9);
  EXPECT_EQ(profile.writes, 3);
  EXPECT_EQ(profile.Value(kSection, Key(0)), "1,2,3");
  EXPECT_EQ(profile.Value(kSection, Key(1)), "255,136,0");
  EXPECT_EQ(profile.Value(kSection, Key(2)), "7,8,9");
}

TEST(PaletteSettings, OutOfRangeNumbersKeepTheirLowByte) {
  MemoryProfile profile;
  profile.Set(kSection, Key(0), "256,-1,511");
  profile.Set(kSection, Key(1), "0,0,0");
  profile.Set(kSection, Key(2), "0,0,0");
  AppPaletteBase pal(profile, kSection, Defaults(3).data(), 3);
  ExpectColor(pal.NowUse[0], 0, 255, 255);
  EXPECT_EQ(profile.writes, 0);
}

TEST(PaletteSettings, NullSectionReadsDefaultsAndWritesNothing) {
  MemoryProfile profile;
  AppPaletteBase pal(profile, nullptr, Defaults(3).data(), 3);
  EXPECT_EQ(pal.ininame, nullptr);
  ExpectColor(pal.NowUse[1], 255, 136, 0);
  EXPECT_EQ(profile.writes, 0);
}

TEST(PaletteSettings, SaveWritesNowUse) {
  MemoryProfile profile;
  AppPaletteBase pal(profile, kSection, Defaults(3).data(), 3);
  pal.NowUse[2].r = 1;
  pal.NowUse[2].g = 22;
  pal.NowUse[2].b = 233;
  pal.SavePaletteSetting();
  EXPECT_EQ(profile.Value(kSection, Key(2)), "1,22,233");
  EXPECT_EQ(profile.Value(kSection, Key(0)), "255,136,0");
}

TEST(PaletteSettings, MoreThan256SetsGive256EntriesButCopyAll) {
  MemoryProfile profile;
  const int n = 300;
  AppPaletteBase pal(profile, kSection, Defaults(n).data(), n);
  EXPECT_EQ(pal.PalNum, 256);
  EXPECT_EQ(pal.SetCount, n);
  EXPECT_EQ(pal.NowUse[299].PaletteName, ColorNames[299 % 3]);
  ExpectColor(pal.NowUse[299], 255, 136, 0);
  EXPECT_EQ(pal.Bind[299], 299);
  EXPECT_EQ(profile.KeyCount(kSection), 256u);
  EXPECT_TRUE(profile.Has(kSection, Key(255)));
  EXPECT_FALSE(profile.Has(kSection, Key(256)));
  EXPECT_EQ(pal.LogicalPalette().size(), 256u);
}

TEST(PaletteBinding, AnimateWithoutPaletteStillBinds) {
  MemoryProfile profile;
  AppPaletteBase pal(profile, kSection, Defaults(3).data(), 3);
  pal.Animate(0, 1);
  EXPECT_EQ(pal.Bind[0], 1);
  pal.Animate(2, 0x12, 0x34, 0x56);
  EXPECT_TRUE(wzrv::IsFixedBinding(pal.Bind[2]));
  EXPECT_EQ(static_cast<unsigned long>(pal.Bind[2]) & 0xFFFFFFFFul, 0xFF563412ul);
}

TEST(PaletteBinding, EntriesFollowTheirSetOrFixedColour) {
  MemoryProfile profile;
  RecordingPalette pal(profile, kSection, Defaults(3).data(), 3);
  pal.NowUse[1] = {ColorNames[1], 0, 128, 255};
  pal.Animate(0, 1);
  ASSERT_EQ(pal.changes.size(), 1u);
  EXPECT_EQ(pal.changes[0].p, 0);
  EXPECT_EQ(pal.changes[0].b, 255);
  pal.Animate(2, 9, 8, 7);
  ASSERT_EQ(pal.changes.size(), 2u);
  EXPECT_EQ(pal.changes[1].r, 9);

  unsigned char r, g, b;
  pal.BoundColor(0, &r, &g, &b);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(g, 128);
  EXPECT_EQ(b, 255);
  // A later edit of the set shows through the entry bound to it.
  pal.NowUse[1].g = 5;
  pal.BoundColor(0, &r, &g, &b);
  EXPECT_EQ(g, 5);
  pal.BoundColor(2, &r, &g, &b);
  EXPECT_EQ(r, 9);
  EXPECT_EQ(g, 8);
  EXPECT_EQ(b, 7);
  pal.BoundColor(1, &r, &g, &b);
  EXPECT_EQ(r, 0);
}

TEST(PaletteBinding, LogicalPaletteHasOneReservedEntryPerSet) {
  MemoryProfile profile;
  profile.Set(kSection, Key(0), "1,2,3");
  profile.Set(kSection, Key(1), "4,5,6");
  profile.Set(kSection, Key(2), "7,8,9");
  AppPaletteBase pal(profile, kSection, Defaults(3).data(), 3);
  const auto entries = pal.LogicalPalette();
  ASSERT_EQ(entries.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(entries[i].red, pal.NowUse[i].r);
    EXPECT_EQ(entries[i].green, pal.NowUse[i].g);
    EXPECT_EQ(entries[i].blue, pal.NowUse[i].b);
    EXPECT_EQ(entries[i].flags, 1);
  }
  EXPECT_EQ(pal.GetRGB(1), 0x02060504u);
}

}  // namespace
