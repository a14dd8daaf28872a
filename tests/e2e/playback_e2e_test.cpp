// Field animations on the screen, over a known picture: every grab taken
// while a field plays is the picture under the lock with the frames of one
// step on top, in the set's exact colour and only inside the save rectangle
// (now and then, under Wine, part the step before and part the next one);
// afterwards the screen is as before, also after clicks at the edges and
// corners. A colour stored in WIN.INI is the colour drawn, and each of the
// three fields shows up as the generator chooses. On an 8-bit display (a
// palette device) the program creates its palette and plays without error.
#include <set>
#include <sstream>
#include <string>

#include "tests/e2e/harness.h"
#include "tests/e2e/pattern_window.h"
#include "tests/e2e/playback_sampler.h"

namespace e2e {
namespace {

constexpr unsigned kOrange = 0xFF8800;

class PlaybackTest : public WzrvTest {
 protected:
  void SetUp() override {
    WzrvTest::SetUp();
    if (HasFatalFailure()) return;
    if (Env("WZRV_SCREEN_DEPTH", "24") != "24") GTEST_SKIP() << "colours are checked on a 24-bit display";
    ASSERT_TRUE(pattern_.Open()) << "cannot open the display for the test pattern";
    ASSERT_TRUE(grabber_.Ok());
  }
  void TearDown() override {
    WzrvTest::TearDown();
    pattern_.Close();
  }

  LaunchOptions Traced() {
    LaunchOptions o;
    o.env["WZRV_PLAYBACK_TRACE"] = "1";
    return o;
  }

  // One click at (x, y) watched from start to end. Returns the animation type
  // played (-1 on failure) and checks every grab and the screen afterwards.
  int ClickAndWatch(int x, int y, const Image& before, const unsigned colors[3]) {
    ClickWatcher watcher(tables_, before, x, y, colors);
    const size_t from = program_.Traces().size();
    const AnimationWatch watch =
        watcher.Run(grabber_, program_.ErrPath(), [&] { x11().Click(x, y); });
    if (!WaitTrace("PlayBitmapAnimation", from)) return -1;
    const int a = watch.anipattern;
    EXPECT_EQ(watch.x, x);
    EXPECT_EQ(watch.y, y);
    std::ostringstream where;
    where << "field " << a << " at " << x << "," << y;
    EXPECT_TRUE(watch.done) << where.str() << ": no end of the animation";
    if (!watch.unknown.empty()) {
      const std::string path = SaveNumberedPng(ToImage(watch.unknownGrabs.front()), "unmatched");
      ADD_FAILURE() << where.str() << ": " << watch.unknown.size() << " of " << watch.steps.size()
                    << " grabs show no step, e.g. " << watch.unknown.front() << " (" << path << ")";
    }
    // A grab caught between two steps now and then, never as a rule.
    EXPECT_LE(watch.tears * 20, static_cast<int>(watch.steps.size()))
        << where.str() << ": " << watch.tears << " of " << watch.steps.size() << " grabs show two steps at once";
    std::set<int> shown;
    for (int s : watch.steps)
      if (s >= 0) shown.insert(s);
    EXPECT_FALSE(shown.empty()) << where.str() << ": no step of the field was seen in "
                                << watch.steps.size() << " grabs";
    // Afterwards the screen is pixel for pixel as before.
    std::string first;
    const Image after = x11().Screenshot();
    const long n = CountDifferences(after, before, &first);
    if (n != 0) {
      const std::string path = SaveNumberedPng(after, "after");
      ADD_FAILURE() << where.str() << ": " << n << " pixels differ after the animation, first " << first
                    << " (" << path << ")";
    }
    return a;
  }

  PatternWindow pattern_;
  RegionGrabber grabber_;
  FieldTables tables_;
};

TEST_F(PlaybackTest, FieldsComposeOverTheScreenAndLeaveNoTrace) {
  ASSERT_TRUE(Start({}, Traced()));
  ASSERT_TRUE(LockWithReminder());
  const Image before = SettledScreen();
  const unsigned colors[3] = {kOrange, kOrange, kOrange};
  const int w = before.width, h = before.height;
  // Edges and corners first, then the middle until every field was seen.
  const int points[][2] = {{w / 2, h / 2}, {3, h / 2},     {w - 4, h / 2}, {w / 2, 2},
                           {w / 2, h - 3}, {1, 1},         {w - 2, 1},     {1, h - 2},
                           {w - 2, h - 2}, {150, 150},     {w - 150, h - 150}};
  std::set<int> fields;
  for (const auto& p : points) {
    const int a = ClickAndWatch(p[0], p[1], before, colors);
    ASSERT_GE(a, 0);
    fields.insert(a);
    if (HasFailure()) return;
  }
  for (int i = 0; i < 12 && fields.size() < 3; ++i) {
    const int a = ClickAndWatch(w / 2 + 40 * i - 200, h / 2, before, colors);
    ASSERT_GE(a, 0);
    fields.insert(a);
  }
  EXPECT_EQ(fields.size(), 3u) << "not every field was chosen";
}

TEST_F(PlaybackTest, StoredColourIsTheColourDrawn) {
  ASSERT_TRUE(SetProfileSection({{"ApplicationColor(0)", "255,136,0"},
                                 {"ApplicationColor(1)", "0,128,255"},
                                 {"ApplicationColor(2)", "10,200,30"}}));
  ASSERT_TRUE(Start({}, Traced()));
  ASSERT_TRUE(LockWithReminder());
  const Image before = SettledScreen();
  const unsigned colors[3] = {kOrange, 0x0080FF, 0x0AC81E};
  std::set<int> fields;
  for (int i = 0; i < 15 && fields.size() < 3; ++i) {
    const int a = ClickAndWatch(300 + 30 * i, 350, before, colors);
    ASSERT_GE(a, 0);
    fields.insert(a);
  }
  EXPECT_EQ(fields.size(), 3u);
  // Well-formed values are kept as they are.
  EXPECT_EQ(ProfileValue("ApplicationColor(1)"), "0,128,255");
  EXPECT_EQ(ProfileValue("ApplicationColor(2)"), "10,200,30");
}

TEST_F(PlaybackTest, TransparentWindowPlaysAndRepaintsTheScreen) {
  ASSERT_TRUE(Start({"-t"}, Traced()));
  ASSERT_TRUE(LockWithReminder());
  const Image before = SettledScreen();
  const unsigned colors[3] = {kOrange, kOrange, kOrange};
  for (int i = 0; i < 3; ++i) ASSERT_GE(ClickAndWatch(400 + 100 * i, 300, before, colors), 0);
}

TEST_F(PlaybackTest, ClicksDuringAnAnimationWaitForItsEnd) {
  ASSERT_TRUE(Start({}, Traced()));
  ASSERT_TRUE(LockWithReminder());
  const size_t from = program_.Traces().size();
  for (int i = 0; i < 3; ++i) x11().Click(300 + 200 * i, 400);
  ASSERT_TRUE(WaitUntil([&] {
    int n = 0;
    for (const auto& t : program_.Traces()) n += t == "animation done";
    return n >= 3;
  }, Millis(10000)));
  // Each animation ends before the next click is handled.
  std::vector<std::string> order;
  const auto traces = program_.Traces();
  for (size_t i = from; i < traces.size(); ++i) {
    if (traces[i].compare(0, 19, "PlayBitmapAnimation") == 0) order.push_back("play");
    if (traces[i] == "animation done") order.push_back("done");
  }
  EXPECT_EQ(order, (std::vector<std::string>{"play", "done", "play", "done", "play", "done"}));
}

TEST_F(PlaybackTest, FreshProfileGetsThreeDefaultColours) {
  ASSERT_TRUE(Start({}, Traced()));
  for (int i = 0; i < 3; ++i) {
    bool found = false;
    EXPECT_EQ(ProfileValue("ApplicationColor(" + std::to_string(i) + ")", &found), "255,136,0");
    EXPECT_TRUE(found);
  }
}

// Run on an 8-bit display (WZRV_SCREEN_DEPTH=8; a ctest entry of its own).
class EightBitTest : public WzrvTest {
 protected:
  void SetUp() override {
    if (Env("WZRV_SCREEN_DEPTH", "24") != "8") GTEST_SKIP() << "needs an 8-bit display";
    WzrvTest::SetUp();
  }
};

TEST_F(EightBitTest, PaletteDeviceLocksPlaysAndUnlocks) {
  ASSERT_TRUE(Start({}, {}));
  ASSERT_TRUE(WaitTrace("palette device=1 palette=1 entries=3"));
  ASSERT_TRUE(LockWithReminder());
  for (int i = 0; i < 6; ++i) {
    const size_t from = program_.Traces().size();
    std::string trace;
    ASSERT_TRUE(ClickAndWait(200 + 100 * i, 300, 1, &trace));
    ASSERT_TRUE(WaitTrace("animation done", from));
  }
  Type("\n");
  ASSERT_TRUE(WaitUnlocked());
  EXPECT_TRUE(program_.Running());
}

}  // namespace
}  // namespace e2e
