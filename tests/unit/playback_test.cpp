#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "pattern/pattern_core.h"
#include "pattern/random.h"
#include "storage/playback_core.h"
#include "tools/compose.h"
#include "tools/memory_frames.h"

namespace {

using wzrv::BitmapAnimation;
using wzrv::PatternSets;
using wzrv::PlaybackPlan;

// The three fields as the program builds them from a fresh generator.
class Fields : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::uint32_t saved = wzrv::detail::randState;
    wzrv::detail::randState = 1;
    sets_ = new PatternSets;
    frames_ = new wzrv::MemoryFrames;
    sets_->BuildZRV1(*frames_);
    sets_->BuildZRV2(*frames_);
    sets_->BuildZRV3(*frames_);
    wzrv::detail::randState = saved;
  }
  static void TearDownTestSuite() {
    delete sets_;
    delete frames_;
  }
  static PatternSets* sets_;
  static wzrv::MemoryFrames* frames_;
};
PatternSets* Fields::sets_ = nullptr;
wzrv::MemoryFrames* Fields::frames_ = nullptr;

PlaybackPlan PlanFor(const PatternSets& sets, int type, int x, int y, int delay) {
  int size = 0;
  const BitmapAnimation* table = wzrv::TableFor(sets, type, &size);
  return PlaybackPlan(table, size, x, y, delay);
}

TEST_F(Fields, SaveRectangleIsTheUnionOfAllFrames) {
  // Hexagons: the largest frame, 400 x 400, centred.
  const PlaybackPlan hexagon = PlanFor(*sets_, 0, 400, 300, 1);
  EXPECT_EQ(hexagon.Save().x, 200);
  EXPECT_EQ(hexagon.Save().y, 100);
  EXPECT_EQ(hexagon.Save().width, 400);
  EXPECT_EQ(hexagon.Save().height, 400);
  // Octagons: the largest frame is 320 x 400.
  const PlaybackPlan octagon = PlanFor(*sets_, 1, 400, 300, 1);
  EXPECT_EQ(octagon.Save().x, 240);
  EXPECT_EQ(octagon.Save().y, 100);
  EXPECT_EQ(octagon.Save().width, 320);
  EXPECT_EQ(octagon.Save().height, 400);
  // Minis: 40 x 40 at random offsets in -40 ... 39; on a first start (frames
  // drawn from the fresh generator) the offsets span -38 ... 78 across and
  // -40 ... 77 down.
  const PlaybackPlan mini = PlanFor(*sets_, 2, 400, 300, 5);
  int minX = 1000, minY = 1000, maxX = -1000, maxY = -1000;
  for (int i = 0; i < 69; ++i) {
    const BitmapAnimation& e = sets_->pattern3[i];
    minX = std::min(minX, e.x);
    minY = std::min(minY, e.y);
    maxX = std::max(maxX, e.x + 40);
    maxY = std::max(maxY, e.y + 40);
  }
  EXPECT_EQ(mini.Save().x, 400 + minX);
  EXPECT_EQ(mini.Save().y, 300 + minY);
  EXPECT_EQ(mini.Save().width, maxX - minX);
  EXPECT_EQ(mini.Save().height, maxY - minY);
  EXPECT_EQ(mini.Save().x, 362);
  EXPECT_EQ(mini.Save().y, 260);
  EXPECT_EQ(mini.Save().width, 117);
  EXPECT_EQ(mini.Save().height, 118);
  // Near a corner the rectangle reaches outside the screen.
  const PlaybackPlan corner = PlanFor(*sets_, 0, 0, 0, 1);
  EXPECT_EQ(corner.Save().x, -200);
  EXPECT_EQ(corner.Save().y, -200);
}

TEST_F(Fields, HexagonAndOctagonRunNineteenStepsEndingBlank) {
  for (int type = 0; type < 2; ++type) {
    const PlaybackPlan plan = PlanFor(*sets_, type, 400, 300, 1);
    ASSERT_EQ(plan.Steps(), 19);
    for (int j = 0; j < 18; ++j) EXPECT_EQ(plan.Entries(j), std::vector<int>{j});
    EXPECT_TRUE(plan.Entries(18).empty());
  }
}

TEST_F(Fields, MiniFieldTrailOfFive) {
  const PlaybackPlan plan = PlanFor(*sets_, 2, 400, 300, 5);
  ASSERT_EQ(plan.Steps(), 74);
  EXPECT_EQ(plan.Entries(0), (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(plan.Entries(64), (std::vector<int>{64, 65, 66, 67, 68}));
  EXPECT_EQ(plan.Entries(66), (std::vector<int>{66, 67, 68}));
  EXPECT_EQ(plan.Entries(68), (std::vector<int>{68}));
  for (int j = 69; j < 74; ++j) EXPECT_TRUE(plan.Entries(j).empty()) << j;
}

TEST_F(Fields, OtherTypesHaveNoTable) {
  int size = 7;
  EXPECT_EQ(wzrv::TableFor(*sets_, 3, &size), nullptr);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(wzrv::TableFor(*sets_, -1, &size), nullptr);
}

TEST(PlaybackPlanEdges, BlankOnlyAndUnterminatedTables) {
  BitmapAnimation blank[3];
  blank[0].bitmap = wzrv::BlankBitmap;
  blank[0].width = blank[0].height = 50;
  const PlaybackPlan none(blank, 3, 10, 10, 1);
  EXPECT_EQ(none.Steps(), 1);
  EXPECT_TRUE(none.Save().Empty());
  EXPECT_TRUE(none.Entries(0).empty());

  // A table without terminator ends at its size.
  BitmapAnimation full[2];
  full[0] = {5, -3, 4, 2, 2};
  full[1] = {6, 1, -2, 10, 1};
  const PlaybackPlan plan(full, 2, 100, 100, 3);
  EXPECT_EQ(plan.Steps(), 2);
  EXPECT_EQ(plan.Entries(0), (std::vector<int>{0, 1}));
  EXPECT_EQ(plan.Entries(1), std::vector<int>{1});
  EXPECT_EQ(plan.Save().x, 97);
  EXPECT_EQ(plan.Save().y, 98);
  EXPECT_EQ(plan.Save().width, 14);
  EXPECT_EQ(plan.Save().height, 8);
}

TEST(PlaybackCompose, ShapePixelsTakeTheColourClippedToThePicture) {
  wzrv::MonoFrame f;
  f.width = 3;
  f.height = 2;
  f.bits = {0xA0, 0x40};  // X.X / .X.
  BitmapAnimation table[3];
  table[0] = {7, -1, -1, 3, 2};
  wzrv::RgbPicture bg;
  bg.width = 4;
  bg.height = 3;
  for (int i = 0; i < 12; ++i) bg.pixels.push_back(static_cast<std::uint32_t>(i));
  auto lookup = [](wzrv::BitmapHandle h, const void* ctx) -> const wzrv::MonoFrame* {
    return h == 7 ? static_cast<const wzrv::MonoFrame*>(ctx) : nullptr;
  };
  const wzrv::RgbPicture at00 =
      wzrv::ComposeStep(bg, table, 3, 0, 0, 1, 0, 0xFF8800, lookup, &f);
  // Frame origin (-1, -1): only its lower-right part is inside.
  EXPECT_EQ(at00.At(0, 0), 0xFF8800u);  // frame (1, 1)
  EXPECT_EQ(at00.At(1, 0), 1u);         // frame (2, 1) clear
  const wzrv::RgbPicture step1 =
      wzrv::ComposeStep(bg, table, 3, 0, 0, 1, 1, 0xFF8800, lookup, &f);
  EXPECT_EQ(step1.pixels, bg.pixels);
}

std::uint64_t fakeMicros = 0;
std::uint64_t FakeMicros() { return fakeMicros += 300; }  // 0.3 ms per poll

class FakeClock {
 public:
  FakeClock() : old_(wzrv::SetMicroClock(&FakeMicros)) {}
  ~FakeClock() { wzrv::SetMicroClock(old_); }
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;

 private:
  wzrv::MicroClock old_;
};

TEST(StepPace, AStepLastsItsWaitFromItsStartDrawingIncluded) {
  FakeClock fake;
  // Started at 1000 us, drawn until 4000 us: the wait ends at 21000 us.
  fakeMicros = 4000;
  wzrv::WaitStep(1000, 20);
  EXPECT_GE(fakeMicros, 21000u);
  EXPECT_LT(fakeMicros, 21300u);
  // Drawing took longer than the step: one poll.
  fakeMicros = 30000;
  EXPECT_EQ(wzrv::WaitStep(1000, 20), 1u);
}

TEST(StepPace, PlatformClockIsTheDefault) {
  wzrv::MicroClock old = wzrv::SetMicroClock(nullptr);
  EXPECT_EQ(wzrv::CurrentMicroClock(), &wzrv::PlatformMicros);
  wzrv::SetMicroClock(old);
}

TEST(Delay, WaitsAtLeastTheTimeFromItsEntry) {
  FakeClock fake;
  fakeMicros = 1000;
  wzrv::Delay(20);
  // Entered on the reading 1300: returns on the first reading 20 ms later.
  EXPECT_GE(fakeMicros, 21300u);
  EXPECT_LT(fakeMicros, 21600u);
}

TEST(Delay, ZeroReturnsAfterOnePoll) {
  FakeClock fake;
  EXPECT_EQ(wzrv::Delay(0), 1u);
}

TEST(Delay, RealClockWaitsAtLeastTheTime) {
  const auto start = std::chrono::steady_clock::now();
  wzrv::Delay(15);
  // The pace clock counts whole microseconds: its first reading may lie up
  // to one before `start`.
  EXPECT_GE(std::chrono::steady_clock::now() - start + std::chrono::microseconds(1), std::chrono::milliseconds(15));
}

}  // namespace
