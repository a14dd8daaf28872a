// A long run of the GDI-counting build (not part of `make test`; `make soak`
// runs it): clicks at random points of the locked screen (edges and corners
// among them), lock/unlock cycles and openings of every dialog in one process.
// After every animation, every dialog and every lock cycle the GDI balance is
// back where it was, a click at the end is still answered, and the private
// bytes before and after are written out (gtest properties and stdout).
//
// WZRV_SOAK_CLICKS, WZRV_SOAK_CYCLES and WZRV_SOAK_DIALOGS scale the run
// (defaults 1000, 200 and 50).
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

constexpr unsigned WM_COMMAND_ = 0x0111;
const char kPasswordCaption[] = "Zorvel パスワード設定";
const char kAboutCaption[] = "Windows Z.R.V について";
const char kColorCaption[] = "色調整";
const char kSoundCaption[] = "効果音・ＢＧＭ";
const char kFramesOnly[] = "dc=0 memdc=0 bitmap=13 brush=0 pen=0 font=0 palette=0";
const char kLocked[] = "dc=0 memdc=0 bitmap=14 brush=0 pen=0 font=0 palette=0";

int Scale(const char* name, int fallback) {
  const std::string v = Env(name);
  return v.empty() ? fallback : std::atoi(v.c_str());
}

class SoakTest : public WzrvTest {
 protected:
  // The balance traced at `where` at or after trace `from` ("dc=... palette=N").
  std::string Balance(const std::string& where, size_t from) {
    if (!WaitTrace("gdi " + where + " ", from)) return "none";
    const int i = program_.FindTrace("gdi " + where + " ", from);
    return program_.Traces()[static_cast<size_t>(i)].substr(5 + where.size());
  }
  // Private bytes traced at `where` at or after trace `from`; 0 if none.
  // Wine 8 answers PrivateUsage with 0; then the commit charge
  // (PagefileUsage, which is the private bytes on Windows) is taken.
  unsigned long PrivateBytes(const std::string& where, size_t from) {
    if (!WaitTrace("mem " + where + " ", from)) return 0;
    const int i = program_.FindTrace("mem " + where + " ", from);
    unsigned long priv = 0, pagefile = 0, workingSet = 0;
    std::sscanf(program_.Traces()[static_cast<size_t>(i)].c_str() + 5 + where.size(),
                "private=%lu pagefile=%lu workingset=%lu", &priv, &pagefile, &workingSet);
    std::printf("soak: mem %s private=%lu pagefile=%lu workingset=%lu\n", where.c_str(), priv, pagefile,
                workingSet);
    return priv != 0 ? priv : pagefile;
  }

  void Unlock() {
    Type("\r");
    ASSERT_TRUE(WaitUnlocked());
  }

  // Opens a dialog from the system menu and closes it with its Cancel
  // (IDCANCEL, as Escape does) or OK for About; afterwards only the frames
  // are left.
  void OpenAndClose(unsigned long command, const std::string& caption) {
    const size_t from = program_.Traces().size();
    ASSERT_TRUE(probe::Post(MainHwnd(), WM_SYSCOMMAND_, command, 0));
    auto box = WaitBox(caption);
    ASSERT_NE(box, nullptr) << caption;
    if (command == IDM_ABOUT) {
      ASSERT_TRUE(Press(*box, "OK"));
    } else {
      ASSERT_TRUE(probe::Post(box->window.hwnd, WM_COMMAND_, 2 /* IDCANCEL */, 0));
      ASSERT_TRUE(WaitUntil([&] { return probe::Windows().boxes.empty(); })) << caption << " stays open";
    }
    const char* where = command == IDM_CHANGEPASS ? "passworddialog"
                        : command == IDM_ABOUT    ? "aboutdialog"
                        : command == IDM_COLOR    ? "colordialog"
                                               : "sounddialog";
    ASSERT_EQ(Balance(where, from), kFramesOnly) << caption;
  }
};

TEST_F(SoakTest, DISABLED_ThousandsOfClicksCyclesAndDialogsLeakNothing) {
  const int clicks = Scale("WZRV_SOAK_CLICKS", 1000);
  const int cycles = std::max(1, Scale("WZRV_SOAK_CYCLES", 200));
  const int dialogs = Scale("WZRV_SOAK_DIALOGS", 50);
  LaunchOptions options;
  options.exe = "wzrv_gdicount.exe";
  ASSERT_TRUE(Start({}, options));
  ExpectBoxes(true);
  const int w = x11().ScreenWidth(), h = x11().ScreenHeight();
  std::mt19937 gen(1000);

  // A first round of the dialogs and a first cycle load what is loaded once
  // (the file dialog's libraries, the screen's picture); the memory after
  // them is the starting point.
  ASSERT_NO_FATAL_FAILURE(OpenAndClose(IDM_CHANGEPASS, kPasswordCaption));
  ASSERT_NO_FATAL_FAILURE(OpenAndClose(IDM_ABOUT, kAboutCaption));
  ASSERT_NO_FATAL_FAILURE(OpenAndClose(IDM_COLOR, kColorCaption));
  ASSERT_NO_FATAL_FAILURE(OpenAndClose(IDM_SOUND, kSoundCaption));
  size_t from = program_.Traces().size();
  ASSERT_TRUE(LockWithReminder());
  ASSERT_EQ(Balance("lock", from), kLocked);
  ASSERT_NO_FATAL_FAILURE(Unlock());
  ASSERT_EQ(Balance("unlock", from), kFramesOnly);
  const unsigned long before = PrivateBytes("unlock", from);

  // Clicks spread over the cycles; every eighth one at an edge or a corner.
  const int xs[] = {0, w - 1, 0, w - 1, w / 2, 0, w / 2, w - 1};
  const int ys[] = {0, 0, h - 1, h - 1, 0, h / 2, h - 1, h / 2};
  int clicked = 0;
  for (int cycle = 0; cycle < cycles; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    from = program_.Traces().size();
    ASSERT_TRUE(LockWithReminder());
    ASSERT_EQ(Balance("lock", from), kLocked);
    const int until = clicks * (cycle + 1) / cycles;
    for (; clicked < until; ++clicked) {
      int x = static_cast<int>(gen() % static_cast<unsigned>(w));
      int y = static_cast<int>(gen() % static_cast<unsigned>(h));
      if (clicked % 8 == 7) {
        x = xs[(clicked / 8) % 8];
        y = ys[(clicked / 8) % 8];
      }
      const size_t click = program_.Traces().size();
      ASSERT_TRUE(ClickAndWait(x, y)) << "click " << clicked << " at " << x << "," << y;
      ASSERT_EQ(Balance("animation", click), kLocked) << "click " << clicked << " at " << x << "," << y;
    }
    ASSERT_NO_FATAL_FAILURE(Unlock());
    ASSERT_EQ(Balance("unlock", from), kFramesOnly);
  }

  for (int round = 0; round < dialogs; ++round) {
    SCOPED_TRACE("dialog round " + std::to_string(round));
    ASSERT_NO_FATAL_FAILURE(OpenAndClose(IDM_CHANGEPASS, kPasswordCaption));
    ASSERT_NO_FATAL_FAILURE(OpenAndClose(IDM_ABOUT, kAboutCaption));
    ASSERT_NO_FATAL_FAILURE(OpenAndClose(IDM_COLOR, kColorCaption));
    ASSERT_NO_FATAL_FAILURE(OpenAndClose(IDM_SOUND, kSoundCaption));
  }

  // Still responsive: a last lock, and a click is answered within one
  // animation's bound.
  from = program_.Traces().size();
  ASSERT_TRUE(LockWithReminder());
  const auto start = Clock::now();
  ASSERT_TRUE(ClickAndWait(w / 2, h / 2));
  const long answerMs =
      static_cast<long>(std::chrono::duration_cast<Millis>(Clock::now() - start).count());
  ASSERT_NO_FATAL_FAILURE(Unlock());
  ASSERT_EQ(Balance("unlock", from), kFramesOnly);
  const unsigned long after = PrivateBytes("unlock", from);

  std::printf("soak: %d clicks, %d cycles, %d dialog rounds; last click answered in %ld ms; "
              "private bytes %lu before, %lu after\n",
              clicked, cycles, dialogs, answerMs, before, after);
  RecordProperty("private_before", std::to_string(before));
  RecordProperty("private_after", std::to_string(after));
  RecordProperty("last_click_ms", std::to_string(answerMs));
  ASSERT_GT(before, 0ul) << "no private bytes traced";
  // Heap pages may be kept by the allocator; growth beyond 1 MiB is a leak.
  EXPECT_LE(after, before + (1ul << 20)) << "private bytes grew from " << before << " to " << after;

  from = program_.Traces().size();
  ASSERT_TRUE(probe::Post(MainHwnd(), WM_CLOSE_, 0, 0));
  EXPECT_EQ(Balance("destroy", from), "dc=0 memdc=0 bitmap=0 brush=0 pen=0 font=0 palette=0");
  int code = -1;
  EXPECT_TRUE(program_.WaitExit(kWait, &code));
  EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace e2e
