// What the screen shows at each step of a field animation, computed on an RGB
// picture the way the program draws it with GDI: for the README's movies and
// for the tests that tell which step a screen grab shows.
#pragma once

#include <cstdint>
#include <vector>

#include "pattern/pattern_core.h"

namespace wzrv {

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
