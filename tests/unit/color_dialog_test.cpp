#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "palette/colordlg_core.h"
#include "tests/support/memory_profile.h"

namespace {

using wzrv::AppPaletteBase;
using wzrv::MemoryProfile;

const char kSection[] = "Windows-Zorvel";

// Controls that behave as the dialog's: setting a number field reports a
// change at once, re-entrantly, as the platform's edit control does.
class FakeDialog : public wzrv::ColorDialogHost {
 public:
  explicit FakeDialog(AppPaletteBase& pal) : pal_(pal) {}
  void SetScrollRangeAndPos(int ch, int pos) override { scroll[ch] = pos; }
  void SetScrollPos(int ch, int pos) override { scroll[ch] = pos; }
  void SetEditNumber(int ch, unsigned value) override {
    edit[ch] = std::to_string(value);
    Report(ch);
  }
  void EditText(int ch, char* buf, int size) override {
    std::snprintf(buf, static_cast<std::size_t>(size), "%s", edit[ch].c_str());
  }
  void AllSet() override { ++allsets; }
  void DrawColorView() override {
    const PaletteSet& s = pal_.NowUse[pal_.dlgnow];
    swatch = {s.r, s.g, s.b};
  }
  // The user types into a field.
  void Type(int ch, const std::string& text) {
    edit[ch] = text;
    Report(ch);
  }
  void Report(int ch) { wzrv::ColorEditChanged(pal_, *this, ch); }

  int scroll[3] = {-1, -1, -1};
  std::string edit[3];
  int allsets = 0;
  std::vector<int> swatch;

 private:
  AppPaletteBase& pal_;
};

class ColorDialog : public ::testing::Test {
 protected:
  ColorDialog() : pal(profile, kSection, DefaultPaletteSets().data(), 3), dlg(pal) {
    backup = wzrv::ColorBackup(pal);
    wzrv::SetScroll(pal, dlg);
  }
  int Red() const { return pal.NowUse[pal.dlgnow].r; }
  // Puts the red channel at v through the field, then scrolls.
  int StepFrom(int v, int code, int thumb = 0) {
    dlg.Type(0, std::to_string(v));
    EXPECT_EQ(Red(), v);
    EXPECT_TRUE(wzrv::ColorScroll(pal, dlg, 0, code, thumb));
    EXPECT_EQ(dlg.scroll[0], Red());
    EXPECT_EQ(dlg.edit[0], std::to_string(Red()));
    return Red();
  }

  MemoryProfile profile;
  AppPaletteBase pal;
  FakeDialog dlg;
  std::vector<PaletteSet> backup;
};

TEST_F(ColorDialog, OpeningFillsControlsWithoutReadingHalfFilledFields) {
  EXPECT_EQ(dlg.scroll[0], 255);
  EXPECT_EQ(dlg.scroll[1], 136);
  EXPECT_EQ(dlg.scroll[2], 0);
  EXPECT_EQ(dlg.edit[1], "136");
  EXPECT_EQ(pal.setting, 0);
  EXPECT_EQ(dlg.allsets, 0);  // the reports while filling were ignored
}

TEST_F(ColorDialog, LineAndPageStepsAtTheEdgesAreNotClamped) {
  EXPECT_EQ(StepFrom(0, wzrv::sb::LineLeft), 0);
  EXPECT_EQ(StepFrom(254, wzrv::sb::LineRight), 255);
  EXPECT_EQ(StepFrom(255, wzrv::sb::LineRight), 255);
  EXPECT_EQ(StepFrom(15, wzrv::sb::PageLeft), 15);
  EXPECT_EQ(StepFrom(16, wzrv::sb::PageLeft), 0);
  EXPECT_EQ(StepFrom(240, wzrv::sb::PageRight), 240);
  EXPECT_EQ(StepFrom(239, wzrv::sb::PageRight), 255);
  EXPECT_EQ(StepFrom(10, wzrv::sb::PageLeft), 10);
}

TEST_F(ColorDialog, ThumbChangesOnlyWhenReleased) {
  const int before = dlg.allsets;
  EXPECT_TRUE(wzrv::ColorScroll(pal, dlg, 0, wzrv::sb::ThumbTrack, 100));
  EXPECT_EQ(Red(), 255);
  EXPECT_EQ(dlg.allsets, before);
  EXPECT_EQ(StepFrom(255, wzrv::sb::ThumbPosition, 200), 200);
  EXPECT_EQ(dlg.swatch, (std::vector<int>{200, 136, 0}));
  EXPECT_GT(dlg.allsets, before);
}

TEST_F(ColorDialog, ScrollWhileFillingOrFromAnotherBarIsNotHandled) {
  pal.setting = 1;
  EXPECT_FALSE(wzrv::ColorScroll(pal, dlg, 0, wzrv::sb::LineLeft, 0));
  pal.setting = 0;
  EXPECT_FALSE(wzrv::ColorScroll(pal, dlg, 3, wzrv::sb::LineLeft, 0));
  EXPECT_EQ(Red(), 255);
}

TEST_F(ColorDialog, EmptyOrNonNumericFieldKeepsItsChannel) {
  dlg.Type(0, "");
  EXPECT_EQ(Red(), 255);
  EXPECT_EQ(dlg.scroll[0], 255);
  dlg.Type(0, "12a");
  EXPECT_EQ(Red(), 255);
  dlg.Type(0, "128");
  EXPECT_EQ(Red(), 128);
  EXPECT_EQ(dlg.scroll[0], 128);
  EXPECT_EQ(dlg.swatch, (std::vector<int>{128, 136, 0}));
  dlg.Type(2, "4000");  // beyond the channel: the largest value
  EXPECT_EQ(pal.NowUse[0].b, 255);
}

TEST_F(ColorDialog, AcceptWithAnEmptyFieldStoresTheOtherTwo) {
  dlg.edit[0] = "";
  dlg.edit[1] = "10";
  dlg.edit[2] = "20";
  const int code = wzrv::ColorAccept(pal, dlg);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(pal.status, 1);
  wzrv::ColorFinish(pal, dlg, code, backup);
  EXPECT_EQ(profile.Value(kSection, "ApplicationColor(0)"), "255,10,20");
  EXPECT_EQ(profile.Value(kSection, "ApplicationColor(2)"), "255,136,0");
}

TEST_F(ColorDialog, DefaultResetsAllSetsAndCancelAfterItRestoresThem) {
  for (int i = 0; i < 3; ++i) pal.NowUse[i] = {ColorNames[i], 1, 2, static_cast<unsigned char>(i)};
  backup = wzrv::ColorBackup(pal);
  wzrv::ColorSelect(pal, dlg, 1);
  EXPECT_EQ(dlg.edit[2], "1");
  wzrv::ColorDefault(pal, dlg);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(pal.NowUse[i].r, 255);
    EXPECT_EQ(pal.NowUse[i].g, 136);
    EXPECT_EQ(pal.NowUse[i].b, 0);
  }
  EXPECT_EQ(dlg.edit[1], "136");
  EXPECT_EQ(dlg.swatch, (std::vector<int>{255, 136, 0}));
  const int writes = profile.writes;
  const int allsets = dlg.allsets;
  wzrv::ColorFinish(pal, dlg, wzrv::ColorCancel(pal), backup);
  EXPECT_EQ(pal.status, 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(pal.NowUse[i].b, i);
  EXPECT_GT(dlg.allsets, allsets);  // the restored colours reach the palette
  EXPECT_EQ(profile.writes, writes);
}

TEST_F(ColorDialog, SelectionSurvivesTheDialogAndNoSelectionChangesNothing) {
  wzrv::ColorSelect(pal, dlg, 2);
  wzrv::ColorSelect(pal, dlg, -1);
  EXPECT_EQ(pal.dlgnow, 2);
  wzrv::ColorFinish(pal, dlg, wzrv::ColorAccept(pal, dlg), backup);
  EXPECT_EQ(pal.dlgnow, 2);  // the next opening shows the same set
}

TEST(ColorDialogNumbers, UnsignedDecimalOnly) {
  unsigned v = 7;
  EXPECT_TRUE(wzrv::ParseChannelText(" 42 ", &v));
  EXPECT_EQ(v, 42u);
  EXPECT_FALSE(wzrv::ParseChannelText("", &v));
  EXPECT_FALSE(wzrv::ParseChannelText("-1", &v));
  EXPECT_FALSE(wzrv::ParseChannelText("99999999999", &v));
  EXPECT_EQ(v, 42u);
}

}  // namespace
