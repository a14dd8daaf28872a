// A scaled display (WZRV_LOGPIXELS=144, 150 %; a ctest entry of its own that
// also runs a lock and a field's pixel check there): the system reports the
// scale, and each dialog opens at the larger system font and closes.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

class DpiTest : public WzrvTest {
 protected:
  void SetUp() override {
    if (Env("WZRV_LOGPIXELS").empty()) GTEST_SKIP() << "needs a scaled display (WZRV_LOGPIXELS)";
    WzrvTest::SetUp();
  }
};

TEST_F(DpiTest, SystemReportsTheScale) {
  const RunResult r = probe::Invoke({"monitors"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<Record> records = ParseRecords(r.out);
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records[0].Get("dpi"), Env("WZRV_LOGPIXELS"));
}

TEST_F(DpiTest, EachDialogOpensAtTheScaledFontAndCloses) {
  ASSERT_TRUE(Start());
  struct Dialog {
    unsigned long command;
    const char* caption;
    bool okOnly;  // the About box closes only with OK
  };
  const Dialog dialogs[] = {{IDM_CHANGEPASS, "Zorvel パスワード設定", false},
                            {IDM_ABOUT, "Windows Z.R.V について", true},
                            {IDM_COLOR, "色調整", false},
                            {IDM_SOUND, "効果音・ＢＧＭ", false}};
  ExpectBoxes(true);
  for (const Dialog& d : dialogs) {
    SCOPED_TRACE(d.caption);
    ASSERT_TRUE(probe::Post(MainHwnd(), WM_SYSCOMMAND_, d.command, 0));
    auto box = WaitBox(d.caption);
    ASSERT_NE(box, nullptr);
    // Dialog units follow the system font, which grows with the scale (8 x 16
    // pixels at 96 DPI).
    long baseX = 0, baseY = 0;
    for (const Record& rec : ParseRecords(probe::Invoke({"geometry", std::to_string(box->window.hwnd)}).out)) {
      if (rec.kind == "geometry") std::sscanf(rec.Get("base").c_str(), "%ld,%ld", &baseX, &baseY);
    }
    EXPECT_GT(baseY, 16) << "dialog base units " << baseX << "," << baseY;
    if (d.okOnly) {
      ASSERT_TRUE(Press(*box, "OK"));
    } else {
      ASSERT_TRUE(probe::Post(box->window.hwnd, 0x0111 /* WM_COMMAND */, 2 /* IDCANCEL */, 0));
      ASSERT_TRUE(WaitUntil([&] { return probe::Windows().boxes.empty(); })) << probe::Windows().Describe();
    }
    ASSERT_TRUE(probe::Send(MainHwnd(), WM_NULL_, 0, 0));
  }
}

}  // namespace
}  // namespace e2e
