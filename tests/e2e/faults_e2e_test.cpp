// Faults from outside the program, end to end: a profile (WIN.INI) that cannot
// be written, a damaged pattern cache in the Windows directory, a sound file
// that goes away while the program runs, and a second start while the first
// one is locked. Each time the program keeps working and nothing crashes.
//
// A cache that cannot be created at all (the message and exit status -1) is
// CacheTest.CacheThatCannotBeCreatedEndsTheProgramWithMinusOne and
// CacheTest.CurrentDirectoryWhereNoFileCanBeMadeEndsTheProgramWithMinusOne.
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

const char kLockCaption[] = "Confirm Password";

std::string WindowsDirCache() { return Env("WINEPREFIX") + "/drive_c/windows/wzrvbmp.dat"; }

std::string WinPath(const std::string& unixPath) {
  std::string p = "Z:" + unixPath;
  std::replace(p.begin(), p.end(), '/', '\\');
  return p;
}

// The main window `hwnd` in a snapshot, or null.
const WindowInfo* Find(const Snapshot& s, unsigned long hwnd) {
  for (const WindowInfo& w : s.windows)
    if (w.hwnd == hwnd) return &w;
  return nullptr;
}

bool CoversScreen(const WindowInfo& w, X11& x) {
  return !w.iconic && w.visible && w.rect.left == 0 && w.rect.top == 0 && w.rect.right == x.ScreenWidth() &&
         w.rect.bottom == x.ScreenHeight();
}

class FaultTest : public WzrvTest {
 protected:
  void TearDown() override {
    if (immutable_) e2e::Run({"chattr", "-i", WinIniPath()});
    WzrvTest::TearDown();
    RemoveFile(WindowsDirCache());
  }

  // One lock, a click that animates, and the unlock with Return (no password).
  void LockClickUnlock() {
    ASSERT_TRUE(LockWithReminder());
    std::string animation;
    EXPECT_TRUE(ClickAndWait(400, 300, 1, &animation));
    EXPECT_TRUE(ClickAndWait(0, 0, 1, &animation));
    Type("\r");
    EXPECT_TRUE(WaitUnlocked());
    EXPECT_TRUE(probe::Send(MainHwnd(), WM_NULL_, 0, 0, 5000)) << "the program does not answer";
  }

  bool immutable_ = false;
};

// Root writes any file whatever its mode bits; an immutable file (chattr +i)
// refuses even root, so that is how WIN.INI is made read-only here.
TEST_F(FaultTest, ReadOnlyWinIniLosesWhatCannotBeStoredAndTheProgramRuns) {
  ASSERT_TRUE(SetProfileSection({{"AllSoundDisable", "On"}}));
  const std::string before = ReadFile(WinIniPath());
  const RunResult chattr = e2e::Run({"chattr", "+i", WinIniPath()});
  if (chattr.exitCode != 0) GTEST_SKIP() << "chattr +i is not possible here: " << chattr.err;
  immutable_ = true;
  ASSERT_TRUE(Start());
  // The first start stores defaults (sound slots, colours); none of it lands.
  LockClickUnlock();
  EXPECT_TRUE(program_.Running());
  ASSERT_TRUE(probe::Post(MainHwnd(), WM_CLOSE_, 0, 0));
  int code = -1;
  ASSERT_TRUE(program_.WaitExit(kWait, &code));
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFile(WinIniPath()), before) << "WIN.INI changed although it is immutable";
}

// A cache in the Windows directory full of random bytes, with no usable path
// in the profile: the frames are drawn and the program runs.
TEST_F(FaultTest, GarbageCacheInTheWindowsDirectoryStillGivesFieldsAndAWorkingProgram) {
  std::mt19937 gen(20261208);
  std::string garbage(4096, '\0');
  for (char& c : garbage) c = static_cast<char>(gen() & 0xFF);
  ASSERT_TRUE(WriteFile(WindowsDirCache(), garbage));
  ASSERT_TRUE(SetProfileSection({{"FieldPatternFile", "C:\\wzrv-no-such-dir\\wzrvbmp.dat"}}));
  const std::string dir = Env("WINEPREFIX") + "/drive_c/wzrv-faults";
  ASSERT_TRUE(MakeDirs(dir));
  RemoveFile(dir + "/wzrvbmp.dat");
  LaunchOptions options;
  options.cwd = dir;
  ASSERT_TRUE(Start({}, options));
  ASSERT_TRUE(WaitTrace("cache closed"));
  const std::vector<std::string> traces = program_.Traces();
  const std::string closed = traces[static_cast<size_t>(program_.FindTrace("cache closed"))];
  RecordProperty("cache", closed);
  EXPECT_NE(closed.find("13 drawn"), std::string::npos) << closed << ": garbage frames were taken as good";
  LockClickUnlock();
  EXPECT_TRUE(program_.Running());
  RemoveFile(dir + "/wzrvbmp.dat");
}

// The lock sound's file is deleted after the start: the lock plays nothing
// and the program goes on (the other slots still play).
TEST_F(FaultTest, SoundFileDeletedWhileRunningIsSilentAndNothingBreaks) {
  const std::string copy = ArtifactDir() + "/lock-sound.wav";
  ASSERT_TRUE(WriteFile(copy, ReadFile(Win32Dir() + "/wzrv-field-rise.wav")));
  ASSERT_TRUE(SetProfileSection({{"ApplicationSound(3)", "1" + WinPath(copy)},
                                 {"ApplicationSound(4)", "1" + WinPath(Win32Dir() + "/wzrv-field-fade.wav")},
                                 {"AllSoundDisable", "Off"}}));
  ASSERT_TRUE(Start());
  ASSERT_TRUE(RemoveFile(copy));
  const size_t from = program_.Traces().size();
  LockClickUnlock();
  EXPECT_GE(program_.FindTrace("PlaySound 3", from), 0);
  EXPECT_GE(program_.FindTrace("PlaySound 4", from), 0);
  // A second round after the failed sound behaves the same.
  LockClickUnlock();
  EXPECT_TRUE(program_.Running());
}

// A second start while the first is locked: it gets its own window, locks and
// unlocks by itself, and the first stays locked until its own unlock.
TEST_F(FaultTest, SecondStartWhileLockedWorksAndTheFirstStaysLocked) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(LockWithReminder());
  const unsigned long first = MainHwnd();

  Program second;
  ASSERT_TRUE(second.Launch({}));
  Snapshot s;
  unsigned long other = 0;
  ASSERT_TRUE(WaitUntil([&] {
    s = probe::Windows();
    for (const WindowInfo& w : s.windows)
      if (w.hwnd != first && w.iconic && probe::Send(w.hwnd, WM_NULL_, 0, 0, 5000)) other = w.hwnd;
    return other != 0;
  }, Millis(30000))) << s.Describe();
  s = probe::Windows();
  ASSERT_NE(Find(s, first), nullptr);
  EXPECT_TRUE(CoversScreen(*Find(s, first), x11())) << s.Describe();

  // One lock on the screen: the second one's lock is declined (no reminder,
  // it stays minimised), and the password typed unlocks the one on the screen.
  const size_t secondFrom = second.Traces().size();
  ASSERT_TRUE(probe::Post(other, WM_SYSCOMMAND_, IDM_LOCK, 0));
  ASSERT_TRUE(second.WaitForTrace("lock: declined", secondFrom)) << "the second lock was not declined";
  s = probe::Windows();
  EXPECT_TRUE(s.boxes.empty()) << s.Describe();
  ASSERT_NE(Find(s, other), nullptr);
  EXPECT_TRUE(Find(s, other)->iconic) << s.Describe();
  const size_t firstFrom = program_.Traces().size();
  Type("\r");
  ASSERT_TRUE(program_.WaitForTrace("PlaySound 4", firstFrom)) << "the password did not unlock the lock on the screen";

  // Once the screen is free, the second one locks, and its own Return unlocks it.
  ExpectBoxes(true);
  const size_t secondLockFrom = second.Traces().size();
  ASSERT_TRUE(probe::Post(other, WM_SYSCOMMAND_, IDM_LOCK, 0));
  auto box = WaitBox(kLockCaption);
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(Press(*box, "OK"));
  ASSERT_TRUE(second.WaitForTrace("PlaySound 3", secondLockFrom)) << "the second start did not lock";
  Type("\r");
  ASSERT_TRUE(second.WaitForTrace("PlaySound 4", secondLockFrom)) << "the second start did not unlock";
  EXPECT_TRUE(program_.Running());
  EXPECT_TRUE(second.Running());
  EXPECT_TRUE(probe::Send(first, WM_NULL_, 0, 0, 5000));
  EXPECT_TRUE(probe::Send(other, WM_NULL_, 0, 0, 5000));
}

}  // namespace
}  // namespace e2e
