#include "tools/compose.h"

#include <algorithm>

#include "storage/playback_core.h"

namespace wzrv {

RgbPicture ComposeStep(const RgbPicture& background, const BitmapAnimation* table, int size,
                       int x, int y, int delay, int step, std::uint32_t color,
                       FrameLookup frame, const void* context) {
  RgbPicture out = background;
  const PlaybackPlan plan(table, size, x, y, delay);
  for (int k : plan.Entries(step)) {
    const BitmapAnimation& e = table[k];
    const MonoFrame* f = frame(e.bitmap, context);
    if (f == nullptr) continue;
    const int w = std::min(e.width, f->width), h = std::min(e.height, f->height);
    for (int r = 0; r < h; ++r) {
      const int py = y + e.y + r;
      if (py < 0 || py >= out.height) continue;
      for (int c = 0; c < w; ++c) {
        const int px = x + e.x + c;
        if (px < 0 || px >= out.width) continue;
        if (f->Pixel(c, r)) out.pixels[static_cast<std::size_t>(py) * out.width + px] = color;
      }
    }
  }
  return out;
}

}  // namespace wzrv
