// The canvas, frame extraction and the bitmap registry.
#include <gtest/gtest.h>

#include <vector>

#include "pattern/pattern_core.h"

using wzrv::DIBBytes;
using wzrv::PatternSets;

namespace {

std::vector<unsigned char> Canvas() { return std::vector<unsigned char>(DIBBytes, 0); }

int SetBits(const std::vector<unsigned char>& c) {
  int n = 0;
  for (unsigned char b : c) n += __builtin_popcount(b);
  return n;
}

TEST(Canvas, PixelBitPositions) {
  auto c = Canvas();
  PatternSets::PutPixel(c.data(), 0, 0);
  EXPECT_EQ(c[0], 0x80);
  PatternSets::PutPixel(c.data(), 415, 399);
  EXPECT_EQ(c[20799], 0x01);
  PatternSets::PutPixel(c.data(), 8, 1);
  EXPECT_EQ(c[53], 0x80);
  PatternSets::PutPixel(c.data(), 13, 2);  // byte 1 of row 2, pixel 5 of the byte
  EXPECT_EQ(c[2 * 52 + 1], 0x04);
  EXPECT_EQ(SetBits(c), 4);
}

TEST(Canvas, SettingTwiceChangesNothingAndClearEmptiesAll) {
  auto c = Canvas();
  PatternSets::PutPixel(c.data(), 100, 200);
  const auto once = c;
  PatternSets::PutPixel(c.data(), 100, 200);
  EXPECT_EQ(c, once);

  std::vector<unsigned char> full(DIBBytes, 0xA5);
  PatternSets::ClearDIB(full.data());
  EXPECT_EQ(full, Canvas());
}

TEST(Canvas, OrderTableIsMostSignificantBitFirst) {
  for (int i = 0; i < 8; ++i) EXPECT_EQ(wzrv::DIBOrder[i], 0x80 >> i);
}

TEST(FrameExtraction, CanvasOriginBecomesBottomLeftPixel) {
  auto c = Canvas();
  PatternSets::PutPixel(c.data(), 0, 0);
  const wzrv::MonoFrame f = wzrv::ExtractFrame(c.data(), 40, 40);
  ASSERT_EQ(f.width, 40);
  ASSERT_EQ(f.height, 40);
  EXPECT_EQ(f.RowBytes(), 5);
  EXPECT_TRUE(f.Pixel(0, 39));
  EXPECT_EQ(f.SetPixelCount(), 1);
}

TEST(FrameExtraction, HeightChoosesTheCanvasRows) {
  auto c = Canvas();
  PatternSets::PutPixel(c.data(), 5, 399);  // top line of the canvas
  PatternSets::PutPixel(c.data(), 6, 99);
  PatternSets::PutPixel(c.data(), 7, 100);  // just above a 100-line frame
  const wzrv::MonoFrame whole = wzrv::ExtractFrame(c.data(), 416, 400);
  EXPECT_TRUE(whole.Pixel(5, 0));
  EXPECT_TRUE(whole.Pixel(6, 300));
  EXPECT_TRUE(whole.Pixel(7, 299));
  EXPECT_EQ(whole.SetPixelCount(), 3);

  const wzrv::MonoFrame low = wzrv::ExtractFrame(c.data(), 100, 100);
  EXPECT_TRUE(low.Pixel(6, 0));
  EXPECT_EQ(low.SetPixelCount(), 1);
}

TEST(FrameExtraction, ColumnsBeyondTheWidthAreLeftOut) {
  auto c = Canvas();
  for (int x = 0; x < 16; ++x) PatternSets::PutPixel(c.data(), x, 0);
  const wzrv::MonoFrame f = wzrv::ExtractFrame(c.data(), 10, 1);
  ASSERT_EQ(f.bits.size(), 2u);
  EXPECT_EQ(f.bits[0], 0xFF);
  EXPECT_EQ(f.bits[1], 0xC0);  // columns 8 and 9 only
  EXPECT_FALSE(f.Pixel(10, 0));
  EXPECT_FALSE(f.Pixel(-1, 0));
}

TEST(FrameExtraction, SizesOutsideTheCanvasGiveAnEmptyFrame) {
  auto c = Canvas();
  EXPECT_EQ(wzrv::ExtractFrame(c.data(), 0, 10).bits.size(), 0u);
  EXPECT_EQ(wzrv::ExtractFrame(c.data(), 417, 10).width, 0);
  EXPECT_EQ(wzrv::ExtractFrame(c.data(), 10, 401).height, 0);
}

TEST(Registry, KeepsOrderAndRefusesTheThirtyFirst) {
  PatternSets p;
  EXPECT_EQ(p.BitmapCount, 0);
  for (int i = 0; i < PatternSets::BitmapCapacity; ++i) {
    EXPECT_TRUE(p.RegisterBitmap(100 + i));
  }
  EXPECT_EQ(p.BitmapCount, 30);
  EXPECT_FALSE(p.RegisterBitmap(999));
  EXPECT_EQ(p.BitmapCount, 30);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(p.BitmapInUse[i], static_cast<wzrv::BitmapHandle>(100 + i));
}

TEST(Registry, HandleTypeHoldsBlankAndTerminator) {
  wzrv::BitmapAnimation a;
  EXPECT_EQ(a.bitmap, wzrv::NullBitmap);
  a.bitmap = wzrv::BlankBitmap;
  EXPECT_EQ(a.bitmap, 1u);
  static_assert(sizeof(wzrv::BitmapHandle) >= sizeof(void*), "holds a platform handle");
}

}  // namespace
