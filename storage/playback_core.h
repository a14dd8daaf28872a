// Field playback, the platform-free part: which screen rectangle an
// animation covers, which table entries each step shows, and the frame timer.
// The drawing itself (save, restore, the two raster operations) is in
// playback_win32.cpp; ComposeStep does the same on an RGB picture.
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

// ---- Frame timer ----------------------------------------------------------------
// A millisecond counter, unsigned 32-bit, that wraps (on Windows derived from
// the performance counter: GetTickCount advances in steps of 10-16 ms, which
// would stretch a 20 ms wait to 31 ms).
using TickSource = std::uint32_t (*)();
// Replaces the counter Delay polls; null puts the platform's back. Returns
// the one it replaces.
TickSource SetTickSource(TickSource source);
TickSource CurrentTickSource();
// Returns once at least `msec` milliseconds have passed since `since` (a
// value of the counter), polling it without sleeping, also across its wrap.
// The counter is read in whole milliseconds, so `since` may have been read
// late in its millisecond: the wait goes on until the counter has advanced
// by more than `msec`. Returns after one poll when `msec` is 0 or the time
// has already passed. Returns the number of polls.
unsigned long WaitSince(std::uint32_t since, unsigned msec);
// Returns once at least `msec` milliseconds have passed since it was entered
// (WaitSince from now). With 0 it returns after one poll.
unsigned long Delay(unsigned msec);
// Platform counter: PlatformMicros in whole milliseconds (the performance
// counter on Windows, a steady clock elsewhere).
std::uint32_t PlatformTicks();

// The pace of the animation steps: a monotonic microsecond clock, replaceable
// like the counter. A step lasts `wait` milliseconds from its start, drawing
// included, so that the whole animation takes its nominal time.
using MicroClock = std::uint64_t (*)();
MicroClock SetMicroClock(MicroClock clock);  // null: the platform's
MicroClock CurrentMicroClock();
std::uint64_t PlatformMicros();
// Polls the clock until at least `msec` milliseconds have passed since
// `since` (a reading of it). Returns the number of polls (1 when the time has
// already passed).
unsigned long WaitStep(std::uint64_t since, unsigned msec);

// ---- The drawing on an RGB picture --------------------------------------------------
// A picture of packed 0xRRGGBB pixels, rows top-down.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// What the screen shows at `step` of an animation around (x, y): the
// background with the step's frames on top, each frame's set pixels in
// `color` (0xRRGGBB), clipped to the picture. `frame` gives the frame of a
// table entry's bitmap (null: drawn as nothing).
using FrameLookup = const MonoFrame* (*)(BitmapHandle handle, const void* context);
RgbPicture ComposeStep(const RgbPicture& background, const BitmapAnimation* table, int size,
                       int x, int y, int delay, int step, std::uint32_t color,
                       FrameLookup frame, const void* context);

}  // namespace wzrv
