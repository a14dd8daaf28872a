// Lock and unlock latency under Wine (run by scripts/bench-wine.sh), each
// the median of several cycles:
//   - lock: from the reminder box leaving the screen (its OK pressed) to the
//     locked window covering the screen with the lock done (its sound), when
//     the keys typed go to it;
//   - unlock: from the Return typed to the desktop taking clicks again (the
//     window no longer covers the screen) with the unlock done (its sound);
// beside the show and the hide of a trivial window in the same Wine. One
// case each without a window manager, under fvwm and under xfwm4 with its
// compositor.
#include <algorithm>
#include <cstdio>
#include <future>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"
#include "tests/e2e/pattern_window.h"

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

class LatencyBench : public WzrvTest {
 protected:
  void TearDown() override {
    WzrvTest::TearDown();
    wm_.Stop();
    pattern_.Close();
  }

  void Measure(const char* name, const WindowManager::Kind* kind) {
    ASSERT_TRUE(pattern_.Open());
    if (kind != nullptr) {
      ASSERT_TRUE(wm_.Start(x11(), *kind)) << name << " did not start";
    }
    // The reference first, before the program is there.
    const RunResult trivial = probe::Invoke({"trivial", "10"}, Millis(120000));
    double show = -1, hide = -1;
    ASSERT_EQ(std::sscanf(trivial.out.c_str(), "trivial\tshow=%lf\thide=%lf", &show, &hide), 2) << trivial.out;

    ASSERT_TRUE(SetProfileSection({{"DefaultPassword", ""}}));
    ASSERT_TRUE(Start());
    const Rect screen{0, 0, x11().ScreenWidth(), x11().ScreenHeight()};
    const int cycles = std::stoi(Env("WZRV_BENCH_CYCLES", "10"));
    std::vector<double> locks, unlocks;
    for (int cycle = 0; cycle < cycles; ++cycle) {
      const size_t from = program_.Traces().size();
      auto box = RequestLock();
      ASSERT_NE(box, nullptr);
      auto gone = std::async(std::launch::async, [&] { return WatchUnmap(box->window.xwin, Millis(20000)); });
      ASSERT_TRUE(probe::Click(box->window.hwnd, "OK"));
      if (mainXwin_ == 0) State();
      ASSERT_TRUE(WaitUntil([&] {
        return program_.FindTrace("PlaySound 3", from) >= 0 && pattern_.Covers(mainXwin_, screen);
      }, Millis(20000), Millis(2)));
      const Clock::time_point locked = Clock::now();
      locks.push_back(std::chrono::duration<double, std::milli>(locked - gone.get()).count());
      ASSERT_TRUE(WaitLocked());

      const size_t before = program_.Traces().size();
      const Clock::time_point typed = Clock::now();
      x11().Type("\r");
      ASSERT_TRUE(WaitUntil([&] {
        return program_.FindTrace("PlaySound 4", before) >= 0 && !pattern_.Covers(mainXwin_, screen);
      }, Millis(20000), Millis(2)));
      unlocks.push_back(std::chrono::duration<double, std::milli>(Clock::now() - typed).count());
      ASSERT_TRUE(WaitUnlocked(Millis(20000)));
    }
    std::printf("lock latency (%s): %.0f ms (trivial window: %.0f ms)\n", name, Median(locks), show);
    std::printf("unlock latency (%s): %.0f ms (trivial window: %.0f ms)\n", name, Median(unlocks), hide);
    std::fflush(stdout);
  }

  PatternWindow pattern_;
  WindowManager wm_;
};

TEST_F(LatencyBench, NoWindowManager) { Measure("no window manager", nullptr); }

TEST_F(LatencyBench, Fvwm) {
  const WindowManager::Kind kind = WindowManager::Fvwm;
  Measure("fvwm", &kind);
}

TEST_F(LatencyBench, CompositingXfwm) {
  const WindowManager::Kind kind = WindowManager::CompositingXfwm;
  Measure("xfwm4, compositing", &kind);
}

}  // namespace
}  // namespace e2e
