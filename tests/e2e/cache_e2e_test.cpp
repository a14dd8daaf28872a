// The pattern cache file "wzrvbmp.dat" as the program writes, finds and reads
// it: the generation notice, where a new cache goes and what the profile then
// holds, the fallbacks, invalid and damaged files, and a cache that cannot be
// created.
//
// The program traces "cache closed: L loaded, D drawn, S saved" after the
// pattern build: L frames came from the cache, D were drawn, S were appended
// to a new cache.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

const char kNotice[] = "パターン生成します";
const char kCannotCreate[] = "パターンファイルが生成できません";
const char kCaption[] = "Windows Zorvel";
constexpr size_t kCompleteBytes = 109367;

std::string DriveC() { return Env("WINEPREFIX") + "/drive_c"; }
std::string WindowsDirCache() { return DriveC() + "/windows/wzrvbmp.dat"; }
// A directory of its own on drive C: for a test, as Unix and as Windows path.
std::string TestDir(const std::string& name) { return DriveC() + "/wzrv-cache-" + name; }
std::string TestDirWin(const std::string& name) { return "C:\\wzrv-cache-" + name; }
// The same place as the program sees it (Wine's drive Z: is the root).
std::string ZPath(std::string unixPath) {
  for (char& c : unixPath)
    if (c == '/') c = '\\';
  return "Z:" + unixPath;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// A cache of the frames drawn natively, as the tool writes it.
std::string NativeCache() {
  const std::string path = ArtifactDir() + "/native-wzrvbmp.dat";
  const RunResult r = e2e::Run({Tool(), "write", path});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return ReadFile(path);
}

class CacheTest : public WzrvTest {
 protected:
  void SetUp() override {
    WzrvTest::SetUp();
    // No cache anywhere the program may look or the tests write.
    RemoveFile(DefaultProgramDir() + "/wzrvbmp.dat");
    RemoveFile(WindowsDirCache());
    for (const char* name : {"a", "b", "gone"}) {
      MakeDirs(TestDir(name));
      RemoveFile(TestDir(name) + "/wzrvbmp.dat");
    }
    rmdir(TestDir("gone").c_str());
    ExpectBoxes(true);  // the notices are part of these tests
  }

  // Starts the program in `cwd` and waits until the pattern build is over,
  // confirming generation notices and counting them. Returns the build's
  // trace ("cache closed: ..."), empty when it did not come.
  std::string StartBuild(const std::string& cwd, int* notices, const LaunchOptions& extra = {}) {
    *notices = 0;
    LaunchOptions options = extra;
    options.cwd = cwd;
    if (!program_.Launch({}, options)) {
      ADD_FAILURE() << "cannot start the program";
      return "";
    }
    Snapshot snap;
    std::string problem;
    const bool built = WaitUntil([&] {
      if (program_.FindTrace("cache closed") >= 0) return true;
      if (!program_.Running()) {
        problem = "the program ended";
        return true;
      }
      snap = probe::Windows();
      for (const Box& b : snap.boxes) {
        if (b.window.title == kCaption && b.StaticText() == kNotice) {
          if (Press(b, "OK")) ++*notices;
        } else {
          problem = "unexpected box: " + b.Describe();
          return true;
        }
      }
      return false;
    }, Millis(60000), Millis(50));
    if (!built || !problem.empty()) {
      ADD_FAILURE() << "no pattern build: " << (problem.empty() ? "timeout" : problem) << "\n" << snap.Describe();
      return "";
    }
    // Up and handling messages, with no box left.
    const bool ready = WaitUntil([&] {
      snap = probe::Windows();
      return snap.ok && snap.Main() != nullptr && snap.boxes.empty() &&
             probe::Send(snap.Main()->hwnd, WM_NULL_, 0, 0, 5000);
    });
    EXPECT_TRUE(ready) << snap.Describe();
    if (snap.Main() != nullptr) {
      mainHwnd_ = snap.Main()->hwnd;
      mainXwin_ = snap.Main()->xwin;
    }
    const std::vector<std::string> traces = program_.Traces();
    return traces[static_cast<size_t>(program_.FindTrace("cache closed"))];
  }

  // Ends the program the way a user does.
  void Close() {
    int exitCode = -1;
    EXPECT_TRUE(probe::Post(MainHwnd(), WM_SYSCOMMAND_, SC_CLOSE_, 0));
    EXPECT_TRUE(program_.WaitExit(kWait, &exitCode));
    EXPECT_EQ(exitCode, 0);
  }

  RunResult Inspect(const std::string& path) { return e2e::Run({Tool(), "inspect", path}); }
};

TEST_F(CacheTest, FirstStartWritesTheCacheAndLaterStartsReadItFromAnywhere) {
  int notices = 0;
  // First start: empty profile, no cache.
  EXPECT_EQ(StartBuild(TestDir("a"), &notices), "cache closed: 0 loaded, 13 drawn, 13 saved");
  EXPECT_EQ(notices, 1);
  Close();
  const std::string written = ReadFile(TestDir("a") + "/wzrvbmp.dat");
  EXPECT_EQ(written.size(), kCompleteBytes);
  EXPECT_EQ(ProfileValue("FieldPatternFile"), TestDirWin("a") + "\\wzrvbmp.dat");
  const RunResult inspect = Inspect(TestDir("a") + "/wzrvbmp.dat");
  EXPECT_EQ(inspect.exitCode, 0) << inspect.out;
  // The very file the native code writes for the same frames.
  NativeCache();
  const RunResult diff = e2e::Run({Tool(), "diff", ArtifactDir() + "/native-wzrvbmp.dat", TestDir("a") + "/wzrvbmp.dat"});
  EXPECT_EQ(diff.exitCode, 0) << diff.out << diff.err;
  EXPECT_FALSE(Exists(WindowsDirCache()));  // nothing went to the Windows directory

  // Second start from another directory: the stored path is read, nothing is
  // drawn, nothing is asked and the profile stays as it is.
  const auto section = ProfileSection();
  const std::string winIni = ReadFile(WinIniPath());
  const std::string dump = ArtifactDir() + "/frames-from-cache";
  MakeDirs(dump);
  LaunchOptions options;
  options.env["WZRV_DUMP_FRAMES"] = ZPath(dump);
  EXPECT_EQ(StartBuild(TestDir("b"), &notices, options), "cache closed: 13 loaded, 0 drawn, 0 saved");
  EXPECT_EQ(notices, 0);
  EXPECT_TRUE(program_.FindTrace("frames dumped 13") >= 0);
  Close();
  EXPECT_EQ(ProfileSection(), section);
  EXPECT_TRUE(ReadFile(WinIniPath()) == winIni) << "WIN.INI was changed";
  EXPECT_EQ(ReadFile(TestDir("a") + "/wzrvbmp.dat"), written);
  EXPECT_FALSE(Exists(TestDir("b") + "/wzrvbmp.dat"));
  // The frames read back are the frames drawn.
  const RunResult compare = e2e::Run({Tool(), "compare", dump});
  EXPECT_EQ(compare.exitCode, 0) << compare.out;
}

TEST_F(CacheTest, StoredPathGoneThenTheWindowsDirectoryCacheIsRead) {
  ASSERT_TRUE(WriteFile(WindowsDirCache(), NativeCache()));
  const std::string stored = TestDirWin("gone") + "\\wzrvbmp.dat";
  ASSERT_TRUE(SetProfileSection({{"FieldPatternFile", stored}}));
  int notices = 0;
  EXPECT_EQ(StartBuild(TestDir("a"), &notices), "cache closed: 13 loaded, 0 drawn, 0 saved");
  EXPECT_EQ(notices, 0);
  Close();
  EXPECT_EQ(ProfileValue("FieldPatternFile"), stored);
  EXPECT_FALSE(Exists(TestDir("a") + "/wzrvbmp.dat"));
}

TEST_F(CacheTest, InvalidMagicIsReplacedByANewCacheAtTheSamePath) {
  const std::string path = TestDir("b") + "/wzrvbmp.dat";
  const std::string stored = TestDirWin("b") + "\\wzrvbmp.dat";
  std::string native = NativeCache();
  std::string noNul = native, lastDigit = native;
  noNul[14] = 'X';
  lastDigit[13] = '2';
  for (const std::string& bad : {noNul, lastDigit}) {
    ASSERT_TRUE(WriteFile(path, bad));
    ASSERT_TRUE(SetProfileSection({{"FieldPatternFile", stored}}));
    int notices = 0;
    EXPECT_EQ(StartBuild(TestDir("a"), &notices), "cache closed: 0 loaded, 13 drawn, 13 saved");
    EXPECT_EQ(notices, 1);
    Close();
    EXPECT_EQ(e2e::Run({Tool(), "diff", ArtifactDir() + "/native-wzrvbmp.dat", path}).exitCode, 0);
    EXPECT_EQ(ProfileValue("FieldPatternFile"), stored);
    EXPECT_FALSE(Exists(TestDir("a") + "/wzrvbmp.dat"));
  }
}

TEST_F(CacheTest, MagicAloneDrawsEveryFrameAndKeepsItsFifteenBytes) {
  const std::string path = TestDir("a") + "/wzrvbmp.dat";
  const std::string magic("WindowsZRV9501\0", 15);
  ASSERT_TRUE(WriteFile(path, magic));
  int notices = 0;
  const std::string dump = ArtifactDir() + "/frames";
  MakeDirs(dump);
  LaunchOptions options;
  options.env["WZRV_DUMP_FRAMES"] = ZPath(dump);
  EXPECT_EQ(StartBuild(TestDir("a"), &notices, options), "cache closed: 0 loaded, 13 drawn, 0 saved");
  EXPECT_EQ(notices, 0);
  Close();
  EXPECT_EQ(ReadFile(path), magic);
  bool found = true;
  ProfileValue("FieldPatternFile", &found);
  EXPECT_FALSE(found);
  // Drawn from the start as on a first start: the usual frames.
  EXPECT_EQ(e2e::Run({Tool(), "compare", dump}).exitCode, 0);
}

TEST_F(CacheTest, DamagedOrShortRecordIsDrawnAndTheFileStaysUnchanged) {
  const std::string native = NativeCache();
  const std::string path = TestDir("a") + "/wzrvbmp.dat";
  struct Case {
    const char* what;
    std::string bytes;
    const char* trace;
  };
  std::string planes = native, huge = native;
  planes[109103 + 16] = 2;  // record 13 (mini): two planes
  huge[38111 + 8] = '\xFF';  // record 5: height 0x7F0001FF ...
  huge[38111 + 11] = '\x7F';
  const std::vector<Case> cases = {
      {"header of the last record damaged", planes, "cache closed: 12 loaded, 1 drawn, 0 saved"},
      {"record 5 asks for gigabytes", huge, "cache closed: 4 loaded, 9 drawn, 0 saved"},
      {"cut inside record 5", native.substr(0, 40000), "cache closed: 4 loaded, 9 drawn, 0 saved"},
      {"cut inside a record header", native.substr(0, 38111 + 10), "cache closed: 4 loaded, 9 drawn, 0 saved"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(WriteFile(path, c.bytes));
    int notices = 0;
    EXPECT_EQ(StartBuild(TestDir("a"), &notices), c.trace);
    EXPECT_EQ(notices, 0);
    // Runs as usual: it locks, and a click plays a field.
    ExpectBoxes(false);
    EXPECT_TRUE(LockWithReminder());
    EXPECT_TRUE(ClickAndWait(x11().ScreenWidth() / 2, x11().ScreenHeight() / 2));
    program_.Kill();
    WaitUntil([&] {
      Snapshot s = probe::Windows();
      return s.ok && s.windows.empty() && s.boxes.empty();
    });
    ExpectBoxes(true);
    EXPECT_TRUE(ReadFile(path) == c.bytes) << "the damaged file was changed";
  }
}

TEST_F(CacheTest, CacheThatCannotBeCreatedEndsTheProgramWithMinusOne) {
  // "wzrvbmp.dat" in the current directory is a directory: nothing can be
  // read from it nor created in its place, not even by a superuser.
  const std::string blocker = TestDir("a") + "/wzrvbmp.dat";
  ASSERT_TRUE(MakeDirs(blocker));
  ASSERT_TRUE(IsDirectory(blocker));
  ASSERT_TRUE(SetProfileSection({{"FieldPatternFile", TestDirWin("gone") + "\\wzrvbmp.dat"}}));
  LaunchOptions options;
  options.cwd = TestDir("a");
  ASSERT_TRUE(program_.Launch({}, options));
  auto notice = WaitBox(kCaption, Millis(30000));
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->StaticText(), kNotice);
  ASSERT_TRUE(Press(*notice, "OK"));
  auto failure = WaitBox(kCaption);
  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->StaticText(), kCannotCreate);
  EXPECT_TRUE(failure->HasButton("OK"));
  ASSERT_TRUE(Press(*failure, "OK"));
  int exitCode = 0;
  ASSERT_TRUE(program_.WaitExit(kWait, &exitCode));
  EXPECT_EQ(exitCode, 255);  // -1
  EXPECT_LT(program_.FindTrace("cache closed"), 0);  // no frames were built
  EXPECT_EQ(ProfileValue("FieldPatternFile"), TestDirWin("gone") + "\\wzrvbmp.dat");
  EXPECT_TRUE(IsDirectory(blocker));
  rmdir(blocker.c_str());
}

TEST_F(CacheTest, CurrentDirectoryWhereNoFileCanBeMadeEndsTheProgramWithMinusOne) {
  // /proc takes no new files, whoever asks; nothing is stored and the Windows
  // directory holds no cache, so the current directory is the only candidate.
  LaunchOptions options;
  options.cwd = "/proc";
  ASSERT_TRUE(program_.Launch({}, options));
  auto notice = WaitBox(kCaption, Millis(30000));
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->StaticText(), kNotice);
  ASSERT_TRUE(Press(*notice, "OK"));
  auto failure = WaitBox(kCaption);
  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->StaticText(), kCannotCreate);
  ASSERT_TRUE(Press(*failure, "OK"));
  int exitCode = 0;
  ASSERT_TRUE(program_.WaitExit(kWait, &exitCode));
  EXPECT_EQ(exitCode, 255);
  bool found = true;
  ProfileValue("FieldPatternFile", &found);
  EXPECT_FALSE(found);
}

// A lock asked for while the generation notice is open (the window is
// minimised, so the restore from the taskbar can do it) waits until the
// fields exist: the reminder comes only after the build.
TEST_F(CacheTest, LockAskedForDuringTheBuildWaitsForTheFields) {
  LaunchOptions options;
  options.cwd = TestDir("a");
  ASSERT_TRUE(program_.Launch({}, options));
  auto notice = WaitBox(kCaption, Millis(30000));
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->StaticText(), kNotice);
  const Snapshot during = probe::Windows();
  ASSERT_NE(during.Main(), nullptr);
  mainHwnd_ = during.Main()->hwnd;
  ASSERT_TRUE(probe::Post(mainHwnd_, WM_SYSCOMMAND_, SC_RESTORE_, 0));
  // Nothing but the notice while it is open.
  ASSERT_TRUE(probe::Send(mainHwnd_, WM_NULL_, 0, 0));
  const Snapshot still = probe::Windows();
  ASSERT_EQ(still.boxes.size(), 1u) << still.Describe();
  EXPECT_EQ(still.boxes[0].StaticText(), kNotice);
  ASSERT_TRUE(Press(*notice, "OK"));
  auto reminder = WaitBox("Confirm Password");
  ASSERT_NE(reminder, nullptr);
  const int built = program_.FindTrace("cache closed");
  ASSERT_GE(built, 0);
  ASSERT_TRUE(Press(*reminder, "OK"));
  ASSERT_TRUE(WaitLocked());
  EXPECT_GT(program_.FindTrace("PlaySound 3"), built);
}

// Close chosen from the system menu while the notice is open, after a lock
// was asked for (both work: the notice has no owner and the window is
// minimised): once the notice is gone the program ends with 0, with no lock
// and no box; the frames drawn after the Close are deleted, and the cache is
// complete for the next start.
TEST_F(CacheTest, CloseDuringTheBuildEndsTheProgramCleanly) {
  LaunchOptions options;
  options.cwd = TestDir("a");
  options.exe = "wzrv_gdicount.exe";
  ASSERT_TRUE(program_.Launch({}, options));
  auto notice = WaitBox(kCaption, Millis(30000));
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->StaticText(), kNotice);
  const Snapshot during = probe::Windows();
  ASSERT_NE(during.Main(), nullptr);
  mainHwnd_ = during.Main()->hwnd;
  ASSERT_TRUE(probe::Post(mainHwnd_, WM_SYSCOMMAND_, IDM_LOCK, 0));
  ASSERT_TRUE(probe::Post(mainHwnd_, WM_SYSCOMMAND_, SC_CLOSE_, 0));
  // Answered (or the window is gone): both commands have been handled.
  probe::Send(mainHwnd_, WM_NULL_, 0, 0, 3000);
  // The notice's own loop may end with the program's quit; otherwise OK.
  const Snapshot after = probe::Windows();
  for (const Box& box : after.boxes) {
    ASSERT_EQ(box.StaticText(), kNotice) << after.Describe();
    Press(box, "OK");
  }
  int exitCode = -1;
  bool reminded = false;
  const bool ended = WaitUntil([&] {
    for (const Box& box : probe::Windows().boxes) reminded = reminded || box.window.title == "Confirm Password";
    return !program_.Running();
  });
  ASSERT_TRUE(ended) << probe::Windows().Describe();
  ASSERT_TRUE(program_.WaitExit(kWait, &exitCode));
  EXPECT_EQ(exitCode, 0);
  EXPECT_FALSE(reminded);
  EXPECT_LT(program_.FindTrace("PlaySound"), 0);
  EXPECT_EQ(program_.FindTrace("cache closed: 0 loaded, 13 drawn, 13 saved") >= 0, true);
  // The balance at the very end: every frame deleted.
  std::string last;
  for (const std::string& t : program_.Traces()) {
    if (t.rfind("gdi destroy", 0) == 0) last = t;
  }
  EXPECT_EQ(last, "gdi destroy dc=0 memdc=0 bitmap=0 brush=0 pen=0 font=0 palette=0");
  EXPECT_EQ(ReadFile(TestDir("a") + "/wzrvbmp.dat").size(), 109367u);
}

}  // namespace
}  // namespace e2e
