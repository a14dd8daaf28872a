// The program's start, system menu, options, lock and unlock, seen from outside.
#include <cstdio>
#include <regex>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

const Rect kScreen() {
  return Rect{0, 0, std::stol(Env("WZRV_SCREEN_W", "1024")), std::stol(Env("WZRV_SCREEN_H", "768"))};
}

const char* const kNoPasswordReminder = "パスワードが設定されていません。Return-Keyのみで解除できます";

std::string Reminder(const std::string& password) { return "パスワードは '" + password + "' + Return-Key です"; }

std::string AllTraces(const Program& p) {
  std::string all;
  for (const std::string& t : p.Traces()) all += "  " + t + "\n";
  return all;
}

int CountTraces(const Program& p, const std::string& prefix) {
  int n = 0;
  for (const std::string& t : p.Traces()) n += t.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
  return n;
}

// ---- Start ---------------------------------------------------------------------------

using StartTest = WzrvTest;

TEST_F(StartTest, WithoutOptionsOneMinimisedTopmostWindowAsLargeAsTheScreen) {
  ASSERT_TRUE(Start());
  Snapshot s = State();
  ASSERT_EQ(s.windows.size(), 1u) << s.Describe();
  const WindowInfo& w = s.windows[0];
  EXPECT_EQ(w.cls, "Windows Z.R.V");
  EXPECT_EQ(w.title, "Windows Z.R.V");
  EXPECT_TRUE(w.visible);
  EXPECT_TRUE(w.iconic);
  EXPECT_EQ(w.style & 0xB0080000ul, 0xB0080000ul) << std::hex << w.style;  // popup, minimised, visible, sysmenu
  EXPECT_EQ(w.style & 0x00C00000ul, 0ul) << "no caption or border: " << std::hex << w.style;
  EXPECT_EQ(w.exstyle & WS_EX_TOPMOST_, WS_EX_TOPMOST_) << std::hex << w.exstyle;
  EXPECT_EQ(w.exstyle & WS_EX_TRANSPARENT_, 0ul) << std::hex << w.exstyle;
  probe::Inside inside = probe::ReadInside(w.hwnd);
  ASSERT_TRUE(inside.ok) << inside.error;
  EXPECT_EQ(inside.normal, kScreen()) << "restored position " << inside.normal.left << "," << inside.normal.top
                                      << "," << inside.normal.right << "," << inside.normal.bottom;
  EXPECT_TRUE(program_.Running());
}

TEST_F(StartTest, FirstStartWritesTheEmptyPasswordAndAStoredOneIsKept) {
  bool found = true;
  ProfileValue("DefaultPassword", &found);
  ASSERT_FALSE(found);
  ASSERT_TRUE(Start());
  EXPECT_EQ(ProfileValue("DefaultPassword", &found), "");
  EXPECT_TRUE(found) << ReadFile(WinIniPath());
  program_.Kill();
  ASSERT_TRUE(WaitUntil([] { return probe::Windows().windows.empty(); }));

  ASSERT_TRUE(SetProfileSection({{"DefaultPassword", "Zorvel-9"}}));
  ASSERT_TRUE(Start());
  EXPECT_EQ(ProfileValue("DefaultPassword", &found), "Zorvel-9");
  EXPECT_TRUE(found);
}

TEST_F(StartTest, SystemMenuHasTheProgramsCommandsFirstAndNoSizeCommands) {
  ASSERT_TRUE(Start());
  std::string error;
  const std::vector<MenuItem> menu = probe::Menu(MainHwnd(), &error);
  ASSERT_GE(menu.size(), 7u) << error;
  const struct {
    unsigned long id;
    const char* text;
  } expected[] = {{IDM_LOCK, "画面のロック"},
                  {IDM_CHANGEPASS, "パスワードの変更"},
                  {IDM_COLOR, "色の設定"},
                  {IDM_SOUND, "効果音の設定"},
                  {IDM_ABOUT, "Windows Z.R.V. について"}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_FALSE(menu[i].separator) << "item " << i;
    EXPECT_EQ(menu[i].id, expected[i].id) << "item " << i;
    EXPECT_EQ(menu[i].text, expected[i].text) << "item " << i;
  }
  EXPECT_TRUE(menu[5].separator) << "item 5 is " << menu[5].text;
  bool move = false, close = false;
  for (size_t i = 6; i < menu.size(); ++i) {
    const unsigned long id = menu[i].id;
    EXPECT_NE(id, SC_MAXIMIZE_) << "Maximise is still there";
    EXPECT_NE(id, SC_MINIMIZE_) << "Minimise is still there";
    EXPECT_NE(id, SC_RESTORE_) << "Restore is still there";
    EXPECT_NE(id, SC_SIZE_) << "Size is still there";
    EXPECT_FALSE(id >= IDM_CHANGEPASS && id <= IDM_COLOR && !menu[i].separator) << "program item repeated at " << i;
    move = move || id == SC_MOVE_;
    close = close || id == SC_CLOSE_;
  }
  EXPECT_TRUE(move) << "the standard Move item follows the separator";
  EXPECT_TRUE(close) << "the standard Close item follows the separator";
}

TEST_F(StartTest, SecondStartGetsItsOwnWindow) {
  ASSERT_TRUE(Start());
  const unsigned long first = MainHwnd();
  Program second;
  ASSERT_TRUE(second.Launch({}));
  Snapshot s;
  ASSERT_TRUE(WaitUntil([&] {
    s = probe::Windows();
    return s.windows.size() == 2;
  })) << s.Describe();
  EXPECT_NE(s.windows[0].pid, s.windows[1].pid);
  EXPECT_TRUE(s.windows[0].hwnd == first || s.windows[1].hwnd == first);
  for (const WindowInfo& w : s.windows) EXPECT_TRUE(w.iconic);
  EXPECT_TRUE(program_.Running());
  EXPECT_TRUE(second.Running());
}

TEST_F(StartTest, PaletteMessagesAnswerAsRealised) {
  ASSERT_TRUE(Start());
  unsigned long result = 99;
  ASSERT_TRUE(probe::Send(MainHwnd(), 0x030F /* WM_QUERYNEWPALETTE */, 0, 0, 5000, &result));
  EXPECT_EQ(result, 1ul);
  result = 99;
  ASSERT_TRUE(probe::Send(MainHwnd(), 0x0311 /* WM_PALETTECHANGED */, 0x1234, 0, 5000, &result));
  EXPECT_EQ(result, 1ul) << "another window changed the palette";
  result = 99;
  ASSERT_TRUE(probe::Send(MainHwnd(), 0x0311 /* WM_PALETTECHANGED */, MainHwnd(), 0, 5000, &result));
  EXPECT_EQ(result, 0ul) << "the window's own palette change";
}

// The window paints nothing: while it covers the screen, the picture that was
// there stays visible.
TEST_F(StartTest, LockedWindowLeavesTheScreenPictureUnderIt) {
  x11().SetRootBackground(0x3366CC);
  x11().FillRootRect(100, 100, 300, 200, 0xFFCC00);
  x11().FillRootRect(700, 500, 50, 250, 0x20E040);
  const Image before = x11().Screenshot();
  ASSERT_TRUE(Start({"-o"}));
  ASSERT_TRUE(WaitLocked());
  ASSERT_TRUE(probe::Send(MainHwnd(), WM_NULL_, 0, 0));  // idle: whatever it draws is on screen
  const Image after = x11().Screenshot();
  const long differing = CountDifferences(before, after);
  if (differing != 0) {
    SavePng(before, ArtifactDir() + "/before.png");
    SavePng(after, ArtifactDir() + "/locked.png");
  }
  EXPECT_EQ(differing, 0) << "pixels changed by the lock";
  EXPECT_EQ(after.Pixel(200, 200), 0xFFCC00u);
}

// ---- Options -------------------------------------------------------------------------

using OptionsTest = WzrvTest;

TEST_F(OptionsTest, TransparentOptionAddsTransparentStyle) {
  ASSERT_TRUE(Start({"-t"}));
  Snapshot s = State();
  ASSERT_NE(s.Main(), nullptr);
  EXPECT_TRUE(s.Main()->iconic);
  EXPECT_EQ(s.Main()->exstyle & (WS_EX_TOPMOST_ | WS_EX_TRANSPARENT_), WS_EX_TOPMOST_ | WS_EX_TRANSPARENT_)
      << std::hex << s.Main()->exstyle;
}

TEST_F(OptionsTest, EachLetterNeedsItsOwnPrefixWhereverItStands) {
  const struct {
    std::vector<std::string> args;
    bool transparent;
  } cases[] = {{{"name-t"}, true}, {{"-x", "/T"}, true}, {{"-"}, false}, {{"t", "o"}, false}};
  for (const auto& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    SCOPED_TRACE("command line: " + line);
    ASSERT_TRUE(Start(c.args));
    Snapshot s = State();
    ASSERT_NE(s.Main(), nullptr);
    EXPECT_TRUE(s.Main()->iconic) << "started locked";
    EXPECT_EQ((s.Main()->exstyle & WS_EX_TRANSPARENT_) != 0, c.transparent) << std::hex << s.Main()->exstyle;
    program_.Kill();
    ASSERT_TRUE(WaitUntil([] { return probe::Windows().windows.empty(); }));
  }
}

TEST_F(OptionsTest, LockAtStartLocksWithoutReminderOrLockSound) {
  ASSERT_TRUE(Start({"-o"}));
  ASSERT_TRUE(WaitLocked());
  ASSERT_TRUE(ClickAndWait(10, 10));  // everything before the click has been handled
  Snapshot s = State();
  ASSERT_NE(s.Main(), nullptr);
  EXPECT_TRUE(s.boxes.empty());
  EXPECT_EQ(s.Main()->exstyle & WS_EX_TRANSPARENT_, 0ul);
  EXPECT_EQ(program_.FindTrace("PlaySound 3"), -1) << AllTraces(program_);
}

TEST_F(OptionsTest, CombinedLettersLockButAreNotTransparent) {
  ASSERT_TRUE(Start({"-ot"}));
  ASSERT_TRUE(WaitLocked());
  Snapshot s = State();
  ASSERT_NE(s.Main(), nullptr);
  EXPECT_EQ(s.Main()->exstyle & WS_EX_TRANSPARENT_, 0ul) << std::hex << s.Main()->exstyle;
}

TEST_F(OptionsTest, SeparateLettersInAnyCaseLockAndAreTransparent) {
  ASSERT_TRUE(Start({"/O/T"}));
  ASSERT_TRUE(WaitLocked());
  Snapshot s = State();
  ASSERT_NE(s.Main(), nullptr);
  EXPECT_EQ(s.Main()->exstyle & WS_EX_TRANSPARENT_, WS_EX_TRANSPARENT_) << std::hex << s.Main()->exstyle;
}

// ---- Lock and unlock -----------------------------------------------------------------

using LockTest = WzrvTest;

TEST_F(LockTest, ReminderShowsStoredPasswordThenTheWindowCoversTheScreen) {
  ASSERT_TRUE(SetProfileSection({{"DefaultPassword", "PW"}}));
  ASSERT_TRUE(Start());
  auto box = RequestLock();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->window.title, "Confirm Password");
  EXPECT_EQ(box->StaticText(), Reminder("PW"));
  EXPECT_TRUE(box->HasButton("OK")) << box->Describe();
  EXPECT_EQ(box->window.owner, MainHwnd());
  {
    Snapshot s = probe::Windows();
    ASSERT_NE(s.Main(), nullptr);
    EXPECT_TRUE(s.Main()->iconic) << "still minimised while the reminder is open";
    EXPECT_EQ(program_.FindTrace("PlaySound 3"), -1) << "the lock sound comes after the reminder";
  }
  ASSERT_TRUE(Press(*box, "OK"));
  ASSERT_TRUE(WaitLocked());
  Snapshot s = State();
  EXPECT_EQ(s.Main()->exstyle & WS_EX_TOPMOST_, WS_EX_TOPMOST_);
  EXPECT_TRUE(WaitTrace("PlaySound 3"));

  const size_t before = program_.Traces().size();
  Type("PW\r");
  ASSERT_TRUE(WaitUnlocked());
  EXPECT_TRUE(WaitTrace("PlaySound 4", before));
}

TEST_F(LockTest, WithoutPasswordTheReminderSaysSoAndAnyReturnUnlocks) {
  ASSERT_TRUE(Start());
  std::string text;
  ASSERT_TRUE(LockWithReminder(&text));
  EXPECT_EQ(text, kNoPasswordReminder);
  Type("some text\r");
  ASSERT_TRUE(WaitUnlocked());
  EXPECT_TRUE(WaitTrace("PlaySound 4"));
}

TEST_F(LockTest, WrongInputStaysLockedAndIsForgottenAtReturn) {
  ASSERT_TRUE(SetProfileSection({{"DefaultPassword", "PW"}}));
  ASSERT_TRUE(Start());
  ASSERT_TRUE(LockWithReminder());
  // The first half, Return, the second half, Return: two failed attempts.
  Type("P\r");
  ASSERT_TRUE(ClickAndWait(300, 300));
  Type("W\r");
  ASSERT_TRUE(ClickAndWait(310, 300));
  Snapshot s = State();
  ASSERT_NE(s.Main(), nullptr);
  EXPECT_FALSE(s.Main()->iconic) << "unlocked by a password split over two attempts";
  EXPECT_EQ(s.Main()->rect, kScreen());
  EXPECT_EQ(program_.FindTrace("PlaySound 4"), -1) << AllTraces(program_);
  // The password inside other text unlocks.
  Type("abcPWxyz\r");
  ASSERT_TRUE(WaitUnlocked());
  EXPECT_TRUE(WaitTrace("PlaySound 4"));
}

TEST_F(LockTest, PasswordMatchIsCaseSensitive) {
  ASSERT_TRUE(SetProfileSection({{"DefaultPassword", "PW"}}));
  ASSERT_TRUE(Start());
  ASSERT_TRUE(LockWithReminder());
  Type("pW\r");
  Type("Pw\r");
  ASSERT_TRUE(ClickAndWait(200, 200));
  Snapshot s = State();
  ASSERT_NE(s.Main(), nullptr);
  EXPECT_FALSE(s.Main()->iconic) << "unlocked with a letter in the other case";
  EXPECT_EQ(program_.FindTrace("PlaySound 4"), -1) << AllTraces(program_);
  Type("PW\r");
  ASSERT_TRUE(WaitUnlocked());
}

TEST_F(LockTest, BackspaceDoesNotEraseTheMistypedLetter) {
  ASSERT_TRUE(SetProfileSection({{"DefaultPassword", "PW"}}));
  ASSERT_TRUE(Start());
  ASSERT_TRUE(LockWithReminder());
  Type("PX\bW\r");
  ASSERT_TRUE(ClickAndWait(200, 200));
  Snapshot s = State();
  ASSERT_NE(s.Main(), nullptr);
  EXPECT_FALSE(s.Main()->iconic) << "backspace erased the mistyped letter";
  EXPECT_EQ(program_.FindTrace("PlaySound 4"), -1) << AllTraces(program_);
  Type("PW\r");
  ASSERT_TRUE(WaitUnlocked());
}

TEST_F(LockTest, LongestPasswordAfterMoreThanAHundredCharacters) {
  std::string password;
  for (int i = 0; static_cast<int>(password.size()) < 99; ++i) password += "Zorvel" + std::to_string(i);
  password.resize(99);
  ASSERT_TRUE(SetProfileSection({{"DefaultPassword", password}}));
  ASSERT_TRUE(Start());
  std::string text;
  ASSERT_TRUE(LockWithReminder(&text));
  EXPECT_EQ(text, Reminder(password));
  // All but the last character, then Return: not the password.
  Type(password.substr(0, 98) + "\r");
  ASSERT_TRUE(ClickAndWait(500, 400));
  ASSERT_EQ(program_.FindTrace("PlaySound 4"), -1) << "unlocked by 98 of 99 characters";
  // 150 other characters without Return push everything older out; only the
  // last 100 characters (the password and Return) count.
  Type(std::string(150, 'q') + password + "\r");
  ASSERT_TRUE(WaitUnlocked());
}

TEST_F(LockTest, NextLockShowsTheReminderAgainAndStartsWithEmptyInput) {
  ASSERT_TRUE(SetProfileSection({{"DefaultPassword", "PW"}}));
  ASSERT_TRUE(Start());
  ASSERT_TRUE(LockWithReminder());
  Type("xxPW\r");
  ASSERT_TRUE(WaitUnlocked());
  // Locked again: the text typed before is gone, so Return alone keeps the lock.
  std::string text;
  ASSERT_TRUE(LockWithReminder(&text));
  EXPECT_EQ(text, Reminder("PW"));
  EXPECT_EQ(CountTraces(program_, "PlaySound 3"), 2) << AllTraces(program_);
  Type("\r");
  ASSERT_TRUE(ClickAndWait(100, 100));
  Snapshot s = State();
  ASSERT_NE(s.Main(), nullptr);
  EXPECT_FALSE(s.Main()->iconic) << "the text typed during the previous lock unlocked this one";
  EXPECT_EQ(CountTraces(program_, "PlaySound 4"), 1) << AllTraces(program_);
}

TEST_F(LockTest, RestoreCommandLocksLikeTheMenuCommand) {
  ASSERT_TRUE(Start());
  auto box = RequestLock(SC_RESTORE_);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->StaticText(), kNoPasswordReminder);
  ASSERT_TRUE(Press(*box, "OK"));
  ASSERT_TRUE(WaitLocked());
  EXPECT_TRUE(WaitTrace("PlaySound 3"));
}

TEST_F(LockTest, RestoreCodeWithOtherLowBitsIsNotTheLockCommand) {
  ASSERT_TRUE(Start());
  // Sent and answered: a reminder box would keep the answer back.
  EXPECT_TRUE(probe::Send(MainHwnd(), WM_SYSCOMMAND_, SC_RESTORE_ + 1, 0, 5000))
      << "no answer; boxes:\n" << probe::Windows().Describe();
  Snapshot s = State();
  EXPECT_TRUE(s.boxes.empty());
  EXPECT_EQ(program_.FindTrace("PlaySound 3"), -1) << AllTraces(program_);
  EXPECT_TRUE(program_.Running());
}

// ---- While locked --------------------------------------------------------------------

using LockedTest = WzrvTest;

TEST_F(LockedTest, CloseRequestsAndSystemCommandsChangeNothing) {
  ASSERT_TRUE(Start({"-o"}));
  ASSERT_TRUE(WaitLocked());
  const unsigned long hwnd = MainHwnd();
  EXPECT_TRUE(probe::Send(hwnd, WM_CLOSE_, 0, 0));
  const unsigned long commands[] = {SC_MINIMIZE_, SC_MOVE_,       SC_SIZE_,  SC_MAXIMIZE_, SC_CLOSE_, SC_RESTORE_,
                                    IDM_LOCK,     IDM_CHANGEPASS, IDM_ABOUT, IDM_SOUND,    IDM_COLOR};
  for (unsigned long command : commands) {
    EXPECT_TRUE(probe::Send(hwnd, WM_SYSCOMMAND_, command, 0)) << "no answer to command 0x" << std::hex << command;
  }
  x11().AltF4();
  ASSERT_TRUE(ClickAndWait(640, 480));
  Snapshot s = State();
  ASSERT_NE(s.Main(), nullptr) << "the window is gone";
  EXPECT_EQ(s.Main()->hwnd, hwnd);
  EXPECT_FALSE(s.Main()->iconic);
  EXPECT_EQ(s.Main()->rect, kScreen());
  EXPECT_TRUE(program_.Running());
  for (const char* dialog : {"PasswordDialog", "AboutDialog", "SoundDialog", "ColorDialog", "PlaySound 3"}) {
    EXPECT_EQ(program_.FindTrace(dialog), -1) << dialog << " while locked:\n" << AllTraces(program_);
  }
  // The keyboard did reach the window: Return alone ends this lock (no password).
  Type("\r");
  EXPECT_TRUE(WaitUnlocked());
}

// ---- Impacts -------------------------------------------------------------------------

using ImpactTest = WzrvTest;

TEST_F(ImpactTest, EachClickPlaysAFieldSoundThenItsAnimationAtThePointer) {
  ASSERT_TRUE(Start({"-o"}));
  ASSERT_TRUE(WaitLocked());
  const struct {
    int x, y, button;
  } clicks[] = {{100, 200, 1}, {517, 300, 3}, {1000, 700, 2}, {0, 0, 1}, {1023, 767, 1}, {640, 20, 3}};
  const std::regex animation(R"(PlayBitmapAnimation (\d+) (\d+) (\d+) (\d+) (\d+))");
  const std::regex sound(R"(PlaySound (\d+))");
  for (const auto& c : clicks) {
    const size_t before = program_.Traces().size();
    std::string trace;
    ASSERT_TRUE(ClickAndWait(c.x, c.y, c.button, &trace));
    const auto traces = program_.Traces();
    const int at = program_.FindTrace("PlayBitmapAnimation", before);
    int played = -1;  // the last sound of this click before its animation
    for (int i = static_cast<int>(before); i < at; ++i) {
      if (traces[i].compare(0, 10, "PlaySound ") == 0) played = i;
    }
    ASSERT_GE(played, 0) << "no sound before the animation:\n" << AllTraces(program_);
    std::smatch a, s;
    ASSERT_TRUE(std::regex_match(trace, a, animation)) << trace;
    ASSERT_TRUE(std::regex_match(traces[played], s, sound)) << traces[played];
    const int r = std::stoi(a[3]);
    EXPECT_EQ(std::stoi(a[1]), c.x);
    EXPECT_EQ(std::stoi(a[2]), c.y);
    EXPECT_EQ(std::stoi(s[1]), r) << "the sound slot is the field's";
    const int waits[] = {20, 20, 10}, delays[] = {1, 1, 5};
    ASSERT_GE(r, 0);
    ASSERT_LE(r, 2);
    EXPECT_EQ(std::stoi(a[4]), waits[r]) << trace;
    EXPECT_EQ(std::stoi(a[5]), delays[r]) << trace;
  }
}

// ---- Close ---------------------------------------------------------------------------

using CloseTest = WzrvTest;

TEST_F(CloseTest, SystemMenuCloseWhileMinimisedEndsWithZeroAndWritesNothing) {
  ASSERT_TRUE(SetProfileSection({{"DefaultPassword", "PW"}}));
  ASSERT_TRUE(Start());
  const std::string before = ReadFile(WinIniPath());
  ASSERT_TRUE(probe::Post(MainHwnd(), WM_SYSCOMMAND_, SC_CLOSE_, 0));
  int code = -1;
  ASSERT_TRUE(program_.WaitExit(kWait, &code)) << "still running:\n" << probe::Windows().Describe();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFile(WinIniPath()), before) << "the profile changed at shutdown";
}

TEST_F(CloseTest, CloseRequestWhileMinimisedEndsTheProgram) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(probe::Post(MainHwnd(), WM_CLOSE_, 0, 0));
  int code = -1;
  ASSERT_TRUE(program_.WaitExit(kWait, &code));
  EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

// ---- Under a window manager ----------------------------------------------------------

using WindowManagerTest = WzrvTest;

TEST_F(WindowManagerTest, LockCoversTheScreen) {
  WindowManager wm;
  ASSERT_TRUE(wm.Start(x11())) << "fvwm did not take the screen";
  ASSERT_TRUE(Start());
  std::string text;
  ASSERT_TRUE(LockWithReminder(&text));
  EXPECT_EQ(text, kNoPasswordReminder);
  ASSERT_TRUE(ClickAndWait(512, 384));
  Snapshot s = State();
  ASSERT_NE(s.Main(), nullptr);
  EXPECT_FALSE(s.Main()->iconic);
  EXPECT_EQ(s.Main()->rect, kScreen());
  EXPECT_EQ(s.Main()->exstyle & WS_EX_TOPMOST_, WS_EX_TOPMOST_);
}

TEST_F(WindowManagerTest, LockAtStartCoversTheScreen) {
  WindowManager wm;
  ASSERT_TRUE(wm.Start(x11())) << "fvwm did not take the screen";
  ASSERT_TRUE(Start({"-o"}));
  ASSERT_TRUE(WaitLocked());
  ASSERT_TRUE(ClickAndWait(512, 384));
  Snapshot s = State();
  ASSERT_NE(s.Main(), nullptr);
  EXPECT_FALSE(s.Main()->iconic);
  EXPECT_EQ(s.Main()->rect, kScreen());
}

// Under fvwm the unlock leaves an icon: no restore request comes back from the
// window manager's state change (which would bring the reminder back at once).
TEST_F(WindowManagerTest, UnlockStaysUnlocked) {
  WindowManager wm;
  ASSERT_TRUE(wm.Start(x11())) << "fvwm did not take the screen";
  ASSERT_TRUE(Start());
  ASSERT_TRUE(LockWithReminder());
  Type("\r");
  ASSERT_TRUE(WaitUnlocked());
  // Settled once the program answers with no box open.
  EXPECT_TRUE(probe::Send(MainHwnd(), WM_NULL_, 0, 0));
  Snapshot s = State();
  ASSERT_NE(s.Main(), nullptr);
  EXPECT_TRUE(s.Main()->iconic);
}

}  // namespace
}  // namespace e2e
