// The harness's own pieces that later tests lean on: the screen capture, the
// PNG writer and the profile editing.
#include "tests/e2e/harness.h"

namespace e2e {
namespace {

TEST(HarnessTest, ScreenshotCoversTheScreenAndSavesAsPng) {
  ASSERT_FALSE(Env("DISPLAY").empty()) << MissingEnvironment();
  X11 x11;
  ASSERT_TRUE(x11.Ok());
  const Image image = x11.Screenshot();
  EXPECT_EQ(image.width, std::stoi(Env("WZRV_SCREEN_W", "1024")));
  EXPECT_EQ(image.height, std::stoi(Env("WZRV_SCREEN_H", "768")));
  const std::string path = ArtifactDir() + "/screen.png";
  ASSERT_TRUE(SavePng(image, path));
  const std::string png = ReadFile(path);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
}

TEST(HarnessTest, ProfileSectionIsReplacedAndRemovedAlone) {
  ASSERT_FALSE(Env("WINEPREFIX").empty()) << MissingEnvironment();
  ASSERT_TRUE(RemoveProfileSection());  // what earlier tests left
  const std::string original = ReadFile(WinIniPath());
  ASSERT_TRUE(SetProfileSection({{"Key", "one"}}, "E2E-Other"));
  ASSERT_TRUE(SetProfileSection({{"DefaultPassword", "a b"}, {"X", ""}}));
  bool found = false;
  EXPECT_EQ(ProfileValue("DefaultPassword", &found), "a b");
  EXPECT_TRUE(found);
  EXPECT_EQ(ProfileValue("x", &found), "");
  EXPECT_TRUE(found);
  ASSERT_TRUE(RemoveProfileSection());
  EXPECT_TRUE(ProfileSection().empty());
  EXPECT_EQ(ProfileValue("Key", &found, "E2E-Other"), "one");
  ASSERT_TRUE(RemoveProfileSection("E2E-Other"));
  EXPECT_EQ(ReadFile(WinIniPath()), original);
}

}  // namespace
}  // namespace e2e
