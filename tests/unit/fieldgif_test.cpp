// The animated GIFs of the fields: what the movie shows and when, and that
// the written file reads back as the same pictures and delays.
#include "tools/fieldgif.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "shell/wzrv_core.h"

namespace {

class FieldGifTest : public ::testing::Test {
 protected:
  static const wzrv::FieldTablesInMemory& Tables() {
    static const wzrv::FieldTablesInMemory tables;
    return tables;
  }
  std::string TempPath(const char* name) {
    char dir[] = "/tmp/wzrv-gif-XXXXXX";
    if (mkdtemp(dir) == nullptr) return name;
    dir_ = dir;
    return dir_ + "/" + name;
  }
  void TearDown() override {
    if (!dir_.empty()) {
      std::remove((dir_ + "/mini.gif").c_str());
      std::remove((dir_ + "/bad.gif").c_str());
      rmdir(dir_.c_str());
    }
  }
  std::string dir_;
};

constexpr std::uint32_t kOrange = 0xFF8800;

TEST_F(FieldGifTest, EachFieldPlaysForItsRealTimeInFramesViewersShowAsWritten) {
  const wzrv::SaveRect all = wzrv::AllFieldsRect(Tables());
  // The hexagon field's largest frame (400 x 400, centred) holds the others.
  EXPECT_EQ(all.x, -200);
  EXPECT_EQ(all.y, -200);
  EXPECT_EQ(all.width, 400);
  EXPECT_EQ(all.height, 400);
  const wzrv::RgbPicture desktop = wzrv::DesktopPicture(480, 480);
  for (int a = 0; a < 3; ++a) {
    SCOPED_TRACE("field " + std::to_string(a));
    const auto movie = wzrv::FieldMovie(Tables(), a, desktop, 240, 240, kOrange, 60, 100);
    ASSERT_GE(movie.size(), 3u);
    EXPECT_EQ(movie.front().picture.pixels, desktop.pixels);
    EXPECT_EQ(movie.front().centis, 60);
    EXPECT_EQ(movie.back().picture.pixels, desktop.pixels);  // the screen put back
    int total = 0;
    for (std::size_t i = 0; i < movie.size(); ++i) {
      total += movie[i].centis;
      EXPECT_GE(movie[i].centis, 2) << "picture " << i;  // viewers stretch shorter ones
      if (i > 0) {
        EXPECT_NE(movie[i].picture.pixels, movie[i - 1].picture.pixels) << "picture " << i;
      }
    }
    const wzrv::ImpactPlan impact = wzrv::ImpactFor(a);
    int size = 0;
    const wzrv::BitmapAnimation* table = wzrv::TableFor(Tables().Sets(), a, &size);
    const int steps = wzrv::PlaybackPlan(table, size, 0, 0, impact.delay).Steps();
    EXPECT_EQ(total, 60 + steps * impact.wait / 10 + 100);
    // The first step is the first picture after the hold.
    const auto frames = &Tables().Frames();
    EXPECT_EQ(movie[1].picture.pixels,
              wzrv::ComposeStep(desktop, table, size, 240, 240, impact.delay, 0, kOrange,
                                [](wzrv::BitmapHandle h, const void* c) {
                                  return static_cast<const wzrv::MemoryFrames*>(c)->Find(h);
                                },
                                frames)
                  .pixels);
  }
}

TEST_F(FieldGifTest, AWrittenGifReadsBackAsTheSamePicturesDelaysAndLoopsForEver) {
  const wzrv::RgbPicture desktop = wzrv::DesktopPicture(480, 480);
  const auto movie = wzrv::FieldMovie(Tables(), 2, desktop, 240, 240, kOrange, 60, 100);
  const std::string path = TempPath("mini.gif");
  std::string error;
  ASSERT_TRUE(wzrv::WriteGif(path, movie, &error)) << error;
  std::vector<wzrv::MovieFrame> back;
  int loops = -2;
  ASSERT_TRUE(wzrv::ReadGif(path, &back, &loops, &error)) << error;
  EXPECT_EQ(loops, 0);
  ASSERT_EQ(back.size(), movie.size());
  for (std::size_t i = 0; i < movie.size(); ++i) {
    EXPECT_EQ(back[i].centis, movie[i].centis) << "picture " << i;
    EXPECT_TRUE(back[i].picture.pixels == movie[i].picture.pixels) << "picture " << i;
  }
}

TEST_F(FieldGifTest, PicturesAGifCannotHoldAreRefusedWithAReason) {
  std::string error;
  const std::string path = TempPath("bad.gif");
  EXPECT_FALSE(wzrv::WriteGif(path, {}, &error));
  EXPECT_EQ(error, "no pictures");

  wzrv::RgbPicture many;
  many.width = 16;
  many.height = 16;
  for (std::uint32_t i = 0; i < 256; ++i) many.pixels.push_back(i * 0x010101u);
  EXPECT_FALSE(wzrv::WriteGif(path, {{many, 2}}, &error));
  EXPECT_EQ(error, "more than 255 colours");

  many.pixels.back() = 0;  // 255 colours fit beside the transparent index
  EXPECT_TRUE(wzrv::WriteGif(path, {{many, 2}}, &error)) << error;
  const wzrv::RgbPicture other = wzrv::DesktopPicture(8, 8);
  EXPECT_FALSE(wzrv::WriteGif(path, {{many, 2}, {other, 2}}, &error));
  EXPECT_EQ(error, "pictures of different sizes");

  EXPECT_FALSE(wzrv::WriteGif("/nonexistent-dir/x.gif", {{other, 2}}, &error));
  EXPECT_NE(error.find("cannot create /nonexistent-dir/x.gif"), std::string::npos) << error;
  std::vector<wzrv::MovieFrame> back;
  int loops = 0;
  EXPECT_FALSE(wzrv::ReadGif("/nonexistent-dir/x.gif", &back, &loops, &error));
}

}  // namespace
