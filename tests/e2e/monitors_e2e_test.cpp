// Two monitors of different sizes side by side (WZRV_MONITORS, a ctest entry
// of its own): the lock covers both and the strip below the smaller one,
// shows the desktop on all of it, and a click on the second monitor flashes
// its field there and leaves the screen as it was.
#include <string>
#include <vector>

#include "tests/e2e/harness.h"
#include "tests/e2e/pattern_window.h"

namespace e2e {
namespace {

constexpr unsigned kOrange = 0xFF8800;  // the default colour of every field

class TwoMonitorTest : public WzrvTest {
 protected:
  void SetUp() override {
    if (Env("WZRV_MONITORS").empty()) GTEST_SKIP() << "needs two monitors (WZRV_MONITORS)";
    WzrvTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(pattern_.Open());
    expected_ = pattern_.Expected();
    ASSERT_EQ(expected_.width, 1824);
    ASSERT_EQ(expected_.height, 768);
  }
  void TearDown() override {
    WzrvTest::TearDown();
    pattern_.Close();
  }

  // The desktop as the test display shows it: the pattern on both monitors;
  // the strip below the smaller one is on no monitor, and what a screenshot
  // shows there is the X server's, so it is taken from one before the lock.
  void TakeDesktop() {
    const Image shot = x11().Screenshot();
    ASSERT_EQ(shot.width, expected_.width);
    for (int y = 600; y < 768; ++y) {
      for (int x = 1024; x < 1824; ++x) {
        const size_t i = (static_cast<size_t>(y) * shot.width + x) * 3;
        for (int c = 0; c < 3; ++c) expected_.rgb[i + c] = shot.rgb[i + c];
      }
    }
  }

  // The locked window and its X window cover the union of both monitors.
  void ExpectCoversBothMonitors() {
    const Rect all{0, 0, 1824, 768};
    Snapshot s = State();
    ASSERT_NE(s.Main(), nullptr);
    EXPECT_FALSE(s.Main()->iconic);
    EXPECT_EQ(s.Main()->rect, all);
    Rect x;
    const unsigned long xwin = s.Main()->xwin;
    EXPECT_TRUE(WaitUntil([&] { return pattern_.RootGeometry(xwin, &x) && x == all; }, Millis(5000)))
        << "X window at " << x.left << "," << x.top << " " << x.Width() << "x" << x.Height();
  }

  // Clicks at (x, y) and watches the screen while the field plays: it shows
  // the field's colour near the pointer, then the desktop again.
  void ClickShowsTheFieldThere(int x, int y) {
    SCOPED_TRACE("click at " + std::to_string(x) + "," + std::to_string(y));
    const size_t from = program_.Traces().size();
    x11().Click(x, y);
    bool seen = false;
    const bool played = WaitUntil([&] {
      const Image shot = x11().Screenshot();
      for (int dy = -40; dy <= 40 && !seen; ++dy) {
        for (int dx = -40; dx <= 40 && !seen; ++dx) {
          const int px = x + dx, py = y + dy;
          if (px >= 0 && py >= 0 && px < shot.width && py < shot.height) seen = shot.Pixel(px, py) == kOrange;
        }
      }
      return seen || program_.FindTrace("animation done", from) >= 0;
    }, Millis(10000), Millis(5));
    ASSERT_TRUE(played);
    EXPECT_TRUE(seen) << "no field colour near the pointer while the field played";
    const int trace = program_.FindTrace("PlayBitmapAnimation", from);
    ASSERT_GE(trace, 0);
    EXPECT_EQ(program_.Traces()[trace].rfind("PlayBitmapAnimation " + std::to_string(x) + " " + std::to_string(y) + " ",
                                              0),
              0u)
        << program_.Traces()[trace];
    ASSERT_TRUE(WaitTrace("animation done", from));
    ScreenShows(expected_, "the desktop after the field");
  }

  PatternWindow pattern_;
  Image expected_;
};

TEST_F(TwoMonitorTest, WineReportsTwoMonitorsSideBySide) {
  const RunResult r = probe::Invoke({"monitors"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<Record> records = ParseRecords(r.out);
  ASSERT_EQ(records.size(), 3u) << r.out;
  EXPECT_EQ(records[0].Get("virtual"), "0,0,1824,768");
  EXPECT_EQ(records[0].Get("count"), "2");
  EXPECT_EQ(records[1].Get("rect"), "0,0,1024,768");
  EXPECT_EQ(records[1].Get("primary"), "1");
  EXPECT_EQ(records[2].Get("rect"), "1024,0,1824,600");
}

TEST_F(TwoMonitorTest, LockCoversBothMonitorsClicksPlayThereAndTypingUnlocks) {
  ASSERT_TRUE(SetProfileSection({{"DefaultPassword", "PW"}}));
  ASSERT_TRUE(Start());
  TakeDesktop();
  ASSERT_TRUE(ScreenShows(expected_, "the desktop with the program minimised"));
  ASSERT_TRUE(LockWithReminder());
  ExpectCoversBothMonitors();
  // Both monitors and the strip below the smaller one.
  ASSERT_TRUE(ScreenShows(expected_, "the desktop under the locked window"));
  ClickShowsTheFieldThere(1810, 300);  // the second monitor's right edge
  ClickShowsTheFieldThere(1030, 400);  // just right of the seam
  ClickShowsTheFieldThere(1018, 200);  // just left of it
  Type("PW\r");
  ASSERT_TRUE(WaitUnlocked(Millis(8000)));
  EXPECT_TRUE(ScreenShows(expected_, "the desktop after the unlock"));
}

TEST_F(TwoMonitorTest, LockedStartCoversBothMonitors) {
  TakeDesktop();
  ASSERT_TRUE(Start({"-o"}));
  ASSERT_TRUE(WaitLocked());
  ExpectCoversBothMonitors();
  ASSERT_TRUE(ScreenShows(expected_, "the desktop under the window locked at start"));
  ClickShowsTheFieldThere(1500, 580);
  Type("\r");
  ASSERT_TRUE(WaitUnlocked(Millis(8000)));
}

}  // namespace
}  // namespace e2e
