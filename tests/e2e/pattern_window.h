// A known desktop on the test display: a coloured checkerboard as the root
// window's background (below every window, whatever a window manager does),
// so that what the program shows over the desktop can be compared pixel for
// pixel.
#pragma once

#include <atomic>
#include <thread>

#include "tests/e2e/harness.h"

namespace e2e {

// Waits (boundedly) in a connection of its own until an X window is no longer
// viewable; returns when that was seen (steady clock), or the time of giving up.
std::chrono::steady_clock::time_point WatchUnmap(unsigned long xwin, Millis timeout);

class PatternWindow {
 public:
  PatternWindow() = default;
  ~PatternWindow() { Close(); }
  PatternWindow(const PatternWindow&) = delete;
  PatternWindow& operator=(const PatternWindow&) = delete;

  // Puts the pattern on the root window (through its own X connection; the
  // server repaints it by itself). False when the display cannot be opened.
  // `variant` picks another colouring of the cells.
  bool Open(int variant = 0);
  // The server's default root background again.
  void Close();
  // Whether an X window is mapped and all its ancestors are.
  bool Viewable(unsigned long xwin);
  // The picture the pattern window shows, as a screenshot of it would be.
  Image Expected() const;
  // Geometry of an X window in root coordinates; false when it has none.
  bool RootGeometry(unsigned long xwin, Rect* rect);
  // Whether an X window is on the screen at `rect` and takes clicks there:
  // viewable, placed so, and not shaped to nothing.
  bool Covers(unsigned long xwin, const Rect& rect);

 private:
  ::_XDisplay* display_ = nullptr;
  unsigned long pixmap_ = 0;
  int width_ = 0, height_ = 0, variant_ = 0;
};

// A desktop program that repaints late: a window over the whole screen that
// shows the pattern of PatternWindow `variant` on a grey background. A part
// of it that another window uncovers shows the grey until the window repaints,
// `delay` after it was uncovered (the X server paints the background at once).
class SlowWindow {
 public:
  SlowWindow() = default;
  ~SlowWindow() { Close(); }
  SlowWindow(const SlowWindow&) = delete;
  SlowWindow& operator=(const SlowWindow&) = delete;

  bool Open(int variant, Millis delay);
  void Close();
  int Repaints() const { return repaints_; }

 private:
  void Run();
  ::_XDisplay* display_ = nullptr;
  unsigned long window_ = 0, pixmap_ = 0;
  Millis delay_{0};
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> repaints_{0};
};

// The smallest rectangle holding every pixel that differs; false when none does.
bool DifferenceBox(const Image& a, const Image& b, Rect* box);

// A test over the known desktop: the pattern is on the screen before the
// test begins (`expected_` is what the screen shows) and goes after it.
class PatternDesktopTest : public WzrvTest {
 protected:
  void SetUp() override {
    WzrvTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(pattern_.Open()) << "cannot open the display for the test pattern";
    expected_ = pattern_.Expected();
    ASSERT_TRUE(ScreenShows(expected_, "the test pattern before the start"));
  }
  void TearDown() override {
    WzrvTest::TearDown();
    pattern_.Close();
  }

  PatternWindow pattern_;
  Image expected_;
};

}  // namespace e2e
