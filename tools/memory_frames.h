// The field frames kept in memory, for the host tools and the tests: a frame
// source that keeps every frame it is given, and all 13 frames drawn at once.
#pragma once

#include <cstddef>
#include <vector>

#include "pattern/pattern_core.h"

namespace wzrv {

// Keeps every made frame; handles are 2, 3, 4 ... Frames put in `cache` are
// handed out by LoadFrame first, one per call, as a pattern cache would.
class MemoryFrames : public FrameSource {
 public:
  BitmapHandle LoadFrame() override;
  BitmapHandle MakeFrame(const unsigned char* dib, int w, int h) override;

  const MonoFrame* Find(BitmapHandle h) const;

  std::vector<MonoFrame> frames;  // every frame handed out, in order
  std::vector<MonoFrame> made;    // the frames drawn (what a cache would receive)
  std::vector<MonoFrame> cache;   // frames to load, in order
  std::size_t loaded = 0;         // how many of `cache` were handed out
};

// Draws all 13 frames from the generator's current state, in build order.
std::vector<MonoFrame> DrawAllFrames();

}  // namespace wzrv
