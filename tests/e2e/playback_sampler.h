// Watching a field animation on the test display: the program's three tables
// and frames rebuilt natively, the picture each step must show, and a sampler
// that grabs the screen around the click as fast as the X server allows and
// tells which step each grab shows.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pattern/pattern_core.h"
#include "storage/playback_core.h"
#include "tools/compose.h"
#include "tests/e2e/harness.h"
#include "tools/memory_frames.h"

namespace e2e {

// The program's tables. pattern3's offsets are drawn after the frames, so
// they depend on whether the frames were drawn (first start) or loaded from
// the pattern cache: both variants are kept.
class FieldTables {
 public:
  FieldTables();
  // The tables of one variant: 0 = frames drawn, 1 = frames loaded.
  const wzrv::PatternSets& Sets(int variant) const { return *sets_[variant]; }
  const wzrv::MemoryFrames& Frames(int variant) const { return *frames_[variant]; }

 private:
  std::unique_ptr<wzrv::PatternSets> sets_[2];
  std::unique_ptr<wzrv::MemoryFrames> frames_[2];
};

// Screen grabs of one rectangle on an own X connection.
class RegionGrabber {
 public:
  RegionGrabber();
  ~RegionGrabber();
  bool Ok() const { return display_ != nullptr; }
  // The rectangle (clipped to the screen) as 0xRRGGBB pixels.
  wzrv::RgbPicture Grab(const Rect& rect);
  int ScreenWidth() const { return width_; }
  int ScreenHeight() const { return height_; }

 private:
  ::_XDisplay* display_ = nullptr;
  int width_ = 0, height_ = 0;
};

wzrv::RgbPicture ToPicture(const Image& image, const Rect& rect);
Image ToImage(const wzrv::RgbPicture& picture);

// Host clock that Wine's performance counter runs on (raw monotonic), in ms.
double HostMillis();

// What one animation looked like.
struct AnimationWatch {
  Rect region;                     // the grabbed rectangle: save rectangle plus a margin, on screen
  std::vector<double> times;       // each grab's middle, HostMillis
  // The picture each grab showed: the first step that shows it, -1 for the
  // background, -2 for none of the steps.
  std::vector<int> steps;
  std::vector<int> stepClass;      // per step: the first step with the same picture, -1 background
  std::vector<std::string> unknown;  // descriptions of grabs that matched no step
  std::vector<wzrv::RgbPicture> unknownGrabs;  // those grabs
  // Grabs that show, pixel by pixel, the step before them, the step after
  // them or the screen under the field. Under Wine the window's picture is
  // shared memory that the X server reads some time after the program sent
  // it: by then the program may have begun the next step's drawing.
  int tears = 0;
  int variant = -1;                // table variant the grabs matched
  int anipattern = -1, x = -1, y = -1;  // from the program's trace
  bool done = false;               // the program traced the end of the animation
};

// Watches the animations of clicks at one point. Built before the click: it
// composes every step of every field over `background` (the screen before the
// click) for both table variants, so that grabbing can start at the click.
class ClickWatcher {
 public:
  // `colors`: each set's colour (0xRRGGBB). The grabbed region is the largest
  // field's save rectangle around (x, y) plus `margin`, on the screen.
  ClickWatcher(const FieldTables& tables, const Image& background, int x, int y,
               const unsigned colors[3], int margin = 16);
  // Runs `click`, then grabs the region until the program traces the end of
  // the animation (read from its stderr file `errPath`) or `limit` ends, and
  // matches each grab against the steps of the field the program played.
  // `pause` between grabs leaves the two cores to the program and the X
  // server (the program's wait is a busy loop).
  AnimationWatch Run(RegionGrabber& grabber, const std::string& errPath,
                     const std::function<void()>& click, Millis limit = Millis(5000),
                     std::chrono::microseconds pause = std::chrono::microseconds(1500));

 private:
  Rect region_;
  wzrv::RgbPicture background_;
  // [anipattern][variant]: every step's picture and its class (the first step
  // with the same picture, -1 for the background).
  std::vector<wzrv::RgbPicture> pictures_[3][2];
  std::vector<int> classOf_[3][2];
};

// Step timings the program traced (WZRV_PLAYBACK_TRACE=1) for the animation
// whose "PlayBitmapAnimation" trace is at index `from`.
struct StepTimings {
  bool ok = false;
  int steps = 0;
  double total = 0;                 // ms from the first step's start to the end
  double base = 0;                  // the first step's start, HostMillis
  std::vector<double> start, draw;  // per step, ms from the first step's start
};
StepTimings ReadStepTimings(const std::vector<std::string>& traces, size_t from);

// The share of steps whose picture was on the screen during the step's own
// time: some grab taken between its start and the next step's start showed it.
double ShareOfStepsSeen(const AnimationWatch& watch, const StepTimings& timings, std::vector<int>* missed = nullptr);

// Parses "PlayBitmapAnimation x y a w d".
bool ParseAnimationTrace(const std::string& trace, int* x, int* y, int* a, int* w, int* d);

}  // namespace e2e
