// Playback benchmark under Wine (run by scripts/bench-wine.sh on a
// 1920x1080 virtual display): clicks the locked program until it has played
// the hexagon field several times, and reports from the program's step
// timings and from screen grabs taken during each animation
//   - the animation's duration against its nominal 19 x 20 ms = 380 ms,
//   - the mean time to draw one step against the 20 ms a step lasts,
//   - the share of steps whose picture was on the screen during the step.
// WZRV_PLAYBACK_PRESENT=none in the environment measures the plain busy loop.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"
#include "tests/e2e/pattern_window.h"
#include "tests/e2e/playback_sampler.h"

namespace e2e {
namespace {

class PlaybackBench : public WzrvTest {
 protected:
  PatternWindow pattern_;
  RegionGrabber grabber_;
  FieldTables tables_;
};

TEST_F(PlaybackBench, HexagonField) {
  ASSERT_TRUE(pattern_.Open());
  LaunchOptions o;
  o.env["WZRV_PLAYBACK_TRACE"] = "1";
  const std::string present = Env("WZRV_PLAYBACK_PRESENT", "");
  if (!present.empty()) o.env["WZRV_PLAYBACK_PRESENT"] = present;
  ASSERT_TRUE(Start({}, o));
  ASSERT_TRUE(LockWithReminder());
  const Image before = SettledScreen();

  const int wanted = std::stoi(Env("WZRV_BENCH_RUNS", "8"));
  const unsigned colors[3] = {0xFF8800, 0xFF8800, 0xFF8800};
  std::vector<double> ratios, drawFractions, shares, otherShares;
  int unmatched = 0, grabs = 0, tears = 0;
  // The click point: the screen's centre, or WZRV_BENCH_X/Y (on two monitors, the second one's).
  const int x = std::stoi(Env("WZRV_BENCH_X", std::to_string(before.width / 2)));
  const int y = std::stoi(Env("WZRV_BENCH_Y", std::to_string(before.height / 2)));
  // Timing: clicks with nobody else busy, the durations from the program's
  // own step timings.
  for (int click = 0; click < 60 && static_cast<int>(ratios.size()) < wanted; ++click) {
    const size_t from = program_.Traces().size();
    x11().Click(x, y);
    ASSERT_TRUE(WaitTrace("animation done", from));
    const int at = program_.FindTrace("PlayBitmapAnimation", from);
    int tx, ty, a, w, d;
    ASSERT_TRUE(ParseAnimationTrace(program_.Traces()[at], &tx, &ty, &a, &w, &d));
    if (a != 0) continue;
    const StepTimings timings = ReadStepTimings(program_.Traces(), at);
    ASSERT_TRUE(timings.ok) << "no step timings traced";
    double draw = 0;
    for (double t : timings.draw) draw += t;
    draw /= timings.steps;
    ratios.push_back(timings.total / (timings.steps * 20.0));
    drawFractions.push_back(draw / 20.0);
    std::printf("  hexagon timing run %zu: %d steps, %.1f ms, draw %.2f ms/step\n", ratios.size(),
                timings.steps, timings.total, draw);
  }
  // Screen: clicks watched by grabbing the screen around the click.
  ClickWatcher watcher(tables_, before, x, y, colors);
  for (int click = 0; click < 60 && static_cast<int>(shares.size()) < wanted; ++click) {
    const size_t from = program_.Traces().size();
    const AnimationWatch watch = watcher.Run(grabber_, program_.ErrPath(), [&] { x11().Click(x, y); });
    ASSERT_TRUE(watch.done) << "no end of the animation";
    const int at = program_.FindTrace("PlayBitmapAnimation", from);
    ASSERT_GE(at, 0);
    const int a = watch.anipattern;
    const StepTimings timings = ReadStepTimings(program_.Traces(), at);
    ASSERT_TRUE(timings.ok) << "no step timings traced";
    unmatched += static_cast<int>(watch.unknown.size());
    tears += watch.tears;
    grabs += static_cast<int>(watch.steps.size());
    std::vector<int> missed;
    const double share = ShareOfStepsSeen(watch, timings, &missed);
    if (a != 0) {
      otherShares.push_back(share);
      continue;
    }
    shares.push_back(share);
    std::string m;
    for (int j : missed) m += " " + std::to_string(j);
    std::printf("  hexagon screen run %zu: %.1f ms, on screen %.0f%%, %zu grabs%s%s\n", shares.size(),
                timings.total, share * 100, watch.steps.size(), missed.empty() ? "" : ", missed steps",
                m.c_str());
  }
  ASSERT_FALSE(ratios.empty()) << "the hexagon field was never chosen";
  auto mean = [](const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += x;
    return v.empty() ? 0.0 : s / v.size();
  };
  std::printf("playback bench (%dx%d%s%s, click at %d,%d, present %s, %zu hexagon animations):\n", before.width,
              before.height, Env("WZRV_MONITORS").empty() ? "" : ", monitors ", Env("WZRV_MONITORS").c_str(), x, y,
              present.empty() ? "wait" : present.c_str(), ratios.size());
  std::printf("  hexagon duration / 380 ms: mean %.3f, min %.3f, max %.3f (target <= 1.05, never < 1.0)\n",
              mean(ratios), *std::min_element(ratios.begin(), ratios.end()),
              *std::max_element(ratios.begin(), ratios.end()));
  std::printf("  step drawing / 20 ms:      mean %.3f\n", mean(drawFractions));
  std::printf("  steps on screen:           %.1f%% (target >= 95%%); other fields %.1f%%\n",
              mean(shares) * 100, mean(otherShares) * 100);
  std::printf("  grabs matching no step:    %d of %d (and %d showing two steps at once)\n", unmatched, grabs,
              tears);
}

}  // namespace
}  // namespace e2e
