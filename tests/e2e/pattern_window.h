// A known desktop on the test display: a coloured checkerboard as the root
// window's background (below every window, whatever a window manager does),
// so that what the program shows over the desktop can be compared pixel for
// pixel.
#pragma once

#include "tests/e2e/harness.h"

namespace e2e {

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

 private:
  ::_XDisplay* display_ = nullptr;
  unsigned long pixmap_ = 0;
  int width_ = 0, height_ = 0, variant_ = 0;
};

// The smallest rectangle holding every pixel that differs; false when none does.
bool DifferenceBox(const Image& a, const Image& b, Rect* box);

}  // namespace e2e
