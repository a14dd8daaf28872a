// Field playback, the platform-free part: which screen rectangle an
// animation covers, which table entries each step shows, and the frame timer.
// The drawing itself (save, restore, the two raster operations) is in
// playback_win32.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "pattern/pattern_core.h"

namespace wzrv {

// The screen rectangle an animation saves and restores, in the coordinates of
// the click point: the union of every drawable entry of the table (blank
// entries do not count). Empty (all zero) when the table draws nothing.
struct SaveRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool Empty() const { return width <= 0 || height <= 0; }
};

// The animation of one table around (x, y). `size` bounds the table: an
// entry past it counts as the terminator.
class PlaybackPlan {
 public:
  PlaybackPlan(const BitmapAnimation* table, int size, int x, int y, int delay);

  // Number of steps: the index of the terminator.
  int Steps() const { return steps_; }
  const SaveRect& Save() const { return save_; }
  // The entries drawn at step j, in drawing order (later over earlier):
  // entries j ... j + delay - 1, without blank entries and nothing from the
  // terminator on.
  std::vector<int> Entries(int step) const;

 private:
  const BitmapAnimation* table_;
  int size_;
  int delay_;
  int steps_ = 0;
  SaveRect save_;
};

// The table and colour set an animation type plays; null for a type other
// than 0, 1 and 2.
const BitmapAnimation* TableFor(const PatternSets& sets, int anipattern, int* size);

// ---- Step timer -----------------------------------------------------------------
// The pace of the animation steps: a monotonic microsecond clock (on Windows
// the performance counter: GetTickCount advances in steps of 10-16 ms, which
// would stretch a 20 ms step to 31 ms), replaceable for tests. A step lasts
// `wait` milliseconds from its start, drawing included, so that the whole
// animation takes its nominal time.
using MicroClock = std::uint64_t (*)();
MicroClock SetMicroClock(MicroClock clock);  // null: the platform's; returns the one replaced
MicroClock CurrentMicroClock();
std::uint64_t PlatformMicros();
// Polls the clock until at least `msec` milliseconds have passed since
// `since` (a reading of it). Returns the number of polls (1 when the time has
// already passed).
unsigned long WaitStep(std::uint64_t since, unsigned msec);
// Returns once at least `msec` milliseconds have passed since it was entered,
// polling without sleeping; with 0 after one poll. Returns the number of polls.
unsigned long Delay(unsigned msec);

}  // namespace wzrv
