// The lock's speed as the user meets it, beside trivial references, all
// timed the same way (run by scripts/bench-wine.sh): one X observer grabs the
// whole screen all the time, and a figure is the time from an action to the
// first screenshot that shows the pixels the screen then keeps.
//   - reminder: from the lock command posted (by the probe) to the box on
//     the screen, beside a plain message box of the probe's;
//   - lock: from the click that answers the reminder to the locked picture
//     (the desktop changes behind the box, so that it differs from an
//     unlocked screen),
//     beside the probe's topmost window the size of the screen, which paints
//     one colour, shown;
//   - unlock: from the Return of the password to the desktop's own pixels
//     (the desktop changes while locked), beside that window hidden; and to
//     the first change, the desktop's return (a window manager then draws
//     the program's icon again).
// The first lock after the start has a line of its own. Without a window
// manager, under fvwm and under xfwm4 with its compositor. Every figure is
// the program's min / median / max over its cycles, its reference's median,
// and their ratio; a figure that cannot be measured fails the benchmark.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/harness.h"
#include "tests/e2e/pattern_window.h"
// Last: its macros (None, Status, ...) clash with GoogleTest's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace e2e {
namespace {

// The host's raw monotonic clock, in milliseconds: Wine's performance
// counter, which the probe prints, is the same clock.
double NowMillis() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC_RAW, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Grabs the whole screen in a connection of its own, as fast as it can, and
// keeps each grab's time and a hash of its pixels.
class Observer {
 public:
  struct Frame {
    double at;
    unsigned long long hash;
  };

  bool Start() {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) return false;
    running_ = true;
    thread_ = std::thread([this] { Run(); });
    return true;
  }
  void Stop() {
    running_ = false;
    if (thread_.joinable()) thread_.join();
    if (display_ != nullptr) XCloseDisplay(display_);
    display_ = nullptr;
  }
  ~Observer() { Stop(); }

  // The time of the last change seen.
  double LastChange() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastChange_;
  }
  // Waits until the screen has not changed for `quiet` ms (at most `limit`).
  bool WaitQuiet(double quiet, Millis limit) {
    return WaitUntil([&] { return NowMillis() - LastChange() >= quiet; }, limit, Millis(10));
  }
  // The same after a change made at `since`: first until a grab shows it.
  bool WaitChangedAndQuiet(double since, double quiet, Millis limit) {
    return WaitUntil([&] { return LastChange() > since; }, limit, Millis(5)) && WaitQuiet(quiet, limit);
  }
  std::vector<Frame> Frames() {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_;
  }

 private:
  void Run() {
    const Window root = DefaultRootWindow(display_);
    XWindowAttributes a;
    XGetWindowAttributes(display_, root, &a);
    while (running_) {
      XImage* image = XGetImage(display_, root, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
      const double at = NowMillis();
      if (image == nullptr) continue;
      unsigned long long h = 1469598103934665603ull;
      const size_t words = static_cast<size_t>(image->bytes_per_line) * image->height / 8;
      const auto* p = reinterpret_cast<const unsigned long long*>(image->data);
      for (size_t i = 0; i < words; ++i) h = (h ^ p[i]) * 1099511628211ull;
      XDestroyImage(image);
      std::lock_guard<std::mutex> lock(mutex_);
      if (frames_.empty() || frames_.back().hash != h) lastChange_ = at;
      frames_.push_back({at, h});
    }
  }

  Display* display_ = nullptr;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::mutex mutex_;
  std::vector<Frame> frames_;
  double lastChange_ = 0;
};

// How long after `from` the screen first showed the pixels it kept until
// `until`; negative when it did not change (or was not observed).
void Timeline(const char* what, const std::vector<Observer::Frame>& frames, double from, double until) {
  if (Env("WZRV_BENCH_TIMELINE").empty()) return;
  std::printf("timeline %s at %.1f:", what, from);
  unsigned long long last = 0;
  for (const auto& f : frames) {
    if (f.at >= from && f.at < until && f.hash != last) std::printf(" %.1f", f.at - from);
    last = f.hash;
  }
  std::printf("\n");
}

double Settled(const std::vector<Observer::Frame>& frames, double from, double until, const char* what = "") {
  Timeline(what, frames, from, until);
  unsigned long long before = 0, last = 0;
  bool any = false, seenBefore = false;
  double lastChangeAt = -1;
  for (const auto& f : frames) {
    if (f.at < from) {
      before = f.hash;
      seenBefore = true;
      continue;
    }
    if (f.at >= until) break;
    if (!any || f.hash != last) lastChangeAt = f.at;
    last = f.hash;
    any = true;
  }
  if (!any || !seenBefore || last == before) {
    if (!Env("WZRV_BENCH_TIMELINE").empty()) std::printf("timeline %s: not measured (%s)\n", what, !any ? "no grab" : !seenBefore ? "no grab before" : "the same screen as before");
    return -1;
  }
  return lastChangeAt - from;
}

// How long after `from` the screen first showed anything else; negative when
// nothing changed before `until`.
double FirstChange(const std::vector<Observer::Frame>& frames, double from, double until) {
  unsigned long long before = 0;
  bool seenBefore = false;
  for (const auto& f : frames) {
    if (f.at < from) {
      before = f.hash;
      seenBefore = true;
    } else if (f.at >= until) {
      break;
    } else if (seenBefore && f.hash != before) {
      return f.at - from;
    }
  }
  return -1;
}

struct Stats {
  std::vector<double> values;
  bool failed = false;
  void Add(double v) {
    if (v < 0) failed = true;
    else values.push_back(v);
  }
  double Min() const { return values.empty() ? -1 : *std::min_element(values.begin(), values.end()); }
  double Max() const { return values.empty() ? -1 : *std::max_element(values.begin(), values.end()); }
  double Median() const {
    if (values.empty()) return -1;
    std::vector<double> v = values;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  }
};

// Times printed by the probe, in order: "NAME\tt=MS".
std::vector<std::pair<std::string, double>> Moments(const std::string& out) {
  std::vector<std::pair<std::string, double>> moments;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    const size_t tab = line.find("\tt=");
    if (tab != std::string::npos) moments.emplace_back(line.substr(0, tab), std::stod(line.substr(tab + 3)));
  }
  return moments;
}

std::vector<std::string> table;  // the lines of the one table, printed at the end
bool unmeasured = false;

void Row(const std::string& figure, const Stats& program, const Stats& reference) {
  char line[256];
  if (program.failed || program.values.empty() || reference.failed || reference.values.empty()) {
    unmeasured = true;
    std::snprintf(line, sizeof line, "%-34s %s", figure.c_str(), "NOT MEASURED");
  } else {
    std::snprintf(line, sizeof line, "%-34s %7.0f %7.0f %7.0f %9.0f %6.1fx", figure.c_str(), program.Min(),
                  program.Median(), program.Max(), reference.Median(), program.Median() / reference.Median());
  }
  table.push_back(line);
}

class LatencyBench : public WzrvTest {
 protected:
  void TearDown() override {
    WzrvTest::TearDown();
    observer_.Stop();
    wm_.Stop();
    pattern_.Close();
  }

  void Measure(const char* name, const WindowManager::Kind* kind) {
    ASSERT_TRUE(pattern_.Open(0));
    if (kind != nullptr) {
      ASSERT_TRUE(wm_.Start(x11(), *kind)) << name << " did not start";
    }
    ASSERT_TRUE(observer_.Start());
    const int cycles = std::stoi(Env("WZRV_BENCH_CYCLES", "10"));

    // The references, before the program is there.
    observer_.WaitQuiet(300, Millis(5000));
    const RunResult ref = probe::Invoke({"reference", std::to_string(cycles)}, Millis(120000));
    ASSERT_EQ(ref.exitCode, 0) << ref.err;
    Stats refShow, refHide, refHideFirst, refBox;
    {
      const auto moments = Moments(ref.out);
      const auto frames = observer_.Frames();
      for (size_t i = 0; i + 1 < moments.size(); ++i) {
        const double d = Settled(frames, moments[i].second, moments[i + 1].second, moments[i].first.c_str());
        if (moments[i].first == "show") refShow.Add(d);
        if (moments[i].first == "hide") {
          refHide.Add(d);
          refHideFirst.Add(FirstChange(frames, moments[i].second, moments[i + 1].second));
        }
        if (moments[i].first == "box") refBox.Add(d);
      }
    }

    // The program: each cycle the reminder, the lock at its answer, and the
    // unlock over a desktop changed meanwhile.
    ASSERT_TRUE(SetProfileSection({{"DefaultPassword", ""}}));
    ASSERT_TRUE(Start());
    Stats reminder, lock, firstLock, unlock, uncovered;
    int variant = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
      observer_.WaitQuiet(300, Millis(5000));
      const size_t from = program_.Traces().size();
      const RunResult posted = probe::Invoke({"post", std::to_string(MainHwnd()), std::to_string(WM_SYSCOMMAND_),
                                              std::to_string(IDM_LOCK), "0"});
      const auto postedAt = Moments(posted.out);
      ASSERT_EQ(postedAt.size(), 1u) << posted.out << posted.err;
      std::shared_ptr<Box> box;
      ASSERT_TRUE(WaitUntil([&] {
        for (const Box& b : probe::Windows().boxes) box = std::make_shared<Box>(b);
        return box != nullptr;
      }, Millis(20000)));
      // On the screen, then settled: once in a few dozen reminders under
      // xfwm4 the screen had not changed when the quiet waited for was over,
      // and the figure was lost.
      ASSERT_TRUE(observer_.WaitChangedAndQuiet(postedAt[0].second, 400, Millis(10000))) << "no box on the screen";
      // The desktop changes behind the box: the locked picture (the box's
      // place from before it) then differs from what an unlocked screen shows.
      const double boxShown = NowMillis();
      reminder.Add(Settled(observer_.Frames(), postedAt[0].second, boxShown, "reminder"));
      variant = 1 - variant;
      const double flipped = NowMillis();
      ASSERT_TRUE(pattern_.Open(variant));
      ASSERT_TRUE(observer_.WaitChangedAndQuiet(flipped, 300, Millis(5000)));
      // The user clicks the box's OK.
      unsigned long ok = 0;
      for (const Control& c : box->controls)
        if (c.text == "OK") ok = c.hwnd;
      ASSERT_NE(ok, 0u) << box->Describe();
      const RunResult g = probe::Invoke({"geometry", std::to_string(ok)});
      int left = 0, top = 0, right = 0, bottom = 0;
      ASSERT_EQ(std::sscanf(g.out.c_str(), "geometry\trect=%d,%d,%d,%d", &left, &top, &right, &bottom), 4) << g.out;
      const double answered = NowMillis();
      x11().Click((left + right) / 2, (top + bottom) / 2);

      ASSERT_TRUE(program_.WaitForTrace("PlaySound 3", from, Millis(20000))) << "no lock";
      ASSERT_TRUE(WaitUntil([&] { return probe::Windows().boxes.empty(); }, Millis(20000)));
      ASSERT_TRUE(observer_.WaitQuiet(500, Millis(10000)));
      ASSERT_TRUE(WaitLocked());
      const double locked = NowMillis();
      (cycle == 0 ? firstLock : lock).Add(Settled(observer_.Frames(), answered, locked, "lock"));
      // The desktop changes under the lock: the unlock shows it.
      variant = 1 - variant;
      ASSERT_TRUE(pattern_.Open(variant));
      // Hidden by the lock: nothing to see changing.
      ASSERT_TRUE(observer_.WaitQuiet(300, Millis(5000)));

      const size_t before = program_.Traces().size();
      const double typed = NowMillis();
      x11().Type("\r");
      ASSERT_TRUE(program_.WaitForTrace("PlaySound 4", before, Millis(20000))) << "no unlock";
      ASSERT_TRUE(WaitUnlocked(Millis(20000)));
      ASSERT_TRUE(observer_.WaitQuiet(500, Millis(10000)));
      const double unlocked = NowMillis();
      unlock.Add(Settled(observer_.Frames(), typed, unlocked, "unlock"));
      uncovered.Add(FirstChange(observer_.Frames(), typed, unlocked));
      if (!Env("WZRV_BENCH_TIMELINE").empty()) {
        // The program's steps, on the same clock: "at" is the moment each ended.
        const auto traces = program_.Traces();
        std::printf("timeline answered at %.1f, typed at %.1f\n", answered, typed);
        for (size_t i = from; i < traces.size(); ++i)
          if (traces[i].find("step") != std::string::npos) std::printf("  %s\n", traces[i].c_str());
      }
    }
    const std::string n = std::string(" (") + name + ")";
    Row("reminder" + n, reminder, refBox);
    Row("first lock" + n, firstLock, refShow);
    Stats all = lock;
    for (double v : firstLock.values) all.Add(v);
    Row("lock, all" + n, all, refShow);
    Row("unlock" + n, unlock, refHide);
    // Where the window manager draws the program's icon again after the
    // desktop is back, the first change is the desktop's return.
    Row("unlock, first change" + n, uncovered, refHideFirst);
  }

  PatternWindow pattern_;
  WindowManager wm_;
  Observer observer_;
};

TEST_F(LatencyBench, NoWindowManager) { Measure("no WM", nullptr); }

TEST_F(LatencyBench, Fvwm) {
  const WindowManager::Kind kind = WindowManager::Fvwm;
  Measure("fvwm", &kind);
}

TEST_F(LatencyBench, CompositingXfwm) {
  const WindowManager::Kind kind = WindowManager::CompositingXfwm;
  Measure("xfwm4", &kind);
}

// The one table, after every case; a figure not measured fails here.
TEST(LatencyTable, ZPrintsEveryFigure) {
  std::printf("%-34s %7s %7s %7s %9s %7s\n", "figure (ms)", "min", "median", "max", "reference", "ratio");
  for (const std::string& line : table) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  EXPECT_FALSE(table.empty()) << "nothing was measured";
  EXPECT_FALSE(unmeasured) << "a figure could not be measured";
}

}  // namespace
}  // namespace e2e
