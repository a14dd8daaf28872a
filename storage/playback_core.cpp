#include "storage/playback_core.h"

#include <algorithm>
#include <chrono>
#include <climits>

namespace wzrv {

namespace {

bool IsEnd(const BitmapAnimation* table, int size, int i) {
  return i >= size || table[i].bitmap == NullBitmap;
}

}  // namespace

PlaybackPlan::PlaybackPlan(const BitmapAnimation* table, int size, int x, int y, int delay)
    : table_(table), size_(size), delay_(delay) {
  int sx = INT_MAX, sy = INT_MAX, ex = INT_MIN, ey = INT_MIN;
  bool any = false;
  int i = 0;
  for (; !IsEnd(table, size, i); ++i) {
    const BitmapAnimation& e = table[i];
    if (e.bitmap == BlankBitmap) continue;
    any = true;
    sx = std::min(sx, e.x);
    sy = std::min(sy, e.y);
    ex = std::max(ex, e.x + e.width);
    ey = std::max(ey, e.y + e.height);
  }
  steps_ = i;
  if (any) {
    save_.x = x + sx;
    save_.y = y + sy;
    save_.width = ex - sx;
    save_.height = ey - sy;
  }
}

std::vector<int> PlaybackPlan::Entries(int step) const {
  std::vector<int> shown;
  for (int i = 0; i < delay_; ++i) {
    const int k = step + i;
    if (IsEnd(table_, size_, k)) break;
    if (table_[k].bitmap == BlankBitmap) continue;
    shown.push_back(k);
  }
  return shown;
}

const BitmapAnimation* TableFor(const PatternSets& sets, int anipattern, int* size) {
  switch (anipattern) {
    case 0:
      *size = PatternSets::Pattern1Size;
      return sets.pattern1;
    case 1:
      *size = PatternSets::Pattern2Size;
      return sets.pattern2;
    case 2:
      *size = PatternSets::Pattern3Size;
      return sets.pattern3;
    default:
      *size = 0;
      return nullptr;
  }
}

namespace {
MicroClock microClock = nullptr;
}  // namespace

MicroClock SetMicroClock(MicroClock clock) {
  const MicroClock old = CurrentMicroClock();
  microClock = clock;
  return old;
}

MicroClock CurrentMicroClock() { return microClock != nullptr ? microClock : &PlatformMicros; }

unsigned long WaitStep(std::uint64_t since, unsigned msec) {
  const MicroClock clock = CurrentMicroClock();
  const std::uint64_t span = static_cast<std::uint64_t>(msec) * 1000u;
  unsigned long polls = 0;
  for (;;) {
    ++polls;
    if (clock() - since >= span) return polls;
  }
}

unsigned long Delay(unsigned msec) { return WaitStep(CurrentMicroClock()(), msec); }

#ifndef _WIN32
std::uint64_t PlatformMicros() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}
#endif

}  // namespace wzrv
