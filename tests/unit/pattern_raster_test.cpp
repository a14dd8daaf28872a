// The stipple and band rasterisers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "pattern/pattern_core.h"
#include "pattern/random.h"

using wzrv::DIBBytes;
using wzrv::PatternSets;

namespace {

class Raster : public ::testing::Test {
 protected:
  void SetUp() override {
    wzrv::SetRandState(1);
    canvas.assign(DIBBytes, 0);
  }
  bool At(int x, int y) const { return (canvas[y * 52 + x / 8] & wzrv::DIBOrder[x % 8]) != 0; }
  int Count() const {
    int n = 0;
    for (unsigned char b : canvas) n += __builtin_popcount(b);
    return n;
  }
  std::uint64_t Calls() const { return wzrv::RandCalls() - calls0; }
  void StartCounting() { calls0 = wzrv::RandCalls(); }

  std::vector<unsigned char> canvas;
  std::uint64_t calls0 = 0;
};

TEST_F(Raster, SolidSegmentTakesUnitSteps) {
  StartCounting();
  const int p = PatternSets::Rands(canvas.data(), 0, 0, 3, 4, 1.0);
  EXPECT_EQ(p, 5);             // steps at (0,0) (0,0) (1,1) (1,2) (2,3)
  EXPECT_EQ(Calls(), 5u);
  EXPECT_EQ(Count(), 4);
  EXPECT_TRUE(At(0, 0));
  EXPECT_TRUE(At(1, 1));
  EXPECT_TRUE(At(1, 2));
  EXPECT_TRUE(At(2, 3));
  EXPECT_FALSE(At(3, 4));      // the end point is never a step
}

TEST_F(Raster, StepCountIsTheLengthRoundedUp) {
  StartCounting();
  PatternSets::Rands(canvas.data(), 0, 0, 1, 1, 1.0);  // length 1.414...
  EXPECT_EQ(Calls(), 2u);
  StartCounting();
  PatternSets::Rands(canvas.data(), 50, 50, 50, 60, 1.0);  // length 10
  EXPECT_EQ(Calls(), 10u);
  EXPECT_TRUE(At(50, 59));
  EXPECT_FALSE(At(50, 60));
}

// The stipple written out step by step, every coordinate evaluated with a
// 64-bit mantissa; Rands must set exactly the same pixels.
int ReferenceRands(unsigned char* dib, double sx, double sy, double ex, double ey, double ratio) {
  const int percent = PatternSets::RatioPercent(ratio);
  const double l = static_cast<double>(std::hypot(static_cast<long double>(sx - ex),
                                                  static_cast<long double>(sy - ey)));
  int p = 0;
  for (int i = 0; i < l; ++i) {
    if (wzrv::rand() % 100 < percent) {
      const int y = static_cast<int>((static_cast<long double>(ey) - sy) * i / l + sy);
      const int x = static_cast<int>((static_cast<long double>(ex) - sx) * i / l + sx);
      PatternSets::PutPixel(dib, x, y);
      ++p;
    }
  }
  return p;
}

TEST_F(Raster, StippleMatchesTheStepByStepEvaluation) {
  std::vector<unsigned char> reference(DIBBytes, 0);
  std::uint32_t seed = 7;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
  for (int n = 0; n < 3000; ++n) {
    // Integer, half-integer and arbitrary end points, all inside the canvas.
    double c[4];
    for (int k = 0; k < 4; ++k) {
      const double limit = k % 2 == 0 ? 415.0 : 399.0;
      const unsigned kind = next() % 3;
      c[k] = kind == 0 ? double(next() % 400) : kind == 1 ? (next() % 790) * 0.5 : (next() % 1000000) * limit / 1000000;
      if (c[k] > limit) c[k] = limit;
    }
    const double ratio = (next() % 13) * 0.1;
    const std::uint32_t s = wzrv::RandState();
    const int a = PatternSets::Rands(canvas.data(), c[0], c[1], c[2], c[3], ratio);
    wzrv::SetRandState(s);
    const int b = ReferenceRands(reference.data(), c[0], c[1], c[2], c[3], ratio);
    ASSERT_EQ(a, b) << n;
    ASSERT_EQ(canvas, reference) << "segment " << n << ": (" << c[0] << "," << c[1] << ") -> ("
                                 << c[2] << "," << c[3] << ")";
  }
}

TEST_F(Raster, ZeroLengthDrawsAndDrawsNothing) {
  StartCounting();
  EXPECT_EQ(PatternSets::Rands(canvas.data(), 10, 10, 10, 10, 1.0), 0);
  EXPECT_EQ(Calls(), 0u);
  EXPECT_EQ(Count(), 0);
}

TEST_F(Raster, ZeroRatioStillDrawsTheGenerator) {
  StartCounting();
  EXPECT_EQ(PatternSets::Rands(canvas.data(), 0, 0, 0, 20, 0.0), 0);
  EXPECT_EQ(Calls(), 20u);
  EXPECT_EQ(Count(), 0);
}

TEST_F(Raster, PercentageIsTheExactProductTruncated) {
  EXPECT_EQ(PatternSets::RatioPercent(0.3), 29);  // 0.3 is a little below 3/10
  EXPECT_EQ(PatternSets::RatioPercent(1.0), 100);
  EXPECT_EQ(PatternSets::RatioPercent(0.0), 0);
  EXPECT_EQ(PatternSets::RatioPercent(0.29), 28);  // 28.999999999999996447
  EXPECT_EQ(PatternSets::RatioPercent(0.7), 69);   // 69.999999999999995559
  EXPECT_EQ(PatternSets::RatioPercent(0.1 * 3), 30);  // 30.000000000000004441
  EXPECT_EQ(PatternSets::RatioPercent(1.3), 130);
  EXPECT_EQ(PatternSets::RatioPercent(-0.5), 0);
  EXPECT_EQ(PatternSets::RatioPercent(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(PatternSets::RatioPercent(1e300), 1000000);
}

TEST_F(Raster, ThirtyPercentDrawsWhenTheDrawIsBelow29) {
  const std::uint32_t s = wzrv::RandState();
  int expected = 0;
  for (int i = 0; i < 300; ++i) expected += (wzrv::rand() % 100 < 29) ? 1 : 0;
  wzrv::SetRandState(s);
  EXPECT_EQ(PatternSets::Rands(canvas.data(), 0, 0, 300, 0, 0.3), expected);
  EXPECT_GT(expected, 60);
  EXPECT_LT(expected, 120);
}

TEST_F(Raster, HexagonBandPercentages) {
  const int w12[] = {0, 11, 23, 35, 47, 59, 71, 83, 95, 107, 119, 130};
  for (int j = 0; j < 12; ++j)
    EXPECT_EQ(PatternSets::RatioPercent(PatternSets::BandRatio(j, 12)), w12[j]) << "j=" << j;
  const int w5[] = {0, 28, 57, 85, 114};
  for (int j = 0; j < 5; ++j)
    EXPECT_EQ(PatternSets::RatioPercent(PatternSets::BandRatio(j, 5)), w5[j]) << "j=" << j;
}

TEST_F(Raster, OctagonPercentages) {
  for (int j = 0; j < 10; ++j) EXPECT_EQ(PatternSets::RatioPercent(PatternSets::OctagonRatio(j)), 10 * j);
  for (int j = 10; j < 15; ++j) EXPECT_GE(PatternSets::RatioPercent(PatternSets::OctagonRatio(j)), 100);
}

TEST_F(Raster, MiniHexagonBand) {
  PatternSets::DrawZRV1Element(canvas.data(), 40, 40, 15, 20);
  EXPECT_TRUE(At(20, 39));  // top corner of the outermost hexagon
  // Every corner of the outermost (solid) hexagon is set.
  for (int k = 0; k < 6; ++k) {
    const double a = k * 3.141592 / 3;
    EXPECT_TRUE(At(int(20 + 19 * std::sin(a)), int(20 + 19 * std::cos(a)))) << "corner " << k;
  }
  // Nothing beyond radius 19 (plus the truncation of one pixel).
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 416; ++x)
      if (At(x, y)) {
        EXPECT_LE(std::hypot(x - 20, y - 20), 19.0 + 1.5) << x << "," << y;
      }
}

TEST_F(Raster, InnermostHexagonOfABandIsNeverDrawn) {
  StartCounting();
  PatternSets::DrawZRV1Element(canvas.data(), 40, 40, 15, 16);  // a band of one
  EXPECT_EQ(Count(), 0);
  EXPECT_GE(Calls(), 6u * 15);  // its steps still draw the generator
  EXPECT_LE(Calls(), 6u * 16);
}

TEST_F(Raster, HexagonOfRadiusZeroAndEmptyBands) {
  StartCounting();
  PatternSets::DrawZRV1Element(canvas.data(), 40, 40, 0, 1);
  EXPECT_EQ(Calls(), 0u);
  PatternSets::DrawZRV1Element(canvas.data(), 40, 40, 20, 20);
  PatternSets::DrawZRV1Element(canvas.data(), 40, 40, 20, 5);
  EXPECT_EQ(Calls(), 0u);
  EXPECT_EQ(Count(), 0);
}

TEST_F(Raster, OctagonCornerLists) {
  double x[8], y[8];
  PatternSets::OctagonCorners(80, 100, 4, 4, 0, x, y);
  const double ex[8] = {44, 54, 54, 44, 36, 26, 26, 36};
  const double ey[8] = {64, 54, 46, 36, 36, 46, 54, 64};
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(x[k], ex[k]) << k;
    EXPECT_EQ(y[k], ey[k]) << k;
  }
  PatternSets::OctagonCorners(80, 100, 4, 4, 14, x, y);
  EXPECT_NEAR(x[0], 46.8, 1e-12);
  EXPECT_NEAR(y[0], 73.8, 1e-12);
  EXPECT_NEAR(x[4], 33.2, 1e-12);
  EXPECT_NEAR(y[4], 26.2, 1e-12);
}

TEST_F(Raster, OctagonBandIsSolidOutsideAndStaysInItsFrame) {
  PatternSets::DrawZRV2Element(canvas.data(), 80, 100, 4, 4);
  double x[8], y[8];
  PatternSets::OctagonCorners(80, 100, 4, 4, 14, x, y);
  for (int k = 0; k < 8; ++k) EXPECT_TRUE(At(int(x[k]), int(y[k]))) << "corner " << k;
  EXPECT_TRUE(At(46, 73));
  // All inside the 80 x 100 frame.
  for (int yy = 0; yy < 400; ++yy)
    for (int xx = 0; xx < 416; ++xx)
      if (At(xx, yy)) {
        EXPECT_LT(xx, 80);
        EXPECT_LT(yy, 100);
      }
}

}  // namespace
