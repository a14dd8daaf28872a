// The field frames the program makes are the very frames drawn natively.
//
// The program writes every registered frame bitmap as frameNN.pbm when
// WZRV_DUMP_FRAMES names a directory; the native wzrvtool compares them pixel
// by pixel with the frames it draws itself and prints one line per frame.
#include <unistd.h>

#include <cstdio>
#include <regex>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

// The same directory as the program sees it (Wine's drive Z: is the root).
std::string WindowsPath(std::string unixPath) {
  for (char& c : unixPath)
    if (c == '/') c = '\\';
  return "Z:" + unixPath;
}

class FramesTest : public WzrvTest {
 protected:
  void SetUp() override {
    WzrvTest::SetUp();
    // No pattern cache anywhere the program looks: every frame is drawn.
    RemoveFile(DefaultProgramDir() + "/wzrvbmp.dat");
    RemoveFile(Env("WINEPREFIX") + "/drive_c/windows/wzrvbmp.dat");
  }

  // Starts the program with the frame export into a fresh directory, waits for
  // it, ends the program and compares. Returns wzrvtool's report.
  RunResult StartAndCompare(const std::string& name, std::string* dumped) {
    const std::string dir = ArtifactDir() + "/" + name;
    MakeDirs(dir);
    for (int i = 0; i < 30; ++i) {
      char file[32];
      std::snprintf(file, sizeof file, "/frame%02d.pbm", i);
      RemoveFile(dir + file);
    }
    LaunchOptions options;
    options.env["WZRV_DUMP_FRAMES"] = WindowsPath(dir);
    if (!Start({}, options) || !WaitTrace("frames dumped")) return {};
    const int at = program_.FindTrace("frames dumped");
    *dumped = at >= 0 ? program_.Traces()[static_cast<size_t>(at)] : "";
    // Closed from the system menu, as a user ends it.
    int exitCode = -1;
    EXPECT_TRUE(probe::Post(MainHwnd(), WM_SYSCOMMAND_, SC_CLOSE_, 0));
    EXPECT_TRUE(program_.WaitExit(kWait, &exitCode));
    EXPECT_EQ(exitCode, 0);
    return e2e::Run({Tool(), "compare", dir});
  }
};

// Per-frame lines "NAME WxH  P field pixels  D differing".
void ExpectIdentical(const RunResult& r) {
  ASSERT_EQ(r.exitCode == 0 || r.exitCode == 1, true) << "wzrvtool failed: " << r.err << r.out;
  static const std::regex line(R"((\S+)\s+(\d+)x(\d+)\s+(\d+) field pixels\s+(\d+) differing)");
  int frames = 0;
  for (const std::string& l : SplitLines(r.out)) {
    std::smatch m;
    if (!std::regex_search(l, m, line)) continue;
    ++frames;
    EXPECT_EQ(m[5].str(), "0") << l;
    EXPECT_GT(std::stoi(m[4].str()), 100) << l;
  }
  EXPECT_EQ(frames, 13) << r.out;
  EXPECT_EQ(r.exitCode, 0) << r.out;
}

TEST_F(FramesTest, ProgramDrawsTheNativeFramesPixelForPixel) {
  std::string dumped;
  const RunResult r = StartAndCompare("frames-drawn", &dumped);
  EXPECT_EQ(dumped, "frames dumped 13");  // all 13 registered frames were written
  std::printf("%s", r.out.c_str());
  ExpectIdentical(r);
}

TEST_F(FramesTest, SecondStartHasTheSameFrames) {
  // Whether the second start reads the frames back from a pattern cache or
  // draws them again, they are the same.
  std::string dumped;
  ExpectIdentical(StartAndCompare("frames-first", &dumped));
  ExpectIdentical(StartAndCompare("frames-second", &dumped));
  EXPECT_EQ(dumped, "frames dumped 13");
}

}  // namespace
}  // namespace e2e
