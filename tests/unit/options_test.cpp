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
