// The screen the lock covers: the virtual screen over every monitor, and the
// pictures of it (the box's area taken from an earlier picture, the picture
// moved onto a changed screen).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "shell/screen_core.h"
#include "shell/wzrv_core.h"

namespace wzrv {
namespace {

TEST(LockArea, VirtualScreenOrTheDesktopWhenThereIsNone) {
  EXPECT_EQ(LockArea(0, 0, 1024, 768, 1024, 768), (ScreenArea{0, 0, 1024, 768}));
  // Two monitors side by side, the second one smaller: the union of both.
  EXPECT_EQ(LockArea(0, 0, 1824, 768, 1024, 768), (ScreenArea{0, 0, 1824, 768}));
  // A monitor left of and above the primary one: a negative origin.
  EXPECT_EQ(LockArea(-1280, -200, 2304, 968, 1024, 768), (ScreenArea{-1280, -200, 2304, 968}));
  // A system without a virtual screen reports 0.
  EXPECT_EQ(LockArea(0, 0, 0, 0, 800, 600), (ScreenArea{0, 0, 800, 600}));
}

TEST(LockArea, IntersectionAndUnion) {
  const ScreenArea a{-100, -50, 200, 100}, b{50, 0, 200, 200};
  EXPECT_EQ(Intersection(a, b), (ScreenArea{50, 0, 50, 50}));
  EXPECT_TRUE(Intersection(a, ScreenArea{100, 0, 10, 10}).Empty());  // touching edges share nothing
  EXPECT_EQ(Union(a, b), (ScreenArea{-100, -50, 350, 250}));
  EXPECT_EQ(Union(ScreenArea{}, b), b);
  EXPECT_EQ(Union(a, ScreenArea{5, 5, 0, 10}), a);
}

// The screen around the reminder's place, copied while the box stands: every
// pixel of the screen outside it once, none inside, whatever the overlap.
TEST(LockArea, OutsideCoversTheRestOnceAndNeverTheInside) {
  const ScreenArea screen{-1280, -200, 2304, 968};
  const ScreenArea insides[] = {
      {300, 200, 400, 150},      // in the middle
      {-1400, -300, 300, 400},   // over the top-left corner, partly off the screen
      {-1280, -200, 2304, 968},  // all of it
      {5000, 5000, 10, 10},      // elsewhere
      {0, 0, 0, 0},              // none
  };
  for (const ScreenArea& inside : insides) {
    ScreenArea parts[4];
    const int n = Outside(screen, inside, parts);
    ASSERT_LE(n, 4);
    long covered = 0;
    for (int i = 0; i < n; ++i) {
      EXPECT_FALSE(parts[i].Empty());
      EXPECT_EQ(Intersection(parts[i], screen), parts[i]) << "off the screen";
      EXPECT_TRUE(Intersection(parts[i], inside).Empty()) << "inside";
      for (int j = 0; j < i; ++j) EXPECT_TRUE(Intersection(parts[i], parts[j]).Empty()) << "twice";
      covered += static_cast<long>(parts[i].width) * parts[i].height;
    }
    const ScreenArea common = Intersection(screen, inside);
    EXPECT_EQ(covered, static_cast<long>(screen.width) * screen.height - static_cast<long>(common.width) * common.height)
        << inside.left << "," << inside.top;
  }
  ScreenArea parts[4];
  EXPECT_EQ(Outside(ScreenArea{}, ScreenArea{0, 0, 5, 5}, parts), 0);
}

// The picture kept up to date while the reminder stands: band after band down
// the screen and round again, every row in exactly one band (an odd height
// too), ready only once all were copied and while the oldest copy is recent,
// across the clock's wrap-around.
TEST(LockArea, BandedCopyGoesRoundTheScreenAndIsFreshOnlyWhole) {
  const ScreenArea screen{-1280, -200, 2304, 967};
  BandedCopy copy;
  copy.Start();
  unsigned now = 0xFFFFFFF0u;  // the clock wraps during the test
  int nextTop = screen.top;
  for (int i = 0; i < BandedCopy::Bands; ++i) {
    EXPECT_FALSE(copy.Fresh(now, 250)) << "ready before band " << i;
    const ScreenArea band = copy.Next(screen, now);
    EXPECT_EQ(band.left, screen.left);
    EXPECT_EQ(band.width, screen.width);
    EXPECT_EQ(band.top, nextTop);
    nextTop = band.Bottom();
    now += 25;
  }
  EXPECT_EQ(nextTop, screen.Bottom());
  EXPECT_TRUE(copy.Fresh(now, 250));
  EXPECT_FALSE(copy.Fresh(now + 200, 250)) << "the first band is too old";
  EXPECT_EQ(copy.Next(screen, now).top, screen.top) << "round again";
  copy.Start();
  EXPECT_FALSE(copy.Fresh(now, 250));
}

struct Pic {
  ScreenArea area;
  std::vector<std::uint32_t> px;
  Pic(ScreenArea a, std::uint32_t fill) : area(a), px(static_cast<std::size_t>(a.width) * a.height, fill) {}
  ScreenPicture P() { return {px.data(), area}; }
  std::uint32_t At(int x, int y) const {
    return px[static_cast<std::size_t>(y - area.top) * area.width + (x - area.left)];
  }
};

TEST(ScreenPictures, BoxAreaComesFromTheEarlierPictureAndNothingElse) {
  // The virtual screen of two monitors, the left one left of the primary.
  const ScreenArea screen{-800, 0, 1824, 768};
  Pic before(screen, 0), after(screen, 0);
  for (int y = 0; y < 768; ++y)
    for (int x = -800; x < 1024; ++x) before.px[(y * 1824) + (x + 800)] = static_cast<std::uint32_t>(x * 7 + y);
  after.px.assign(after.px.size(), 0x808080);
  // The box over the seam, partly off the screen at the bottom.
  const ScreenArea box{-50, 700, 120, 100};
  EXPECT_EQ(CopyScreenPart(after.P(), before.P(), box), 120L * 68);
  EXPECT_EQ(after.At(-50, 700), before.At(-50, 700));
  EXPECT_EQ(after.At(69, 767), before.At(69, 767));
  EXPECT_EQ(after.At(-51, 700), 0x808080u);
  EXPECT_EQ(after.At(70, 767), 0x808080u);
  EXPECT_EQ(after.At(-50, 699), 0x808080u);
  EXPECT_EQ(CopyScreenPart(after.P(), before.P(), ScreenArea{2000, 0, 10, 10}), 0);
  EXPECT_EQ(CopyScreenPart(after.P(), ScreenPicture{nullptr, screen}, box), 0);
}

TEST(ScreenPictures, ChangedScreenKeepsWhatOverlaps) {
  // A second monitor right of a 1024x768 one is removed while locked, and a
  // smaller one is added left of it.
  Pic old(ScreenArea{0, 0, 1824, 768}, 0);
  for (std::size_t i = 0; i < old.px.size(); ++i) old.px[i] = static_cast<std::uint32_t>(i + 1);
  Pic now(ScreenArea{-640, 0, 1664, 768}, 0);
  EXPECT_EQ(CopyScreenPart(now.P(), old.P(), now.area), 1024L * 768);
  EXPECT_EQ(now.At(0, 0), old.At(0, 0));
  EXPECT_EQ(now.At(1023, 767), old.At(1023, 767));
  EXPECT_EQ(now.At(-1, 0), 0u);  // not in the old picture: black
  EXPECT_EQ(now.At(-640, 767), 0u);
}

TEST(Dispatch, DisplayChangeWhileLockedCoversTheNewScreen) {
  EXPECT_EQ(Dispatch(msg::DisplayChange, 32, false, false, true).action, Action::DisplayChange);
  EXPECT_EQ(Dispatch(msg::DisplayChange, 32, false, false, false).action, Action::DisplayChange);
  EXPECT_EQ(Dispatch(msg::DisplayChange, 32, true, false, false).action, Action::Default);
  // Where no such message comes, a timer while locked checks the screen.
  EXPECT_EQ(Dispatch(msg::Timer, 1, false, false, true).action, Action::LockTimer);
  EXPECT_EQ(Dispatch(msg::Timer, 1, true, false, false).action, Action::Default);
}

}  // namespace
}  // namespace wzrv
