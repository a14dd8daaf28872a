#include "tests/support/memory_profile.h"

#include <gtest/gtest.h>

using wzrv::MemoryProfile;

TEST(MemoryProfile, ReadsDefaultCutsToTheBufferAndIgnoresCase) {
  MemoryProfile p;
  char buf[6];
  EXPECT_EQ(p.GetString("Sec", "Key", "dflt", buf, sizeof(buf)), 4u);
  EXPECT_STREQ(buf, "dflt");
  EXPECT_TRUE(p.WriteString("Sec", "Key", "0123456789"));
  EXPECT_EQ(p.GetString("SEC", "kEY", "dflt", buf, sizeof(buf)), 5u);
  EXPECT_STREQ(buf, "01234");
  EXPECT_EQ(p.GetString("Sec", "Key", nullptr, buf, 1), 0u);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(p.KeyCount("sec"), 1u);
  EXPECT_EQ(p.writes, 1);
}

TEST(MemoryProfile, NullNamesReadTheDefaultAndWriteNothing) {
  MemoryProfile p;
  char buf[8];
  EXPECT_FALSE(p.WriteString(nullptr, "Key", "v"));
  EXPECT_FALSE(p.WriteString("Sec", nullptr, "v"));
  EXPECT_EQ(p.GetString(nullptr, "Key", "d", buf, sizeof(buf)), 1u);
  EXPECT_STREQ(buf, "d");
  EXPECT_EQ(p.writes, 0);
  EXPECT_TRUE(p.WriteString("Sec", "Key", "v"));
  EXPECT_TRUE(p.WriteString("Sec", "Key", nullptr));  // a null value removes the key
  EXPECT_FALSE(p.Has("Sec", "Key"));
}

namespace wzrv {
namespace {

// A notice that settings changed is the program's only when it names its
// section, in any case; a notice without a name (or of another section) is not.
TEST(SettingsNotice, NamesTheProgramsSectionInAnyCase) {
  EXPECT_TRUE(NamesProgramSection("Windows-Zorvel"));
  EXPECT_TRUE(NamesProgramSection("WINDOWS-zorvel"));
  EXPECT_FALSE(NamesProgramSection(nullptr));
  EXPECT_FALSE(NamesProgramSection(""));
  EXPECT_FALSE(NamesProgramSection("intl"));
  EXPECT_FALSE(NamesProgramSection("Windows-Zorvel2"));
  EXPECT_FALSE(NamesProgramSection("Windows-Zorve"));
}

}  // namespace
}  // namespace wzrv
