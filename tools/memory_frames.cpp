#include "tools/memory_frames.h"

#include <memory>

namespace wzrv {

BitmapHandle MemoryFrames::LoadFrame() {
  if (loaded >= cache.size()) return NullBitmap;
  frames.push_back(cache[loaded++]);
  return static_cast<BitmapHandle>(frames.size() + 1);
}

BitmapHandle MemoryFrames::MakeFrame(const unsigned char* dib, int w, int h) {
  made.push_back(ExtractFrame(dib, w, h));
  frames.push_back(made.back());
  return static_cast<BitmapHandle>(frames.size() + 1);
}

const MonoFrame* MemoryFrames::Find(BitmapHandle h) const {
  if (h < 2 || h - 2 >= frames.size()) return nullptr;
  return &frames[h - 2];
}

std::vector<MonoFrame> DrawAllFrames() {
  std::unique_ptr<unsigned char[]> dib(new unsigned char[DIBBytes]);
  std::vector<MonoFrame> out;
  out.reserve(FrameCount);
  for (int i = 0; i < FrameCount; ++i) {
    PatternSets::ClearDIB(dib.get());
    DrawFrame(i, dib.get());
    const FrameSize s = FrameSizeOf(i);
    out.push_back(ExtractFrame(dib.get(), s.width, s.height));
  }
  return out;
}

}  // namespace wzrv
