#include "pattern/pattern_core.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "pattern/random.h"

namespace wzrv {

const unsigned char DIBOrder[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};

namespace {

// The field arithmetic: every expression is evaluated with a 64-bit mantissa
// (long double) and every value that is kept or passed on is a double. Hold()
// rounds an intermediate to double through memory, so the rounding happens
// exactly here on every compiler, also on x87 targets that keep doubles in
// wider registers.
inline double Hold(long double v) {
  volatile double d = static_cast<double>(v);
  return d;
}

// Written with six decimals, as the figures have always been drawn.
constexpr double kPi = 3.141592;
constexpr double kThird = 1.0 / 3.0;
constexpr double kBandSolid = 0.7;  // hexagon bands are solid from 70 % outwards
constexpr double kRayStep = 0.02;   // ray directions: multiples of 0.02 x pi
constexpr double kRayRatio = 0.3;
constexpr double kOctagonCut = 10.0;
constexpr double kOctagonRatioStep = 0.1;

// sqrt(a^2 + b^2) with every operation a correctly rounded 64-bit-mantissa
// one, so that the length of a segment comes out the same on every platform
// (library hypot functions differ in their last bits, and a length that
// lands on the other side of an integer changes the number of steps).
inline long double Hypot(long double a, long double b) { return std::sqrt(a * a + b * b); }

inline double Sin(double a) { return Hold(std::sin(static_cast<long double>(a))); }
inline double Cos(double a) { return Hold(std::cos(static_cast<long double>(a))); }

struct FrameSpec {
  const char* name;
  FrameSize size;
};

constexpr FrameSpec kFrames[FrameCount] = {
    {"hexagon-100x100", {100, 100}}, {"hexagon-200x200", {200, 200}},
    {"hexagon-300x300", {300, 300}}, {"hexagon-400x400", {400, 400}},
    {"hexagon-loop", {300, 300}},    {"hexagon-start", {300, 300}},
    {"octagon-80x100", {80, 100}},   {"octagon-160x200", {160, 200}},
    {"octagon-240x300", {240, 300}}, {"octagon-320x400", {320, 400}},
    {"octagon-loop", {240, 300}},    {"octagon-start", {240, 300}},
    {"mini", {40, 40}},
};

constexpr int kHexagonFirst = 0;
constexpr int kOctagonFirst = 6;
constexpr int kMini = 12;

}  // namespace

// ---- Frames --------------------------------------------------------------------

bool MonoFrame::Pixel(int column, int line) const {
  if (column < 0 || column >= width || line < 0 || line >= height) return false;
  return (bits[static_cast<std::size_t>(line) * RowBytes() + column / 8] & DIBOrder[column % 8]) != 0;
}

int MonoFrame::SetPixelCount() const {
  int n = 0;
  for (int r = 0; r < height; ++r)
    for (int c = 0; c < width; ++c) n += Pixel(c, r) ? 1 : 0;
  return n;
}

MonoFrame ExtractFrame(const unsigned char* dib, int w, int h) {
  MonoFrame f;
  if (w < 1 || w > DIBW || h < 1 || h > DIBH) return f;
  f.width = w;
  f.height = h;
  const int rowBytes = f.RowBytes();
  f.bits.assign(static_cast<std::size_t>(rowBytes) * h, 0);
  for (int r = 0; r < h; ++r) {
    // Frame line r (from the top) is canvas row h - 1 - r; whole bytes copy
    // straight across because both keep the leftmost pixel in the top bit.
    unsigned char* out = &f.bits[static_cast<std::size_t>(r) * rowBytes];
    // NOLINTNEXTLINE(bugprone-implicit-widening-of-multiplication-result): a row offset inside one small DIB
    std::memcpy(out, dib + (h - 1 - r) * DIBRowBytes, rowBytes);
    if (w % 8 != 0) out[rowBytes - 1] &= static_cast<unsigned char>(0xFF00 >> (w % 8));
  }
  return f;
}

FrameSize FrameSizeOf(int index) {
  if (index < 0 || index >= FrameCount) return {0, 0};
  return kFrames[index].size;
}

const char* FrameName(int index) {
  if (index < 0 || index >= FrameCount) return "";
  return kFrames[index].name;
}

void DrawFrame(int index, unsigned char* dib) {
  const FrameSize s = FrameSizeOf(index);
  if (index >= kHexagonFirst && index < kHexagonFirst + 4) {
    // One hexagonal band of radii 50i ... 50i + 11.
    const int i = index - kHexagonFirst;
    PatternSets::DrawZRV1Element(dib, s.width, s.height, 50 * i, 50 * i + 12);
  } else if (index == kHexagonFirst + 4) {
    // Six concentric bands, 25 pixels apart.
    for (int k = 0; k < 6; ++k) PatternSets::DrawZRV1Element(dib, 300, 300, 25 * k, 25 * k + 12);
  } else if (index == kHexagonFirst + 5) {
    PatternSets::DrawRays(dib, 150, 150);
  } else if (index >= kOctagonFirst && index < kOctagonFirst + 4) {
    const int i = index - kOctagonFirst;
    PatternSets::DrawZRV2Element(dib, s.width, s.height, 32 * i + 4, 40 * i + 4);
  } else if (index == kOctagonFirst + 4) {
    for (int k = 0; k < 6; ++k)
      PatternSets::DrawZRV2Element(dib, 240, 300, 16 * k + 4, 20 * k + 4);
  } else if (index == kOctagonFirst + 5) {
    PatternSets::DrawRays(dib, 120, 150);
  } else if (index == kMini) {
    PatternSets::DrawZRV1Element(dib, 40, 40, 15, 20);
  }
}

// ---- Canvas and rasterisers -------------------------------------------------------

void PatternSets::ClearDIB(unsigned char* dib) { std::memset(dib, 0, DIBBytes); }

int PatternSets::RatioPercent(double _ratio) {
  // A double times 100 needs at most 60 significant bits: exact in long double.
  const long double exact = static_cast<long double>(_ratio) * 100.0L;
  if (!(exact >= 0.0L)) return 0;
  if (exact > 1000000.0L) return 1000000;
  return static_cast<int>(exact);
}

namespace {

// One coordinate of step i: int(d x i / l + s), with d x i / l + s evaluated
// with a 64-bit mantissa. A double estimate (error far below 1e-9 for any
// figure on the canvas) decides whenever it is not within 1e-7 of an integer;
// only values that close to an integer are evaluated the long way.
inline int StepCoord(long double d, double dd, double invL, int i, double l, double s) {
  const double v = dd * i * invL + s;
  const int t = static_cast<int>(v);
  double f = v - t;
  if (f < 0) f = -f;
  if (f > 1e-7 && f < 1 - 1e-7) return t;
  return static_cast<int>(d * i / l + s);
}

}  // namespace

int PatternSets::Rands(unsigned char* bitmap, double sx, double sy, double ex, double ey,
                       double _ratio) {
  const int ratio = RatioPercent(_ratio);
  const double l = Hold(Hypot(Hold(static_cast<long double>(sx) - ex),
                              Hold(static_cast<long double>(sy) - ey)));
  const long double dx = static_cast<long double>(ex) - sx;
  const long double dy = static_cast<long double>(ey) - sy;
  const double ddx = ex - sx;
  const double ddy = ey - sy;
  const double invL = 1.0 / l;
  int p = 0;
  // One step per unit of length; the generator is drawn once per step, before
  // the test, drawn or not. The end point itself is never a step. The pixel
  // write is masked rather than branched on: the test is a coin toss.
  RandRun next;
  for (int i = 0; i < l; ++i) {
    const int r = next() % 100;
    if (ratio <= 0) continue;
    const int draw = r < ratio ? 1 : 0;
    const int y = StepCoord(dy, ddy, invL, i, l, sy);
    const int x = StepCoord(dx, ddx, invL, i, l, sx);
    bitmap[y * DIBRowBytes + x / 8] |= static_cast<unsigned char>(DIBOrder[x % 8] & -draw);
    p += draw;
  }
  return p;
}

double PatternSets::BandRatio(int j, int bandWidth) {
  return Hold(j / (static_cast<long double>(bandWidth) * kBandSolid));
}

double PatternSets::OctagonRatio(int j) {
  return Hold(static_cast<long double>(j) * kOctagonRatioStep);
}

namespace {

// sin and cos of the hexagon corner angles k x 3.141592 x (1/3), k = 0 ... 6;
// the same seven values serve every hexagon.
struct HexagonCorners {
  double sin[7];
  double cos[7];
  HexagonCorners() {
    for (int k = 0; k < 7; ++k) {
      const double a = Hold(static_cast<long double>(k) * kPi * kThird);
      sin[k] = Sin(a);
      cos[k] = Cos(a);
    }
  }
};

}  // namespace

void PatternSets::DrawZRV1Element(unsigned char* bitmap, int width, int height, int rst, int ren) {
  static const HexagonCorners corner;
  const int cx = width / 2;
  const int cy = height / 2;
  const int n = ren - rst;
  // Hexagons from the inside out; corner k lies k x 60 degrees clockwise from
  // straight up, so the left and right sides are vertical.
  for (int j = 0; j < n; ++j) {
    const int l = rst + j;
    const double q = BandRatio(j, n);
    for (int i = 0; i < 6; ++i) {
      Rands(bitmap, Hold(cx + static_cast<long double>(l) * corner.sin[i]),
            Hold(cy + static_cast<long double>(l) * corner.cos[i]),
            Hold(cx + static_cast<long double>(l) * corner.sin[i + 1]),
            Hold(cy + static_cast<long double>(l) * corner.cos[i + 1]), q);
    }
  }
}

void PatternSets::OctagonCorners(int width, int height, int rx, int ry, int j, double x[8],
                                 double y[8]) {
  const double ct = kOctagonCut;
  // Corners of the innermost octagon around the origin, clockwise on the
  // screen from the upper end of the upper-right cut, and how far each moves
  // outwards per nested octagon.
  const double x0[8] = {double(rx),      rx + ct,        rx + ct, double(rx),
                        double(-rx),     -(rx + ct),     -(rx + ct), double(-rx)};
  const double y0[8] = {ry + ct,         double(ry),     double(-ry), -(ry + ct),
                        -(ry + ct),      double(-ry),    double(ry),  ry + ct};
  static const double dx[8] = {0.2, 0.7, 0.7, 0.2, -0.2, -0.7, -0.7, -0.2};
  static const double dy[8] = {0.7, 0.2, -0.2, -0.7, -0.7, -0.2, 0.2, 0.7};
  for (int k = 0; k < 8; ++k) {
    // The centre is the whole pixel at half the canvas, halved in integers on purpose.
    // NOLINTNEXTLINE(bugprone-integer-division)
    const double cxk = Hold(x0[k] + static_cast<long double>(width / 2));
    // NOLINTNEXTLINE(bugprone-integer-division)
    const double cyk = Hold(y0[k] + static_cast<long double>(height / 2));
    x[k] = Hold(cxk + static_cast<long double>(j) * dx[k]);
    y[k] = Hold(cyk + static_cast<long double>(j) * dy[k]);
  }
}

void PatternSets::DrawZRV2Element(unsigned char* bitmap, int width, int height, int rx, int ry) {
  for (int j = 0; j < 15; ++j) {
    double x[8];
    double y[8];
    OctagonCorners(width, height, rx, ry, j, x, y);
    const double q = OctagonRatio(j);
    for (int i = 0; i < 8; ++i) {
      const int n = (i + 1) % 8;
      Rands(bitmap, x[i], y[i], x[n], y[n], q);
    }
  }
}

void PatternSets::DrawRays(unsigned char* bitmap, int cx, int cy) {
  for (int k = 0; k < 100; ++k) {
    const double r = wzrv::rand() % 100;  // length 0 ... 99
    const double t = Hold(static_cast<long double>(wzrv::rand() % 100) * kRayStep * kPi);
    Rands(bitmap, cx, cy, Hold(r * static_cast<long double>(Sin(t)) + cx),
          Hold(r * static_cast<long double>(Cos(t)) + cy), kRayRatio);
  }
}

// ---- Registry and builders --------------------------------------------------------

bool PatternSets::RegisterBitmap(BitmapHandle bit) {
  if (BitmapCount < 0 || BitmapCount >= BitmapCapacity) return false;
  BitmapInUse[BitmapCount] = bit;
  ++BitmapCount;
  return true;
}

BitmapHandle PatternSets::ObtainFrame(FrameSource& frames, int index, unsigned char* dib) {
  BitmapHandle b = frames.LoadFrame();
  if (b == NullBitmap) {
    ClearDIB(dib);
    DrawFrame(index, dib);
    const FrameSize s = FrameSizeOf(index);
    b = frames.MakeFrame(dib, s.width, s.height);
  }
  RegisterBitmap(b);
  return b;
}

namespace {

// The canvas of one builder, from the heap; should that fail, a fixed spare
// one (the builders run one at a time).
class Canvas {
 public:
  Canvas() : heap_(new (std::nothrow) unsigned char[DIBBytes]) {}
  unsigned char* get() {
    static unsigned char spare[DIBBytes];
    return heap_ ? heap_.get() : spare;
  }

 private:
  std::unique_ptr<unsigned char[]> heap_;
};

}  // namespace

void PatternSets::BuildField(FrameSource& frames, int firstFrame, BitmapAnimation* table,
                             int tableSize) {
  // One canvas serves every frame of the field; it is cleared before each.
  Canvas dib;
  BitmapHandle bit[4];
  for (int i = 0; i < 4; ++i) bit[i] = ObtainFrame(frames, firstFrame + i, dib.get());
  const BitmapHandle loop = ObtainFrame(frames, firstFrame + 4, dib.get());
  const BitmapHandle start = ObtainFrame(frames, firstFrame + 5, dib.get());

  // Every step defaults to the loop frame's size, centred on the click.
  const FrameSize def = FrameSizeOf(firstFrame + 4);
  for (int e = 0; e < tableSize; ++e) {
    table[e].x = -def.width / 2;
    table[e].y = -def.height / 2;
    table[e].width = def.width;
    table[e].height = def.height;
  }
  // The burst of rays, the band growing in four steps, then the six-band
  // figure for the rest (only up to the terminator is ever played).
  table[0].bitmap = start;
  for (int i = 0; i < 4; ++i) {
    const FrameSize s = FrameSizeOf(firstFrame + i);
    table[1 + i] = {bit[i], -s.width / 2, -s.height / 2, s.width, s.height};
  }
  for (int e = 5; e < tableSize; ++e) table[e].bitmap = loop;
  table[18].bitmap = BlankBitmap;
  table[19].bitmap = NullBitmap;
}

void PatternSets::BuildZRV1(FrameSource& frames) {
  BuildField(frames, kHexagonFirst, pattern1, Pattern1Size);
}

void PatternSets::BuildZRV2(FrameSource& frames) {
  BuildField(frames, kOctagonFirst, pattern2, Pattern2Size);
}

void PatternSets::BuildZRV3(FrameSource& frames) {
  Canvas dib;
  const BitmapHandle bit1 = ObtainFrame(frames, kMini, dib.get());
  const FrameSize s = FrameSizeOf(kMini);
  // 70 minis at random places (x drawn before y); the last of them and the
  // next four are blank steps, then the terminator.
  for (int i = 0; i < 70; ++i) {
    const int x = wzrv::rand() % 80 - 40;
    const int y = wzrv::rand() % 80 - 40;
    pattern3[i] = {bit1, x, y, s.width, s.height};
  }
  for (int i = 69; i < 74; ++i) pattern3[i].bitmap = BlankBitmap;
  pattern3[74].bitmap = NullBitmap;
}

// ---- In-memory frames ---------------------------------------------------------------

}  // namespace wzrv
