// End-to-end: the program as a Windows screen saver, the same file under the
// name wzrv.scr. /s locks at once over the desktop and the password ends it
// with status 0; a second /s ends at once; /c opens the settings and each of
// their buttons its dialog; /a the password dialog; /p HWND plays the fields
// in the stored colours inside another program's small window without taking
// the foreground, and ends with that window. As wzrv.exe the same letters
// change nothing.
#include <chrono>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "tests/e2e/harness.h"
#include "tests/e2e/pattern_window.h"

namespace e2e {
namespace {

const char kSaver[] = "wzrv.scr";
const char kPasswordCaption[] = "Zorvel パスワード設定";
const char kColorCaption[] = "色調整";
const char kSoundCaption[] = "効果音・ＢＧＭ";

// Types an ASCII text into the password field of the password dialog.
bool SetPassword(const Box& box, const std::string& text) {
  for (const Control& c : box.controls) {
    if (c.id == 101) return probe::Invoke({"settext", std::to_string(c.hwnd), text}).exitCode == 0;
  }
  ADD_FAILURE() << "no password field in " << box.Describe();
  return false;
}

LaunchOptions AsSaver(const std::string& cwd = "") {
  LaunchOptions options;
  options.exe = kSaver;
  options.cwd = cwd;
  return options;
}

class SaverTest : public PatternDesktopTest {
 protected:
  // Started as the saver: the window covers the screen with the desktop.
  bool StartSaver(const LaunchOptions& options = AsSaver()) {
    if (!Start({"/s"}, options, false)) return false;
    return WaitLocked() && ScreenShows(expected_, "the desktop under the saver");
  }

  // Types the password and Return: the saver ends with status 0 and the
  // desktop is uncovered.
  void TypeToEnd(const std::string& password) {
    Type(password + "\r");
    int code = -1;
    ASSERT_TRUE(program_.WaitExit(Millis(8000), &code)) << "the saver did not end after the password";
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(ScreenShows(expected_, "the desktop after the saver"));
    EXPECT_GE(program_.FindTrace("PlaySound 4"), 0) << "no unlock sound";
  }

  void TearDown() override {
    KillSpawned(host_);
    PatternDesktopTest::TearDown();
  }

  pid_t host_ = -1;  // the preview's host window, gone at the end of the test whatever happens
};

TEST_F(SaverTest, RunLocksAtOnceAndOnlyThePasswordEndsIt) {
  ASSERT_TRUE(SetProfileSection({{"DefaultPassword", "Zv7"}}));
  ASSERT_TRUE(StartSaver());
  EXPECT_EQ(program_.FindTrace("PlaySound 3"), -1) << "the saver played the lock sound";

  // A second saver ends at once and changes nothing.
  Program second;
  ASSERT_TRUE(second.Launch({"/s"}, AsSaver()));
  int code = -1;
  EXPECT_TRUE(second.WaitExit(kWait, &code)) << "a second saver kept running";
  EXPECT_EQ(code, 0);
  EXPECT_GE(second.FindTrace("saver: one runs already"), 0);
  EXPECT_EQ(probe::Windows().windows.size(), 1u);

  ASSERT_TRUE(ClickAndWait(512, 384));
  ASSERT_TRUE(ScreenShows(expected_, "the desktop after a click"));

  // Moving the mouse does not end it.
  ASSERT_EQ(e2e::Run({"xdotool", "mousemove", "100", "100", "mousemove", "900", "700"}).exitCode, 0);
  // A wrong password and Return keep the saver.
  Type("nope\r");
  ASSERT_TRUE(probe::Send(MainHwnd(), 0, 0, 0));
  EXPECT_FALSE(WaitUntil([&] { return !program_.Running(); }, Millis(1000)))
      << "the mouse or a wrong password ended the saver";
  TypeToEnd("Zv7");
}

// One lock on the screen: the saver that Windows' idle timer starts over a
// locked wzrv.exe ends at once with status 0, and the password typed unlocks
// the lock the user sees.
TEST_F(SaverTest, SaverOverALockedProgramEndsAtOnceAndThePasswordUnlocksTheProgram) {
  ASSERT_TRUE(SetProfileSection({{"DefaultPassword", "Zv7"}}));
  ASSERT_TRUE(Start());
  ASSERT_TRUE(LockWithReminder());
  ASSERT_TRUE(ScreenShows(expected_, "the desktop under the lock"));
  Program saver;
  ASSERT_TRUE(saver.Launch({"/s"}, AsSaver()));
  int code = -1;
  ASSERT_TRUE(saver.WaitExit(kWait, &code)) << "the saver kept running over the lock";
  EXPECT_EQ(code, 0);
  EXPECT_GE(saver.FindTrace("lock: declined"), 0);
  ASSERT_TRUE(ScreenShows(expected_, "the program's lock after the saver", Millis(500)));
  const size_t from = program_.Traces().size();
  Type("Zv7\r");
  EXPECT_TRUE(program_.WaitForTrace("PlaySound 4", from)) << "the password did not unlock the program";
}

// Where no cache can be made (the current directory's "wzrvbmp.dat" is a
// directory, none is stored or in the Windows directory), the saver draws
// the frames in memory and locks as usual, with no box; its fields play.
TEST_F(SaverTest, CacheThatCannotBeMadeCostsTheCacheNotTheLock) {
  const std::string dir = Env("WINEPREFIX") + "/drive_c/wzrv-saver-nocache";
  const std::string blocker = dir + "/wzrvbmp.dat";
  ASSERT_TRUE(MakeDirs(blocker));
  RemoveFile(Env("WINEPREFIX") + "/drive_c/windows/wzrvbmp.dat");
  ASSERT_TRUE(SetProfileSection({{"DefaultPassword", "Zv7"}, {"FieldPatternFile", "C:\\gone\\wzrvbmp.dat"}}));
  ASSERT_TRUE(StartSaver(AsSaver(dir))) << "a box or no lock where no cache can be made";
  EXPECT_GE(program_.FindTrace("cache cannot be created: the frames are drawn in memory"), 0);
  ASSERT_TRUE(ClickAndWait(512, 384));
  TypeToEnd("Zv7");
  rmdir(blocker.c_str());
}

TEST_F(SaverTest, FirstStartWithoutACacheBuildsTheFramesWithoutANoticeThenLocks) {
  const std::string dir = Env("WINEPREFIX") + "/drive_c/wzrv-saver-first";
  MakeDirs(dir);
  RemoveFile(dir + "/wzrvbmp.dat");
  const auto begin = std::chrono::steady_clock::now();
  ASSERT_TRUE(StartSaver(AsSaver(dir))) << "a notice or no lock at the first start";
  const auto took = std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - begin).count();
  std::printf("first start as a saver: locked %lld ms after the start\n", static_cast<long long>(took));
  EXPECT_GE(program_.FindTrace("cache closed: 0 loaded, 13 drawn, 13 saved"), 0);
  TypeToEnd("");  // no password stored: Return alone
}

// The saver's settings store what the dialogs store, and a wzrv.exe that runs
// meanwhile takes them (it reads them again when told that the section
// changed): its own next store keeps them, and its next lock asks for the
// saver's password.
TEST_F(SaverTest, SettingsOpenEachDialogAndStoreAsTheyDo) {
  ASSERT_TRUE(SetProfileSection({{"DefaultPassword", "old"}, {"ApplicationColor(0)", "16,224,48"}}));
  ASSERT_TRUE(Start());
  ExpectBoxes(true);
  Program saver;
  ASSERT_TRUE(saver.Launch({"/c"}, AsSaver()));
  auto settings = WaitBox("Windows Z.R.V");
  ASSERT_NE(settings, nullptr) << "no settings dialog";
  for (const char* button : {"パスワードの変更", "色の設定", "効果音の設定", "OK"}) {
    EXPECT_TRUE(settings->HasButton(button)) << button << " missing in " << settings->Describe();
  }

  ASSERT_TRUE(probe::Click(settings->window.hwnd, "パスワードの変更"));
  auto box = WaitBox(kPasswordCaption);
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(SetPassword(*box, "fromsaver"));
  ASSERT_TRUE(Press(*box, "保存"));
  EXPECT_EQ(ProfileValue("DefaultPassword"), "fromsaver");

  ASSERT_TRUE(probe::Click(settings->window.hwnd, "色の設定"));
  box = WaitBox(kColorCaption);
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(probe::Click(box->window.hwnd, "Default"));
  ASSERT_TRUE(Press(*box, "設定"));
  EXPECT_EQ(ProfileValue("ApplicationColor(0)"), "255,136,0");

  ASSERT_TRUE(probe::Click(settings->window.hwnd, "効果音の設定"));
  box = WaitBox(kSoundCaption);
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(Press(*box, "Cancel"));

  ASSERT_TRUE(Press(*settings, "OK"));
  int code = -1;
  EXPECT_TRUE(saver.WaitExit(kWait, &code));
  EXPECT_EQ(code, 0);

  // The running program's own store of its colours keeps the saver's.
  ASSERT_TRUE(probe::Post(MainHwnd(), WM_SYSCOMMAND_, IDM_COLOR, 0));
  box = WaitBox(kColorCaption);
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(Press(*box, "設定"));
  EXPECT_EQ(ProfileValue("ApplicationColor(0)"), "255,136,0");
  std::string reminder;
  ASSERT_TRUE(LockWithReminder(&reminder));
  EXPECT_NE(reminder.find("fromsaver"), std::string::npos) << reminder;
  const size_t from = program_.Traces().size();
  Type("fromsaver\r");
  EXPECT_TRUE(program_.WaitForTrace("PlaySound 4", from)) << "the saver's password did not unlock";
}

TEST_F(SaverTest, ChangePasswordCommandOpensThePasswordDialog) {
  ExpectBoxes(true);
  ASSERT_TRUE(program_.Launch({"/a", "0"}, AsSaver()));
  auto box = WaitBox(kPasswordCaption);
  ASSERT_NE(box, nullptr) << "no password dialog";
  ASSERT_TRUE(SetPassword(*box, "viaA"));
  ASSERT_TRUE(Press(*box, "保存"));
  int code = -1;
  EXPECT_TRUE(program_.WaitExit(kWait, &code));
  EXPECT_EQ(ProfileValue("DefaultPassword"), "viaA");
}

// The control panel's preview: another program's window of 152 x 112 at
// (100, 100), which stays in front.
TEST_F(SaverTest, PreviewPlaysTheStoredColoursInAnotherWindowAndEndsWithIt) {
  // The frames' cache exists (the preview builds it silently otherwise).
  ASSERT_TRUE(Start());
  program_.Kill();
  const unsigned colours[] = {0x10E030, 0xF020C8, 0x2060FA};
  ASSERT_TRUE(SetProfileSection({{"ApplicationColor(0)", "16,224,48"},
                                 {"ApplicationColor(1)", "240,32,200"},
                                 {"ApplicationColor(2)", "32,96,250"}}));
  const std::string out = ArtifactDir() + "/host.txt";
  RemoveFile(out);
  host_ = Spawn({"wine", ProbePath(), "host", "152", "112", "8000"}, {{"WINEDEBUG", "-all"}}, "", out, "");
  ASSERT_GT(host_, 0);
  std::string hwnd;
  ASSERT_TRUE(WaitUntil([&] {
    const std::string text = ReadFile(out);
    const size_t at = text.find("hwnd=");
    if (at == std::string::npos) return false;
    hwnd = text.substr(at + 5, text.find('\n', at) - at - 5);
    return true;
  })) << "the host window did not come";

  ASSERT_TRUE(program_.Launch({"/p", hwnd}, AsSaver()));
  const auto shown = [&] {
    const Image shot = x11().Screenshot();
    for (int y = 100; y < 212; ++y) {
      for (int x = 100; x < 252; ++x) {
        for (unsigned c : colours) {
          if (shot.Pixel(x, y) == c) return true;
        }
      }
    }
    return false;
  };
  EXPECT_TRUE(WaitUntil(shown, Millis(2000), Millis(50))) << "no field in a stored colour inside the preview";
  const Image shot = x11().Screenshot();
  EXPECT_EQ(shot.Pixel(99, 150), expected_.Pixel(99, 150)) << "the preview went outside its window";

  // The other program stays in front: the preview never takes the
  // keyboard's window from it.
  const unsigned long front = std::stoul(hwnd);
  EXPECT_FALSE(WaitUntil([&] {
    const Snapshot snap = probe::Windows();
    return snap.ok && snap.foreground != front;
  }, Millis(1000), Millis(100))) << "the preview took the foreground:\n" << probe::Windows().Describe();
  EXPECT_EQ(program_.FindTrace("PlaySound"), -1) << "the preview played a sound";

  ASSERT_TRUE(WaitUntil([&] { return ReadFile(out).find("destroyed=1") != std::string::npos; }, kWait));
  int code = -1;
  EXPECT_TRUE(program_.WaitExit(Millis(1000), &code)) << "the preview outlived its window";
}

// As wzrv.exe the saver's letters are no options: the program starts as ever,
// minimised and unlocked.
TEST_F(SaverTest, TheProgramItselfIgnoresTheSaversLetters) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"/s"}, std::vector<std::string>{"/p", "123"}, std::vector<std::string>{"/c"}}) {
    ASSERT_TRUE(Start(args)) << args[0];
    Snapshot s = State();
    ASSERT_NE(s.Main(), nullptr);
    EXPECT_TRUE(s.Main()->iconic) << args[0];
    EXPECT_TRUE(s.boxes.empty()) << args[0];
    EXPECT_EQ(program_.FindTrace("saver:"), -1) << args[0];
    program_.Kill();
    ASSERT_TRUE(WaitUntil([] { return probe::Windows().windows.empty(); })) << args[0];
  }
}

// Under a window manager the saver takes typed keys at once, as the lock does.
class SaverWmTest : public SaverTest, public ::testing::WithParamInterface<WindowManager::Kind> {
 protected:
  void TearDown() override {
    wm_.Stop();
    SaverTest::TearDown();
  }
  WindowManager wm_;
};

TEST_P(SaverWmTest, RunTakesTheKeysAtOnce) {
  ASSERT_TRUE(wm_.Start(x11(), GetParam())) << WindowManager::Name(GetParam()) << " did not take the screen";
  ASSERT_TRUE(SetProfileSection({{"DefaultPassword", "Zv7"}}));
  expected_ = x11().Screenshot();
  // (The picture may hold the window manager's icon of the program, shown
  // while the frames were read, as a locked start's does.)
  ASSERT_TRUE(Start({"/s"}, AsSaver(), false));
  ASSERT_TRUE(WaitLocked());
  TypeToEnd("Zv7");
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, SaverWmTest,
                         ::testing::Values(WindowManager::Fvwm, WindowManager::CompositingXfwm),
                         [](const ::testing::TestParamInfo<WindowManager::Kind>& info) {
                           return info.param == WindowManager::Fvwm ? "fvwm" : "xfwm4";
                         });

}  // namespace
}  // namespace e2e
