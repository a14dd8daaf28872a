#include "tools/fieldgif.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "pattern/random.h"
#include "shell/wzrv_core.h"

namespace wzrv {

namespace {

void Fill(RgbPicture* p, int x, int y, int w, int h, std::uint32_t color) {
  for (int r = std::max(0, y); r < std::min(p->height, y + h); ++r)
    for (int c = std::max(0, x); c < std::min(p->width, x + w); ++c)
      p->pixels[static_cast<std::size_t>(r) * p->width + c] = color;
}

// A window with a shadow, a title bar, a client area and lines of "text".
void Window(RgbPicture* p, int x, int y, int w, int h, std::uint32_t title) {
  Fill(p, x + 6, y + 6, w, h, 0x202020);
  Fill(p, x, y, w, h, 0xECE9D8);
  Fill(p, x + 3, y + 3, w - 6, 22, title);
  Fill(p, x + w - 23, y + 6, 16, 16, 0xC0C0C0);  // a close box
  Fill(p, x + 8, y + 32, w - 16, h - 40, 0xFFFFFF);
  for (int line = 0; y + 44 + line * 16 < y + h - 16; ++line)
    Fill(p, x + 18, y + 44 + line * 16, std::max(40, (w - 50) - (line * 37 % 90)), 5, 0x9090A0);
}

const MonoFrame* Lookup(BitmapHandle h, const void* context) {
  return static_cast<const MemoryFrames*>(context)->Find(h);
}

}  // namespace

RgbPicture DesktopPicture(int width, int height) {
  RgbPicture p;
  p.width = width;
  p.height = height;
  p.pixels.assign(static_cast<std::size_t>(width) * height, 0);
  for (int y = 0; y < height; y += 8) {  // teal to navy
    const int t = y * 255 / std::max(1, height);
    Fill(&p, 0, y, width, 8,
         (static_cast<std::uint32_t>(10 + t / 12) << 16) | (static_cast<std::uint32_t>(110 - t / 3) << 8) |
             static_cast<std::uint32_t>(140 - t / 5));
  }
  for (int i = 0; 24 + i * 84 + 46 < height; ++i) {  // desktop icons with their captions
    Fill(&p, 20, 24 + i * 84, 40, 34, 0xF0D060 - static_cast<std::uint32_t>(i) * 0x101000);
    Fill(&p, 14, 64 + i * 84, 52, 6, 0xFFFFFF);
  }
  Window(&p, width / 5, height / 8, width / 2, height / 2, 0x0A246A);
  Window(&p, width / 2, height * 2 / 5, width * 2 / 5, height / 2, 0x3A6EA5);
  Fill(&p, 0, height - 28, width, 28, 0xD4D0C8);  // a taskbar
  Fill(&p, 4, height - 24, 64, 20, 0x3C8C3C);
  return p;
}

FieldTablesInMemory::FieldTablesInMemory() {
  const std::uint32_t saved = RandState();
  SetRandState(1);  // as at a first start
  sets_.BuildZRV1(frames_);
  sets_.BuildZRV2(frames_);
  sets_.BuildZRV3(frames_);
  SetRandState(saved);
}

SaveRect AllFieldsRect(const FieldTablesInMemory& tables) {
  int l = 0, t = 0, r = 0, b = 0;
  for (int a = 0; a < 3; ++a) {
    const ImpactPlan impact = ImpactFor(a);
    int size = 0;
    const BitmapAnimation* table = TableFor(tables.Sets(), a, &size);
    const PlaybackPlan plan(table, size, 0, 0, impact.delay);
    const SaveRect& s = plan.Save();
    if (s.Empty()) continue;
    l = std::min(l, s.x);
    t = std::min(t, s.y);
    r = std::max(r, s.x + s.width);
    b = std::max(b, s.y + s.height);
  }
  return SaveRect{l, t, r - l, b - t};
}

std::vector<MovieFrame> FieldMovie(const FieldTablesInMemory& tables, int anipattern,
                                   const RgbPicture& background, int x, int y, std::uint32_t color,
                                   int holdBefore, int holdAfter) {
  std::vector<MovieFrame> movie;
  auto add = [&movie](RgbPicture picture, int centis) {
    if (centis <= 0) return;
    if (!movie.empty() && movie.back().picture.pixels == picture.pixels)
      movie.back().centis += centis;  // nothing changes on the screen
    else
      movie.push_back(MovieFrame{std::move(picture), centis});
  };
  add(background, holdBefore);
  const ImpactPlan impact = ImpactFor(anipattern);
  int size = 0;
  const BitmapAnimation* table = TableFor(tables.Sets(), anipattern, &size);
  const PlaybackPlan plan(table, size, x, y, impact.delay);
  constexpr int kShortestMs = 20;  // 2 hundredths
  const int stride = std::max(1, (kShortestMs + impact.wait - 1) / impact.wait);
  for (int j = 0; j < plan.Steps();) {
    int end = std::min(plan.Steps(), j + stride);
    if (end < plan.Steps() && (plan.Steps() - end) * impact.wait < kShortestMs) end = plan.Steps();
    // Hundredths from the click to the step's start and end, so that the
    // roundings add up to the whole animation's time.
    const int centis = end * impact.wait / 10 - j * impact.wait / 10;
    add(ComposeStep(background, table, size, x, y, impact.delay, j, color, &Lookup, &tables.Frames()), centis);
    j = end;
  }
  add(background, holdAfter);  // the screen put back
  return movie;
}

namespace {

struct GifCloser {
  GifFileType* gif;
  ~GifCloser() {
    if (gif != nullptr) {
      int error = 0;
      EGifCloseFile(gif, &error);
    }
  }
};

std::string GifError(const char* what, int code) {
  const char* text = GifErrorString(code);
  return std::string(what) + ": " + (text != nullptr ? text : "giflib error " + std::to_string(code));
}

}  // namespace

bool WriteGif(const std::string& path, const std::vector<MovieFrame>& movie, std::string* error) {
  if (movie.empty()) {
    *error = "no pictures";
    return false;
  }
  const int width = movie[0].picture.width, height = movie[0].picture.height;
  // Index 0 is transparent: a pixel that stays as the previous picture left it.
  std::map<std::uint32_t, GifPixelType> index;
  std::vector<GifColorType> colors(1, GifColorType{0, 0, 0});
  for (const MovieFrame& f : movie) {
    if (f.picture.width != width || f.picture.height != height) {
      *error = "pictures of different sizes";
      return false;
    }
    for (std::uint32_t p : f.picture.pixels) {
      if (index.count(p) != 0) continue;
      if (colors.size() == 256) {
        *error = "more than 255 colours";
        return false;
      }
      index[p] = static_cast<GifPixelType>(colors.size());
      colors.push_back(GifColorType{static_cast<GifByteType>(p >> 16), static_cast<GifByteType>(p >> 8),
                                    static_cast<GifByteType>(p)});
    }
  }
  const int mapSize = 1 << GifBitSize(static_cast<int>(colors.size()));
  colors.resize(static_cast<std::size_t>(mapSize), GifColorType{0, 0, 0});

  int code = 0;
  GifCloser out{EGifOpenFileName(path.c_str(), false, &code)};
  if (out.gif == nullptr) {
    *error = GifError(("cannot create " + path).c_str(), code);
    return false;
  }
  EGifSetGifVersion(out.gif, true);
  ColorMapObject* map = GifMakeMapObject(mapSize, colors.data());
  const bool screenOk = map != nullptr && EGifPutScreenDesc(out.gif, width, height, 8, 0, map) == GIF_OK;
  GifFreeMapObject(map);
  if (!screenOk) {
    *error = GifError("screen descriptor", out.gif->Error);
    return false;
  }
  // Loop for ever.
  const GifByteType netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
  const GifByteType forever[] = {1, 0, 0};
  if (EGifPutExtensionLeader(out.gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
      EGifPutExtensionBlock(out.gif, sizeof netscape, netscape) != GIF_OK ||
      EGifPutExtensionBlock(out.gif, sizeof forever, forever) != GIF_OK ||
      EGifPutExtensionTrailer(out.gif) != GIF_OK) {
    *error = GifError("loop extension", out.gif->Error);
    return false;
  }
  const RgbPicture* previous = nullptr;
  std::vector<GifPixelType> line;
  for (const MovieFrame& f : movie) {
    // Only the rectangle that changes is stored; inside it, unchanged pixels
    // are transparent (long runs of one index that compress well).
    int l = 0, t = 0, r = width, b = height;
    if (previous != nullptr) {
      l = width;
      t = height;
      r = b = 0;
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          if (f.picture.At(x, y) != previous->At(x, y)) {
            l = std::min(l, x);
            r = std::max(r, x + 1);
            t = std::min(t, y);
            b = std::max(b, y + 1);
          }
      if (r == 0) l = t = 0, r = b = 1;  // unchanged: one transparent pixel
    }
    GraphicsControlBlock gcb;
    gcb.DisposalMode = DISPOSE_DO_NOT;
    gcb.UserInputFlag = false;
    gcb.DelayTime = f.centis;
    gcb.TransparentColor = previous != nullptr ? 0 : NO_TRANSPARENT_COLOR;
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    if (EGifPutExtension(out.gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) != GIF_OK ||
        EGifPutImageDesc(out.gif, l, t, r - l, b - t, false, nullptr) != GIF_OK) {
      *error = GifError("image descriptor", out.gif->Error);
      return false;
    }
    line.resize(static_cast<std::size_t>(r - l));
    for (int y = t; y < b; ++y) {
      for (int x = l; x < r; ++x) {
        const std::uint32_t p = f.picture.At(x, y);
        line[static_cast<std::size_t>(x - l)] = previous != nullptr && previous->At(x, y) == p ? 0 : index[p];
      }
      if (EGifPutLine(out.gif, line.data(), r - l) != GIF_OK) {
        *error = GifError("image data", out.gif->Error);
        return false;
      }
    }
    previous = &f.picture;
  }
  GifFileType* gif = out.gif;
  out.gif = nullptr;
  if (EGifCloseFile(gif, &code) != GIF_OK) {
    *error = GifError(("cannot write " + path).c_str(), code);
    return false;
  }
  return true;
}

bool ReadGif(const std::string& path, std::vector<MovieFrame>* movie, int* loops, std::string* error) {
  int code = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &code);
  if (gif == nullptr) {
    *error = GifError(("cannot open " + path).c_str(), code);
    return false;
  }
  if (DGifSlurp(gif) != GIF_OK) {
    *error = GifError(("cannot read " + path).c_str(), gif->Error);
    DGifCloseFile(gif, &code);
    return false;
  }
  movie->clear();
  *loops = -1;  // no loop extension: played once
  RgbPicture canvas;
  canvas.width = gif->SWidth;
  canvas.height = gif->SHeight;
  canvas.pixels.assign(static_cast<std::size_t>(canvas.width) * canvas.height, 0);
  bool ok = true;
  for (int i = 0; i < gif->ImageCount && ok; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    for (int e = 0; e + 1 < image.ExtensionBlockCount; ++e) {
      const ExtensionBlock& b = image.ExtensionBlocks[e];
      const ExtensionBlock& next = image.ExtensionBlocks[e + 1];
      if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 &&
          std::memcmp(b.Bytes, "NETSCAPE2.0", 11) == 0 && next.ByteCount == 3 && next.Bytes[0] == 1)
        *loops = next.Bytes[1] | next.Bytes[2] << 8;
    }
    GraphicsControlBlock gcb;
    gcb.DelayTime = 0;
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    DGifSavedExtensionToGCB(gif, i, &gcb);
    const ColorMapObject* map = image.ImageDesc.ColorMap != nullptr ? image.ImageDesc.ColorMap : gif->SColorMap;
    const GifImageDesc& d = image.ImageDesc;
    if (map == nullptr || d.Left < 0 || d.Top < 0 || d.Left + d.Width > canvas.width ||
        d.Top + d.Height > canvas.height || d.Interlace) {
      *error = "frame " + std::to_string(i) + " lies outside the screen, is interlaced or has no colours";
      ok = false;
      break;
    }
    const RgbPicture before = canvas;
    for (int y = 0; y < d.Height; ++y)
      for (int x = 0; x < d.Width; ++x) {
        const int v = image.RasterBits[static_cast<std::size_t>(y) * d.Width + x];
        if (v == gcb.TransparentColor) continue;
        if (v >= map->ColorCount) {
          *error = "frame " + std::to_string(i) + " uses a colour outside its map";
          ok = false;
          break;
        }
        const GifColorType& c = map->Colors[v];
        canvas.pixels[static_cast<std::size_t>(d.Top + y) * canvas.width + d.Left + x] =
            static_cast<std::uint32_t>(c.Red) << 16 | static_cast<std::uint32_t>(c.Green) << 8 | c.Blue;
      }
    movie->push_back(MovieFrame{canvas, gcb.DelayTime});
    if (gcb.DisposalMode == DISPOSE_PREVIOUS) canvas = before;
    if (gcb.DisposalMode == DISPOSE_BACKGROUND) {
      for (int y = 0; y < d.Height; ++y)
        for (int x = 0; x < d.Width; ++x)
          canvas.pixels[static_cast<std::size_t>(d.Top + y) * canvas.width + d.Left + x] = 0;
    }
  }
  DGifCloseFile(gif, &code);
  return ok;
}

}  // namespace wzrv
