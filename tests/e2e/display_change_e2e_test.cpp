// The screen changes while locked (WZRV_DISPLAY_CHANGE, a ctest entry with a
// display of its own): RandR makes the one monitor larger, as a change of
// resolution or a monitor added does, and smaller again. The locked window
// covers the new screen at once; what it had not seen shows black.
#include <string>
#include <vector>

#include "tests/e2e/harness.h"
#include "tests/e2e/pattern_window.h"

namespace e2e {
namespace {

class DisplayChangeTest : public WzrvTest {
 protected:
  void SetUp() override {
    if (Env("WZRV_DISPLAY_CHANGE").empty()) GTEST_SKIP() << "changes the display's size (WZRV_DISPLAY_CHANGE)";
    WzrvTest::SetUp();
    if (HasFatalFailure()) return;
    full_ = Rect{0, 0, x11().ScreenWidth(), x11().ScreenHeight()};
  }
  void TearDown() override {
    WzrvTest::TearDown();
    if (x11_ != nullptr && full_.Width() > 0) x11().SetScreenSize(full_.Width(), full_.Height());
  }

  // Wine's idea of the screen, from a new process.
  std::string VirtualScreen() {
    for (const Record& r : ParseRecords(probe::Invoke({"monitors"}).out))
      if (r.kind == "screen") return r.Get("virtual");
    return "";
  }
  static std::string Text(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.Width()) + "," +
           std::to_string(r.Height());
  }
  bool Resize(const Rect& to) {
    if (!x11().SetScreenSize(to.Width(), to.Height())) {
      ADD_FAILURE() << "RandR refused " << Text(to);
      return false;
    }
    const bool seen = WaitUntil([&] { return VirtualScreen() == Text(to); }, Millis(10000), Millis(200));
    EXPECT_TRUE(seen) << "Wine reports " << VirtualScreen() << " instead of " << Text(to);
    return seen;
  }
  // The locked window and its X window cover `area`.
  bool Covers(const Rect& area, const std::string& what) {
    const bool window = WaitMain([&](const WindowInfo& w) { return !w.iconic && w.rect == area; }, what);
    Rect x;
    const bool xwindow = WaitUntil([&] {
      Snapshot s = probe::Windows();
      return s.Main() != nullptr && pattern_.RootGeometry(s.Main()->xwin, &x) && x == area &&
             pattern_.Viewable(s.Main()->xwin);
    }, Millis(5000));
    EXPECT_TRUE(xwindow) << what << ": X window at " << Text(x);
    return window && xwindow;
  }

  Rect full_;
  PatternWindow pattern_;  // only its X window geometry helpers are used
};

TEST_F(DisplayChangeTest, LockedWindowFollowsTheScreenLargerAndSmaller) {
  const Rect small{0, 0, 800, 600};
  ASSERT_TRUE(pattern_.Open());
  ASSERT_TRUE(Resize(small));
  ASSERT_TRUE(Start({"-o"}));
  ASSERT_TRUE(Covers(small, "the window locked at start on the small screen"));
  ASSERT_TRUE(probe::Send(MainHwnd(), WM_NULL_, 0, 0));
  const Image before = x11().Screenshot();
  ASSERT_EQ(before.width, 800);

  // Larger: nothing of the new part is left uncovered; it shows black, the
  // old part what it showed.
  ASSERT_TRUE(Resize(full_));
  ASSERT_TRUE(Covers(full_, "the window after the screen grew"));
  Image shot;
  long wrong = 0;
  const bool shown = WaitUntil([&] {
    shot = x11().Screenshot();
    wrong = 0;
    for (int y = 0; y < shot.height; ++y) {
      for (int x = 0; x < shot.width; ++x) {
        const unsigned want = x < 800 && y < 600 ? before.Pixel(x, y) : 0x000000u;
        wrong += shot.Pixel(x, y) != want;
      }
    }
    return wrong == 0;
  }, Millis(5000), Millis(100));
  if (!shown) SavePng(shot, ArtifactDir() + "/grown.png");
  EXPECT_TRUE(shown) << wrong << " pixels are neither the old picture nor black";
  EXPECT_GE(program_.FindTrace("display change 0 0 " + std::to_string(full_.Width()) + " " +
                               std::to_string(full_.Height())),
            0);

  // A click still plays, and the program still unlocks.
  ASSERT_TRUE(ClickAndWait(full_.Width() - 60, full_.Height() - 60));
  // Smaller again: the window follows.
  ASSERT_TRUE(Resize(small));
  ASSERT_TRUE(Covers(small, "the window after the screen shrank"));
  Type("\r");
  ASSERT_TRUE(WaitUnlocked(Millis(8000)));
}

}  // namespace
}  // namespace e2e
