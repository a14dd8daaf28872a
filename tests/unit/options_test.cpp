#include "shell/options.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using wzrv::ScanOptions;
using wzrv::SO_LockAtStart;
using wzrv::SO_Transparent;

TEST(OptionScan, EmptyOrMissingCommandLineSetsNothing) {
  EXPECT_EQ(ScanOptions(""), 0);
  EXPECT_EQ(ScanOptions(nullptr), 0);
  EXPECT_EQ(ScanOptions("hello world"), 0);
}

TEST(OptionScan, EachLetterNeedsItsOwnPrefix) {
  EXPECT_EQ(ScanOptions("-ot"), SO_LockAtStart);
  EXPECT_EQ(ScanOptions("-to"), SO_Transparent);
  EXPECT_EQ(ScanOptions("-o -t"), SO_LockAtStart | SO_Transparent);
  EXPECT_EQ(ScanOptions("/o/t"), SO_LockAtStart | SO_Transparent);
  EXPECT_EQ(ScanOptions("/O/T"), SO_LockAtStart | SO_Transparent);
  EXPECT_EQ(ScanOptions("-O/T"), SO_LockAtStart | SO_Transparent);
}

TEST(OptionScan, LettersAreCaseInsensitiveAndOthersIgnored) {
  EXPECT_EQ(ScanOptions("-T"), SO_Transparent);
  EXPECT_EQ(ScanOptions("-O"), SO_LockAtStart);
  EXPECT_EQ(ScanOptions("-x -y /z"), 0);
  EXPECT_EQ(ScanOptions("-o -o -o"), SO_LockAtStart);
}

TEST(OptionScan, PrefixCountsInsideWords) {
  EXPECT_EQ(ScanOptions("name-t"), SO_Transparent);
  EXPECT_EQ(ScanOptions("C:/tmp"), SO_Transparent);  // "/t" inside a path
  EXPECT_EQ(ScanOptions("C:/tmp/out"), SO_Transparent | SO_LockAtStart);
}

TEST(OptionScan, PrefixAtTheEndEndsTheScan) {
  EXPECT_EQ(ScanOptions("-"), 0);
  EXPECT_EQ(ScanOptions("/"), 0);
  EXPECT_EQ(ScanOptions("-t -"), SO_Transparent);
  EXPECT_EQ(ScanOptions("-o/"), SO_LockAtStart);
}

TEST(OptionScan, PrefixConsumesTheNextCharacterEvenIfItIsAPrefix) {
  // "--t": the second '-' is the first one's (ignored) letter, so 't' is plain.
  EXPECT_EQ(ScanOptions("--t"), 0);
  EXPECT_EQ(ScanOptions("-/o"), 0);
  EXPECT_EQ(ScanOptions("---t"), SO_Transparent);
}

TEST(OptionScan, RandomCommandLinesStayInRange) {
  std::mt19937 gen(12345);
  std::uniform_int_distribution<int> len(0, 300);
  std::uniform_int_distribution<int> byte(1, 255);
  for (int n = 0; n < 20000; ++n) {
    std::string s(static_cast<std::size_t>(len(gen)), ' ');
    for (char& ch : s) ch = static_cast<char>(byte(gen));
    const int bits = ScanOptions(s.c_str());
    EXPECT_EQ(bits & ~(SO_LockAtStart | SO_Transparent), 0);
  }
}

// ---- As a screen saver -----------------------------------------------------------------------

using wzrv::IsSaverFileName;
using wzrv::SaverMode;
using wzrv::ScanSaverCommand;

TEST(SaverCommand, OnlyAScrFileIsASaver) {
  EXPECT_TRUE(IsSaverFileName("C:\\Windows\\wzrv.scr"));
  EXPECT_TRUE(IsSaverFileName("WZRV.SCR"));
  EXPECT_TRUE(IsSaverFileName(".Scr"));
  EXPECT_FALSE(IsSaverFileName("wzrv.exe"));
  EXPECT_FALSE(IsSaverFileName("wzrv.scr.exe"));
  EXPECT_FALSE(IsSaverFileName("wzrvscr"));
  EXPECT_FALSE(IsSaverFileName("scr"));
  EXPECT_FALSE(IsSaverFileName(""));
  EXPECT_FALSE(IsSaverFileName(nullptr));
}

TEST(SaverCommand, EachModeByItsLetterWithItsWindow) {
  const struct {
    const char* line;
    SaverMode mode;
    unsigned long long window;
  } cases[] = {
      {"/s", SaverMode::Run, 0},
      {"-S", SaverMode::Run, 0},
      {"  /s 123", SaverMode::Run, 0},
      {"/c", SaverMode::Settings, 0},
      {"/c:1234", SaverMode::Settings, 1234},
      {"-C 77", SaverMode::Settings, 77},
      {"/p 4294967295", SaverMode::Preview, 4294967295ULL},
      {"/P\t\t66", SaverMode::Preview, 66},
      {"/a 5", SaverMode::Password, 5},
      {"", SaverMode::Settings, 0},
      {"hello", SaverMode::Settings, 0},
      {"/x 12", SaverMode::Settings, 12},
  };
  for (const auto& c : cases) {
    const auto command = ScanSaverCommand(c.line);
    EXPECT_EQ(command.mode, c.mode) << c.line;
    EXPECT_EQ(command.window, c.window) << c.line;
  }
  EXPECT_EQ(ScanSaverCommand(nullptr).mode, SaverMode::Settings);
}

TEST(SaverCommand, AWindowThatIsNoNumberOrTooLargeIsNone) {
  EXPECT_EQ(ScanSaverCommand("/p").window, 0u);
  EXPECT_EQ(ScanSaverCommand("/p abc").window, 0u);
  EXPECT_EQ(ScanSaverCommand("/p -5").window, 0u);
  EXPECT_EQ(ScanSaverCommand("/p 99999999999999999999999").window, 0u);
  EXPECT_EQ(ScanSaverCommand("/p 18446744073709551615").window, 18446744073709551615ULL);
  EXPECT_EQ(ScanSaverCommand("/p 12abc").window, 12u);
  EXPECT_EQ(ScanSaverCommand("-").mode, SaverMode::Settings);
}
