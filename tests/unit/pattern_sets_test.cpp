// The thirteen frames and the animation tables of the three fields.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

#include "pattern/pattern_core.h"
#include "pattern/random.h"
#include "tools/memory_frames.h"

using wzrv::BitmapAnimation;
using wzrv::BitmapHandle;
using wzrv::BlankBitmap;
using wzrv::DIBBytes;
using wzrv::FrameCount;
using wzrv::MemoryFrames;
using wzrv::NullBitmap;
using wzrv::PatternSets;

namespace {

struct Built {
  PatternSets sets;
  MemoryFrames frames;
  std::uint64_t calls = 0;
};

// The whole build as the program runs it at start.
void Build(Built& b, std::uint32_t state = 1) {
  wzrv::SetRandState(state);
  const std::uint64_t c0 = wzrv::RandCalls();
  b.sets.BuildZRV1(b.frames);
  b.sets.BuildZRV2(b.frames);
  b.sets.BuildZRV3(b.frames);
  b.calls = wzrv::RandCalls() - c0;
}

TEST(PatternTables, RegistryAndFrameOrder) {
  Built b;
  Build(b);
  EXPECT_EQ(b.sets.BitmapCount, 13);
  ASSERT_EQ(b.frames.made.size(), 13u);
  const int sizes[13][2] = {{100, 100}, {200, 200}, {300, 300}, {400, 400}, {300, 300},
                            {300, 300}, {80, 100},  {160, 200}, {240, 300}, {320, 400},
                            {240, 300}, {240, 300}, {40, 40}};
  for (int i = 0; i < 13; ++i) {
    EXPECT_EQ(b.frames.made[i].width, sizes[i][0]) << i;
    EXPECT_EQ(b.frames.made[i].height, sizes[i][1]) << i;
    EXPECT_EQ(b.sets.BitmapInUse[i], static_cast<BitmapHandle>(i + 2));  // registered in order
  }
  EXPECT_EQ(b.frames.loaded, 0u);
}

void ExpectFieldTable(const BitmapAnimation* t, const PatternSets& s, int first, int dw, int dh) {
  const BitmapHandle start = s.BitmapInUse[first + 5];
  const BitmapHandle loop = s.BitmapInUse[first + 4];
  EXPECT_EQ(t[0].bitmap, start);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(t[1 + i].bitmap, s.BitmapInUse[first + i]) << i;
  for (int e = 5; e < 30; ++e) {
    if (e == 18) {
      EXPECT_EQ(t[e].bitmap, BlankBitmap);
    } else if (e == 19) {
      EXPECT_EQ(t[e].bitmap, NullBitmap);
    } else {
      EXPECT_EQ(t[e].bitmap, loop) << e;
    }
  }
  for (int e = 0; e < 30; ++e) {
    // Centred on the click; entries 1 ... 4 take their frame's size.
    EXPECT_EQ(t[e].x, -t[e].width / 2) << e;
    EXPECT_EQ(t[e].y, -t[e].height / 2) << e;
    if (e < 1 || e > 4) {
      EXPECT_EQ(t[e].width, dw) << e;
      EXPECT_EQ(t[e].height, dh) << e;
    }
  }
}

TEST(PatternTables, HexagonAndOctagonTables) {
  Built b;
  Build(b);
  ExpectFieldTable(b.sets.pattern1, b.sets, 0, 300, 300);
  ExpectFieldTable(b.sets.pattern2, b.sets, 6, 240, 300);
  const int hex[4][4] = {{-50, -50, 100, 100}, {-100, -100, 200, 200}, {-150, -150, 300, 300},
                         {-200, -200, 400, 400}};
  const int oct[4][4] = {{-40, -50, 80, 100}, {-80, -100, 160, 200}, {-120, -150, 240, 300},
                         {-160, -200, 320, 400}};
  for (int i = 0; i < 4; ++i) {
    const BitmapAnimation& h = b.sets.pattern1[1 + i];
    EXPECT_EQ((std::vector<int>{h.x, h.y, h.width, h.height}),
              (std::vector<int>{hex[i][0], hex[i][1], hex[i][2], hex[i][3]}));
    const BitmapAnimation& o = b.sets.pattern2[1 + i];
    EXPECT_EQ((std::vector<int>{o.x, o.y, o.width, o.height}),
              (std::vector<int>{oct[i][0], oct[i][1], oct[i][2], oct[i][3]}));
  }
}

TEST(PatternTables, MiniFieldTable) {
  Built b;
  Build(b);
  const BitmapHandle mini = b.sets.BitmapInUse[12];
  std::set<std::pair<int, int>> places;
  for (int i = 0; i < 69; ++i) {
    const BitmapAnimation& e = b.sets.pattern3[i];
    EXPECT_EQ(e.bitmap, mini) << i;
    EXPECT_GE(e.x, -40);
    EXPECT_LE(e.x, 39);
    EXPECT_GE(e.y, -40);
    EXPECT_LE(e.y, 39);
    EXPECT_EQ(e.width, 40);
    EXPECT_EQ(e.height, 40);
    places.insert({e.x, e.y});
  }
  EXPECT_GT(places.size(), 60u);  // scattered, not one spot
  for (int i = 69; i < 74; ++i) EXPECT_EQ(b.sets.pattern3[i].bitmap, BlankBitmap) << i;
  EXPECT_EQ(b.sets.pattern3[74].bitmap, NullBitmap);
  // Entry 69 keeps its random place though it shows nothing.
  EXPECT_GE(b.sets.pattern3[69].x, -40);
  EXPECT_LE(b.sets.pattern3[69].x, 39);
}

TEST(PatternTables, MiniOffsetsAreTheLastDrawsOfTheBuild) {
  // Drawing the mini frame, then 70 x/y pairs.
  wzrv::SetRandState(12345);
  std::vector<unsigned char> dib(DIBBytes, 0);
  wzrv::DrawFrame(12, dib.data());
  int x[70], y[70];
  for (int i = 0; i < 70; ++i) {
    x[i] = wzrv::rand() % 80 - 40;
    y[i] = wzrv::rand() % 80 - 40;
  }
  PatternSets s;
  MemoryFrames f;
  wzrv::SetRandState(12345);
  s.BuildZRV3(f);
  for (int i = 0; i < 70; ++i) {
    EXPECT_EQ(s.pattern3[i].x, x[i]) << i;
    EXPECT_EQ(s.pattern3[i].y, y[i]) << i;
  }
}

TEST(PatternTables, CachedFramesAreNotDrawnButOffsetsAre) {
  Built first;
  Build(first);
  Built second;
  second.frames.cache = first.frames.made;
  Build(second);
  EXPECT_EQ(second.frames.loaded, 13u);
  EXPECT_TRUE(second.frames.made.empty());  // nothing drawn, nothing offered to the cache
  EXPECT_EQ(second.sets.BitmapCount, 13);
  EXPECT_EQ(second.calls, 140u);  // only the mini offsets
  ExpectFieldTable(second.sets.pattern1, second.sets, 0, 300, 300);
  ExpectFieldTable(second.sets.pattern2, second.sets, 6, 240, 300);
  // Offsets from the start of the sequence, not where the drawing left it.
  wzrv::SetRandState(1);
  EXPECT_EQ(second.sets.pattern3[0].x, wzrv::rand() % 80 - 40);
  EXPECT_EQ(second.sets.pattern3[0].y, wzrv::rand() % 80 - 40);
  for (int i = 0; i < 13; ++i) {
    EXPECT_EQ(second.frames.Find(second.sets.BitmapInUse[i])->bits, first.frames.made[i].bits);
  }
}

TEST(PatternTables, CacheRunningOutMidwayDrawsTheRest) {
  Built first;
  Build(first);
  Built second;
  second.frames.cache.assign(first.frames.made.begin(), first.frames.made.begin() + 3);
  Build(second);
  EXPECT_EQ(second.frames.loaded, 3u);
  EXPECT_EQ(second.frames.made.size(), 10u);
  EXPECT_EQ(second.sets.BitmapCount, 13);
  EXPECT_EQ(second.frames.made[0].width, 400);  // drawing resumes with hexagon 400
}

TEST(PatternTables, EveryStartMakesTheSameFrames) {
  Built a, b;
  Build(a);
  Build(b);
  EXPECT_EQ(a.calls, b.calls);
  for (int i = 0; i < 13; ++i) EXPECT_EQ(a.frames.made[i].bits, b.frames.made[i].bits) << i;
  wzrv::SetRandState(1);
  const std::vector<wzrv::MonoFrame> all = wzrv::DrawAllFrames();
  for (int i = 0; i < 13; ++i) EXPECT_EQ(all[i].bits, a.frames.made[i].bits) << i;
}

// ---- Geometry of every frame, drawn on a canvas with guard zones ------------------

class FrameGeometry : public ::testing::Test {
 protected:
  static constexpr int kGuard = 4096;
  static constexpr unsigned char kFill = 0x5A;

  void SetUp() override {
    wzrv::SetRandState(1);
    std::vector<unsigned char> buffer(DIBBytes + 2 * kGuard, kFill);
    for (int i = 0; i < FrameCount; ++i) {
      std::fill(buffer.begin() + kGuard, buffer.begin() + kGuard + DIBBytes, 0);
      wzrv::DrawFrame(i, buffer.data() + kGuard);
      for (int g = 0; g < kGuard; ++g) {
        ASSERT_EQ(buffer[g], kFill) << "frame " << i << " wrote below the canvas";
        ASSERT_EQ(buffer[kGuard + DIBBytes + g], kFill) << "frame " << i << " wrote above it";
      }
      canvases.emplace_back(buffer.begin() + kGuard, buffer.begin() + kGuard + DIBBytes);
    }
  }

 public:
  bool At(int i, int x, int y) const {
    if (x < 0 || y < 0 || x >= 416 || y >= 400) return false;
    return (canvases[i][y * 52 + x / 8] & wzrv::DIBOrder[x % 8]) != 0;
  }
  std::vector<std::vector<unsigned char>> canvases;
};

TEST_F(FrameGeometry, NoPixelOutsideItsFrame) {
  for (int i = 0; i < FrameCount; ++i) {
    const wzrv::FrameSize s = wzrv::FrameSizeOf(i);
    int inside = 0, outside = 0;
    for (int y = 0; y < 400; ++y)
      for (int x = 0; x < 416; ++x)
        if (At(i, x, y)) (x < s.width && y < s.height ? inside : outside)++;
    EXPECT_EQ(outside, 0) << wzrv::FrameName(i);
    EXPECT_GT(inside, 100) << wzrv::FrameName(i);
  }
}

void ExpectHexagonCorners(const FrameGeometry* g, bool (FrameGeometry::*at)(int, int, int) const,
                          int frame, int cx, int cy, int radius) {
  for (int k = 0; k < 6; ++k) {
    const double a = k * 3.141592 / 3;
    const int x = int(cx + radius * std::sin(a));
    const int y = int(cy + radius * std::cos(a));
    EXPECT_TRUE((g->*at)(frame, x, y))
        << wzrv::FrameName(frame) << " radius " << radius << " corner " << k;
  }
}

TEST_F(FrameGeometry, OutermostRingOfEveryBandIsSolid) {
  auto at = &FrameGeometry::At;
  for (int i = 0; i < 4; ++i) {
    const int c = (100 * i + 100) / 2;
    ExpectHexagonCorners(this, at, i, c, c, 50 * i + 11);
  }
  for (int k = 0; k < 6; ++k) ExpectHexagonCorners(this, at, 4, 150, 150, 25 * k + 11);
  ExpectHexagonCorners(this, at, 12, 20, 20, 19);

  double x[8], y[8];
  for (int i = 0; i < 4; ++i) {
    PatternSets::OctagonCorners(80 * i + 80, 100 * i + 100, 32 * i + 4, 40 * i + 4, 14, x, y);
    for (int k = 0; k < 8; ++k) EXPECT_TRUE(At(6 + i, int(x[k]), int(y[k]))) << i << " " << k;
  }
  for (int b = 0; b < 6; ++b) {
    PatternSets::OctagonCorners(240, 300, 16 * b + 4, 20 * b + 4, 14, x, y);
    for (int k = 0; k < 8; ++k) EXPECT_TRUE(At(10, int(x[k]), int(y[k]))) << b << " " << k;
  }
}

TEST_F(FrameGeometry, RaysStayWithinTheirLength) {
  const int frames[2] = {5, 11};
  const int centres[2][2] = {{150, 150}, {120, 150}};
  for (int f = 0; f < 2; ++f) {
    double farthest = 0;
    for (int y = 0; y < 400; ++y)
      for (int x = 0; x < 416; ++x)
        if (At(frames[f], x, y))
          farthest = std::max(farthest, std::hypot(x - centres[f][0], y - centres[f][1]));
    EXPECT_LE(farthest, 99.0) << wzrv::FrameName(frames[f]);
    EXPECT_GT(farthest, 80.0) << wzrv::FrameName(frames[f]);
    EXPECT_TRUE(At(frames[f], centres[f][0], centres[f][1])) << "the centre is hit by some ray";
  }
}

}  // namespace
