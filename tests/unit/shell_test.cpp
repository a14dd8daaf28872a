#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/profile_core.h"
#include "base/text_core.h"
#include "pattern/random.h"
#include "shell/wzrv_core.h"

using namespace wzrv;

namespace {

class FakeWindow : public MainWindowBase {
 public:
  int unlocks = 0;
  void SetPassword(const std::string& p) { CopyText(Password, sizeof Password, p.c_str()); }
  void Type(const std::string& s) {
    for (unsigned char ch : s) CharInput(ch);
  }

 protected:
  void Unlock() override { ++unlocks; }
};

class PasswordInput : public ::testing::Test {
 protected:
  void SetUp() override { MainWindowBase::ResetInput(); }
  FakeWindow w;
};

}  // namespace

TEST_F(PasswordInput, EmptyPasswordUnlocksOnAnyReturn) {
  w.Type("whatever\r");
  EXPECT_EQ(w.unlocks, 1);
  MainWindowBase::ResetInput();
  w.Type("\r");
  EXPECT_EQ(w.unlocks, 2);
}

TEST_F(PasswordInput, PasswordInsideOtherTextUnlocksAndInputIsKept) {
  w.SetPassword("zorvel");
  w.Type("abczorvelxyz\r");
  EXPECT_EQ(w.unlocks, 1);
  EXPECT_STREQ(MainWindowBase::InputString, "abczorvelxyz\r");  // not reset by the unlock
}

TEST_F(PasswordInput, WrongCaseOrPartialPasswordResetsAndStaysLocked) {
  w.SetPassword("Zorvel");
  w.Type("zorvel\r");
  EXPECT_EQ(w.unlocks, 0);
  EXPECT_STREQ(MainWindowBase::InputString, "");
  w.Type("Zor\r");
  EXPECT_EQ(w.unlocks, 0);
  EXPECT_STREQ(MainWindowBase::InputString, "");
  w.Type("Zorvel\r");
  EXPECT_EQ(w.unlocks, 1);
}

TEST_F(PasswordInput, CharactersWithoutReturnNeverUnlock) {
  w.Type("");
  w.SetPassword("abc");
  w.Type("abc");
  EXPECT_EQ(w.unlocks, 0);
  EXPECT_STREQ(MainWindowBase::InputString, "abc");
}

TEST_F(PasswordInput, BackspaceIsCollectedNotApplied) {
  w.SetPassword("abc");
  w.Type("abx\bc\r");
  EXPECT_EQ(w.unlocks, 0);
  EXPECT_STREQ(MainWindowBase::InputString, "");
  w.Type("ab\x1b\tc\r");  // escape and tab are collected too
  EXPECT_EQ(w.unlocks, 0);
}

TEST_F(PasswordInput, OnlyTheLatestHundredCharactersAreKept) {
  std::string typed;
  for (int i = 0; i < 150; ++i) typed += static_cast<char>('a' + i % 26);
  w.Type(typed);
  ASSERT_EQ(std::strlen(MainWindowBase::InputString), 100u);
  EXPECT_EQ(std::string(MainWindowBase::InputString), typed.substr(50));
}

TEST_F(PasswordInput, NinetyNineCharacterPasswordAfterLongInput) {
  std::string pw;
  for (int i = 0; i < 99; ++i) pw += static_cast<char>('A' + i % 26);
  w.SetPassword(pw);
  ASSERT_EQ(std::strlen(w.Password), 99u);
  w.Type(std::string(130, 'x'));
  w.Type(pw + "\r");  // 99 + Return = exactly 100 characters kept
  EXPECT_EQ(w.unlocks, 1);
}

TEST_F(PasswordInput, HundredCharacterBufferDropsFirstPasswordLetterWithTrailingCharacter) {
  std::string pw(99, 'p');
  pw[0] = 'Q';
  w.SetPassword(pw);
  w.Type(pw + "z\r");  // 101 characters: the 'Q' falls out before the Return is searched
  EXPECT_EQ(w.unlocks, 0);
}

TEST_F(PasswordInput, CodeZeroAddsNothingButStillDropsWhenFull) {
  w.Type("ab");
  w.CharInput(0);
  EXPECT_STREQ(MainWindowBase::InputString, "ab");
  std::string full(100, 'k');
  full[0] = 'F';
  MainWindowBase::ResetInput();
  w.Type(full);
  w.CharInput(0);
  EXPECT_EQ(std::strlen(MainWindowBase::InputString), 99u);
  EXPECT_EQ(MainWindowBase::InputString[0], 'k');
}

TEST_F(PasswordInput, OnlyLowEightBitsAreStoredAndOnlyCode13Unlocks) {
  w.SetPassword("A");
  w.CharInput(0x141);  // low byte 'A'
  EXPECT_STREQ(MainWindowBase::InputString, "A");
  w.CharInput(0x10D);  // low byte 13, but not the code 13
  EXPECT_EQ(w.unlocks, 0);
  w.CharInput(13);
  EXPECT_EQ(w.unlocks, 1);
}

TEST(Dispatch, LockedWindowSwallowsCloseAndSystemCommands) {
  for (unsigned cmd : {0xF020u, 0xF010u, 0xF060u, 0xF120u, SM_Lock, SM_ChangePass, 0x1234u}) {
    const Decision d = Dispatch(msg::SysCommand, cmd, /*iconic=*/false, false);
    EXPECT_EQ(d.action, Action::Nothing) << std::hex << cmd;
    EXPECT_EQ(d.result, 0);
  }
  EXPECT_EQ(Dispatch(msg::Close, 0, false, false).action, Action::Nothing);
  EXPECT_EQ(Dispatch(msg::Close, 0, true, false).action, Action::DestroyWindow);
}

TEST(Dispatch, MinimisedWindowRoutesItsMenuCommands) {
  EXPECT_EQ(Dispatch(msg::SysCommand, SM_Lock, true, false).action, Action::Lock);
  EXPECT_EQ(Dispatch(msg::SysCommand, 0xF120, true, false).action, Action::Lock);
  EXPECT_EQ(Dispatch(msg::SysCommand, SM_ChangePass, true, false).action, Action::ChangePassword);
  EXPECT_EQ(Dispatch(msg::SysCommand, SM_AboutWZRV, true, false).action, Action::About);
  EXPECT_EQ(Dispatch(msg::SysCommand, SM_Sound, true, false).action, Action::SoundDialog);
  EXPECT_EQ(Dispatch(msg::SysCommand, SM_Color, true, false).action, Action::ColorDialog);
  // The whole value is compared: low bits set means another command.
  EXPECT_EQ(Dispatch(msg::SysCommand, 0xF121, true, false).action, Action::Default);
  EXPECT_EQ(Dispatch(msg::SysCommand, SM_Lock | 1, true, false).action, Action::Default);
  EXPECT_EQ(Dispatch(msg::SysCommand, 0xF060, true, false).action, Action::Default);
}

TEST(Dispatch, InputPaletteAndOtherMessages) {
  for (bool iconic : {true, false}) {
    EXPECT_EQ(Dispatch(msg::Char, 'a', iconic, false).action, Action::CharInput);
    for (unsigned m : {msg::LButtonDown, msg::RButtonDown, msg::MButtonDown})
      EXPECT_EQ(Dispatch(m, 0, iconic, false).action, Action::Impact);
    EXPECT_EQ(Dispatch(msg::Destroy, 0, iconic, false).action, Action::Destroy);
  }
  const Decision q = Dispatch(msg::QueryNewPalette, 0, true, false);
  EXPECT_EQ(q.action, Action::Realize);
  EXPECT_EQ(q.result, 1);
  const Decision own = Dispatch(msg::PaletteChanged, 0, true, /*bySelf=*/true);
  EXPECT_EQ(own.action, Action::Nothing);
  EXPECT_EQ(own.result, 0);
  const Decision other = Dispatch(msg::PaletteChanged, 0, true, false);
  EXPECT_EQ(other.action, Action::Realize);
  EXPECT_EQ(other.result, 1);
  EXPECT_EQ(Dispatch(0x0005 /* size */, 0, false, false).action, Action::Default);
  EXPECT_EQ(Dispatch(msg::Create, 0, true, false).action, Action::Default);
}

TEST(Reminder, TextsAreTheShiftJisOnes) {
  char buff[ReminderSize];
  ComposeReminder("", buff);
  // "パスワードが設定されていません。Return-Keyのみで解除できます" in code page 932.
  const char none[] =
      "\x83\x70\x83\x58\x83\x8f\x81\x5b\x83\x68\x82\xaa\x90\xdd\x92\xe8\x82\xb3\x82\xea\x82\xc4"
      "\x82\xa2\x82\xdc\x82\xb9\x82\xf1\x81\x42Return-Key\x82\xcc\x82\xdd\x82\xc5\x89\xf0\x8f\x9c"
      "\x82\xc5\x82\xab\x82\xdc\x82\xb7";
  EXPECT_STREQ(buff, none);
  ComposeReminder("Zv1", buff);
  // "パスワードは 'Zv1' + Return-Key です"
  const char with[] = "\x83\x70\x83\x58\x83\x8f\x81\x5b\x83\x68\x82\xcd 'Zv1' + Return-Key \x82\xc5\x82\xb7";
  EXPECT_STREQ(buff, with);
}

TEST(Reminder, LongestPasswordFits) {
  char buff[ReminderSize];
  std::string pw(99, 'w');
  ComposeReminder(pw.c_str(), buff);
  EXPECT_NE(std::strstr(buff, pw.c_str()), nullptr);
  EXPECT_LT(std::strlen(buff), ReminderSize);
}

TEST(Reminder, PasswordSpanIsExactlyTheUsersBytes) {
  char buff[ReminderSize];
  // A password in code page 1252 ("café'" with a quote of its own) stands as it is.
  const char accented[] = "caf\xe9'";
  ComposeReminder(accented, buff);
  TextSpan span = ReminderPasswordSpan(accented, buff);
  EXPECT_EQ(span.offset, 14u);  // six double-byte characters, a space and the quote
  EXPECT_EQ(std::string(buff + span.offset, span.length), accented);
  EXPECT_STREQ(buff + span.offset + span.length, "' + Return-Key \x82\xc5\x82\xb7");
  // No password: the whole text is the program's.
  ComposeReminder("", buff);
  span = ReminderPasswordSpan("", buff);
  EXPECT_EQ(span.length, 0u);
  span = ReminderPasswordSpan(nullptr, buff);
  EXPECT_EQ(span.length, 0u);
  // A password longer than the reminder holds is cut where the reminder ends.
  const std::string huge(400, 'x');
  ComposeReminder(huge.c_str(), buff);
  span = ReminderPasswordSpan(huge.c_str(), buff);
  EXPECT_EQ(span.offset + span.length, std::strlen(buff));
}

TEST(SystemMenu, ItemsIdsAndShiftJisTexts) {
  EXPECT_EQ(SystemMenuItems[0].command, 0xE200u);
  EXPECT_EQ(SystemMenuItems[1].command, 0xE000u);
  EXPECT_EQ(SystemMenuItems[2].command, 0xE400u);
  EXPECT_EQ(SystemMenuItems[3].command, 0xE300u);
  EXPECT_EQ(SystemMenuItems[4].command, 0xE100u);
  EXPECT_STREQ(SystemMenuItems[0].text, "\x89\xe6\x96\xca\x82\xcc\x83\x8d\x83\x62\x83\x4e");  // 画面のロック
  EXPECT_STREQ(SystemMenuItems[2].text, "\x90\x46\x82\xcc\x90\xdd\x92\xe8");                  // 色の設定
  EXPECT_STREQ(SystemMenuItems[4].text, "Windows Z.R.V. \x82\xc9\x82\xc2\x82\xa2\x82\xc4");  // … について
  EXPECT_EQ(SystemMenuRemoved[0], 0xF030u);
  EXPECT_EQ(SystemMenuRemoved[1], 0xF020u);
  EXPECT_EQ(SystemMenuRemoved[2], 0xF120u);
  EXPECT_EQ(SystemMenuRemoved[3], 0xF000u);
  EXPECT_STREQ(SectionName, "Windows-Zorvel");
  EXPECT_STREQ(KeyDefaultPassword, "DefaultPassword");
}

TEST(Impact, TableAndPointer) {
  const ImpactPlan p0 = ImpactFor(0), p1 = ImpactFor(1), p2 = ImpactFor(2);
  EXPECT_EQ(p0.slot, 0); EXPECT_EQ(p0.anipattern, 0); EXPECT_EQ(p0.wait, 20); EXPECT_EQ(p0.delay, 1);
  EXPECT_EQ(p1.slot, 1); EXPECT_EQ(p1.anipattern, 1); EXPECT_EQ(p1.wait, 20); EXPECT_EQ(p1.delay, 1);
  EXPECT_EQ(p2.slot, 2); EXPECT_EQ(p2.anipattern, 2); EXPECT_EQ(p2.wait, 10); EXPECT_EQ(p2.delay, 5);
  int x = -1, y = -1;
  ImpactPoint(0xFFFF0000ul | 0x1234ul, &x, &y);
  EXPECT_EQ(x, 0x1234);
  EXPECT_EQ(y, 0xFFFF);  // unsigned halves, never negative
}

TEST(Impact, ChoiceFollowsTheProgramsGenerator) {
  const std::uint32_t saved = RandState();
  SetRandState(1);
  // From state 1 the generator yields 346, 130, 10982, 1090, 11656.
  const int expected[] = {346 % 3, 130 % 3, 10982 % 3, 1090 % 3, 11656 % 3};
  for (int r : expected) EXPECT_EQ(ChooseImpact().anipattern, r);
  SetRandState(saved);
}

TEST(Dispatch, PaintsOnlyWithASnapshot) {
  EXPECT_EQ(Dispatch(msg::Paint, 0, false, false, /*hasSnapshot=*/false).action, Action::Default);
  EXPECT_EQ(Dispatch(msg::EraseBackground, 0, false, false, false).action, Action::Default);
  const Decision paint = Dispatch(msg::Paint, 0, false, false, true);
  EXPECT_EQ(paint.action, Action::PaintSnapshot);
  EXPECT_EQ(paint.result, 0);
  const Decision erase = Dispatch(msg::EraseBackground, 0, false, false, true);
  EXPECT_EQ(erase.action, Action::EraseSnapshot);
  EXPECT_EQ(erase.result, 1);  // background handled
}

namespace wzrv {
namespace {

// A file chosen in the file dialog is put into the ANSI code page: under
// UTF-8 (65001) without the best-fit flag and the loss report, which make
// that conversion fail, elsewhere with both.
TEST(NarrowMode, Utf8TakesNeitherBestFitNorALossReport) {
  EXPECT_EQ(NarrowModeFor(65001).flags, 0x80u);
  EXPECT_FALSE(NarrowModeFor(65001).reportsLoss);
  for (unsigned cp : {932u, 1252u, 936u}) {
    EXPECT_EQ(NarrowModeFor(cp).flags, 0x400u) << cp;
    EXPECT_TRUE(NarrowModeFor(cp).reportsLoss) << cp;
  }
}

}  // namespace
}  // namespace wzrv
