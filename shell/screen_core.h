// The screen the lock covers, and its pictures: the virtual screen (the union
// of every monitor, whose top-left corner can lie left of or above the
// primary monitor's), rectangles on it, and 32-bit pictures of parts of it.
#pragma once

#include <cstdint>

namespace wzrv {

// A rectangle in screen coordinates: the primary monitor's top-left corner is
// (0, 0); x grows to the right and y downwards.
struct ScreenArea {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
  bool Empty() const { return width <= 0 || height <= 0; }
  bool operator==(const ScreenArea& o) const {
    return left == o.left && top == o.top && width == o.width && height == o.height;
  }
};

// The area the locked window covers: the virtual screen as the system reports
// it (its origin and size), or the primary desktop when the system reports no
// virtual screen (a size of 0 or less).
ScreenArea LockArea(int virtualLeft, int virtualTop, int virtualWidth, int virtualHeight, int desktopWidth,
                    int desktopHeight);

ScreenArea Intersection(const ScreenArea& a, const ScreenArea& b);
// The smallest area holding both; an empty one adds nothing.
ScreenArea Union(const ScreenArea& a, const ScreenArea& b);
// What of `outer` lies outside `inner`, as at most four areas that do not
// overlap: above, below, left and right of it. All of `outer` when they do
// not meet.
int Outside(const ScreenArea& outer, const ScreenArea& inner, ScreenArea parts[4]);

// A picture of the screen kept up to date a band of rows at a time, each
// band in its turn: ready once every band has been copied, for as long as the
// oldest copy is recent enough. Times are milliseconds of a clock that may
// wrap around.
class BandedCopy {
 public:
  static constexpr int Bands = 4;
  void Start();  // nothing copied yet
  // The band of `screen` to copy now; it counts as copied at `now`.
  ScreenArea Next(const ScreenArea& screen, unsigned now);
  bool Fresh(unsigned now, unsigned maxAge) const;

 private:
  int next_ = 0;
  bool copied_[Bands] = {};
  unsigned at_[Bands] = {};
};

// A picture of a screen area: width x height pixels of 32 bits, rows top-down
// without padding; pixel (x, y) of the screen is at
// pixels[(y - area.top) * area.width + (x - area.left)].
struct ScreenPicture {
  std::uint32_t* pixels;
  ScreenArea area;
};

// Copies the part of `from` that lies inside `part` (screen coordinates) and
// inside `to` into `to`; the rest of `to` stays as it is. Returns the number
// of pixels copied.
long CopyScreenPart(const ScreenPicture& to, const ScreenPicture& from, const ScreenArea& part);

}  // namespace wzrv
