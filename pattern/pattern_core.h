// The field frames: the one-bit drawing canvas, the stipple and band
// rasterisers, the thirteen frames of the three fields and the animation
// tables that play them.
//
// Everything here is plain memory work. A frame becomes a platform bitmap
// through a FrameSource supplied by the caller: the Windows program makes
// monochrome GDI bitmaps (and reads or writes the pattern cache), the tests
// and the host tools keep the frames in memory (tools/memory_frames.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wzrv {

// ---- Canvas -------------------------------------------------------------------
// 416 x 400 pixels, one bit each, rows of 52 bytes stored bottom-up (row 0 is
// the bottom line, so y grows upwards); the leftmost pixel of a byte is its
// most significant bit; 1 = field pixel.
constexpr int DIBW = 416;
constexpr int DIBH = 400;
constexpr int DIBRowBytes = DIBW / 8;          // 52
constexpr int DIBBytes = DIBRowBytes * DIBH;   // 20800
extern const unsigned char DIBOrder[8];        // mask of pixel x mod 8

// ---- Frames and animation tables ----------------------------------------------
// A frame handle as the tables hold it: a platform bitmap, or one of these.
using BitmapHandle = std::uintptr_t;
constexpr BitmapHandle NullBitmap = 0;   // terminator: the animation ends here
constexpr BitmapHandle BlankBitmap = 1;  // a step that shows nothing

// One step of a field animation: which frame, and where its top-left corner
// lies relative to the click point (screen pixels, y downwards).
struct BitmapAnimation {
  BitmapHandle bitmap = NullBitmap;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// A monochrome frame as the screen shows it: rows top-down, RowBytes() bytes
// each, leftmost pixel in the most significant bit, 1 = field pixel; bits past
// the width are 0.
struct MonoFrame {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> bits;

  int RowBytes() const { return (width + 7) / 8; }
  bool Pixel(int column, int line) const;
  int SetPixelCount() const;
};

// The lower-left w x h of the canvas turned the right way up: frame pixel
// (c, r) is canvas pixel (c, h - 1 - r). Requires 1 <= w <= 416, 1 <= h <= 400.
MonoFrame ExtractFrame(const unsigned char* dib, int w, int h);

// Where the builders get their frame bitmaps from.
class FrameSource {
 public:
  virtual ~FrameSource() = default;
  // The next frame from the pattern cache, or NullBitmap when there is none.
  virtual BitmapHandle LoadFrame() = 0;
  // A new frame bitmap holding the canvas's lower-left w x h (see
  // ExtractFrame); a frame made here is also offered to the pattern cache.
  virtual BitmapHandle MakeFrame(const unsigned char* dib, int w, int h) = 0;
};

// The thirteen frames in the order they are obtained (and stored in the
// cache): hexagon 100, 200, 300, 400, hexagon loop, hexagon start, octagon
// 80x100, 160x200, 240x300, 320x400, octagon loop, octagon start, mini.
constexpr int FrameCount = 13;
struct FrameSize {
  int width;
  int height;
};
FrameSize FrameSizeOf(int index);
// A short file-name-friendly name, e.g. "hexagon-100x100", "octagon-start".
const char* FrameName(int index);
// Draws frame `index`'s figure onto a cleared canvas, drawing from the
// program's generator.
void DrawFrame(int index, unsigned char* dib);

// ---- The builder -----------------------------------------------------------------
class PatternSets {
 public:
  static constexpr int BitmapCapacity = 30;
  static constexpr int Pattern1Size = 30;
  static constexpr int Pattern2Size = 30;
  static constexpr int Pattern3Size = 75;

  // Canvas operations.
  static void ClearDIB(unsigned char* dib);
  static void PutPixel(unsigned char* dib, int x, int y) {
    dib[y * DIBRowBytes + x / 8] |= DIBOrder[x % 8];
  }

  // Percentage of steps Rands draws for a probability: the exact product
  // _ratio x 100 truncated toward zero (0.3 gives 29, 1.0 gives 100). Values
  // below 0 (and NaN) give 0; huge ones are capped at 1000000.
  static int RatioPercent(double _ratio);
  // A segment from (sx, sy) towards (ex, ey) as a random stipple: one step per
  // unit of length, each drawn with probability _ratio. Returns the number of
  // pixel writes.
  static int Rands(unsigned char* bitmap, double sx, double sy, double ex, double ey,
                   double _ratio);
  // Probability of hexagon j of a band of bandWidth hexagons: 0 inside,
  // reaching 1 at 70 % of the band.
  static double BandRatio(int j, int bandWidth);
  // Probability of nested octagon j: j x 0.1.
  static double OctagonRatio(int j);
  // Corners of nested octagon j (0 = innermost) of a DrawZRV2Element figure,
  // in canvas coordinates.
  static void OctagonCorners(int width, int height, int rx, int ry, int j, double x[8],
                             double y[8]);
  // A band of ren - rst concentric hexagons of radius rst ... ren - 1 around
  // (width / 2, height / 2), sparse inside and solid outside.
  static void DrawZRV1Element(unsigned char* bitmap, int width, int height, int rst, int ren);
  // A band of 15 nested octagons around (width / 2, height / 2); the innermost
  // has half-widths rx (top and bottom edges) and ry (left and right edges).
  static void DrawZRV2Element(unsigned char* bitmap, int width, int height, int rx, int ry);
  // 100 random rays from (cx, cy), each 0 ... 99 long.
  static void DrawRays(unsigned char* bitmap, int cx, int cy);

  // Registry: every frame bitmap, in the order obtained. Refuses (returns
  // false) when all slots are taken; the caller then still owns `bit`.
  bool RegisterBitmap(BitmapHandle bit);

  // The three fields: obtain the frames in order and fill the tables.
  void BuildZRV1(FrameSource& frames);  // hexagon field -> pattern1
  void BuildZRV2(FrameSource& frames);  // octagon field -> pattern2
  void BuildZRV3(FrameSource& frames);  // mini field -> pattern3

  BitmapAnimation pattern1[Pattern1Size];
  BitmapAnimation pattern2[Pattern2Size];
  BitmapAnimation pattern3[Pattern3Size];
  int BitmapCount = 0;
  BitmapHandle BitmapInUse[BitmapCapacity] = {};

 private:
  void BuildField(FrameSource& frames, int firstFrame, BitmapAnimation* table, int tableSize);
  BitmapHandle ObtainFrame(FrameSource& frames, int index, unsigned char* dib);
};

}  // namespace wzrv
