#include "tests/e2e/playback_sampler.h"  // before Xlib, whose macros clash with GoogleTest

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sstream>
#include <thread>

#include "pattern/random.h"

namespace e2e {

FieldTables::FieldTables() {
  const std::uint32_t saved = wzrv::detail::randState;
  // First start: every frame is drawn from the fresh generator.
  wzrv::detail::randState = 1;
  sets_[0].reset(new wzrv::PatternSets);
  frames_[0].reset(new wzrv::MemoryFrames);
  sets_[0]->BuildZRV1(*frames_[0]);
  sets_[0]->BuildZRV2(*frames_[0]);
  sets_[0]->BuildZRV3(*frames_[0]);
  // Later starts: the same frames come from the cache, no draws.
  wzrv::detail::randState = 1;
  sets_[1].reset(new wzrv::PatternSets);
  frames_[1].reset(new wzrv::MemoryFrames);
  frames_[1]->cache = frames_[0]->made;
  sets_[1]->BuildZRV1(*frames_[1]);
  sets_[1]->BuildZRV2(*frames_[1]);
  sets_[1]->BuildZRV3(*frames_[1]);
  wzrv::detail::randState = saved;
}

RegionGrabber::RegionGrabber() {
  display_ = XOpenDisplay(nullptr);
  if (display_ != nullptr) {
    width_ = DisplayWidth(display_, DefaultScreen(display_));
    height_ = DisplayHeight(display_, DefaultScreen(display_));
  }
}

RegionGrabber::~RegionGrabber() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

wzrv::RgbPicture RegionGrabber::Grab(const Rect& rect) {
  wzrv::RgbPicture out;
  if (display_ == nullptr || rect.Width() <= 0 || rect.Height() <= 0) return out;
  XImage* img = XGetImage(display_, DefaultRootWindow(display_), rect.left, rect.top, rect.Width(),
                          rect.Height(), AllPlanes, ZPixmap);
  if (img == nullptr) return out;
  out.width = img->width;
  out.height = img->height;
  out.pixels.resize(static_cast<size_t>(out.width) * out.height);
  const bool fast = img->bits_per_pixel == 32 && img->red_mask == 0xFF0000 &&
                    img->green_mask == 0xFF00 && img->blue_mask == 0xFF;
  for (int y = 0; y < out.height; ++y) {
    if (fast) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(img->data + y * img->bytes_per_line);
      for (int x = 0; x < out.width; ++x) out.pixels[y * out.width + x] = row[x] & 0xFFFFFF;
    } else {
      for (int x = 0; x < out.width; ++x) {
        const unsigned long p = XGetPixel(img, x, y);
        out.pixels[y * out.width + x] = static_cast<std::uint32_t>(p & 0xFFFFFF);
      }
    }
  }
  XDestroyImage(img);
  return out;
}

wzrv::RgbPicture ToPicture(const Image& image, const Rect& rect) {
  wzrv::RgbPicture out;
  out.width = static_cast<int>(rect.Width());
  out.height = static_cast<int>(rect.Height());
  out.pixels.resize(static_cast<size_t>(out.width) * out.height);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x)
      out.pixels[y * out.width + x] = image.Pixel(rect.left + x, rect.top + y);
  return out;
}

Image ToImage(const wzrv::RgbPicture& picture) {
  Image image;
  image.width = picture.width;
  image.height = picture.height;
  image.rgb.resize(static_cast<size_t>(picture.width) * picture.height * 3);
  for (size_t i = 0; i < picture.pixels.size(); ++i) {
    image.rgb[i * 3] = (picture.pixels[i] >> 16) & 0xFF;
    image.rgb[i * 3 + 1] = (picture.pixels[i] >> 8) & 0xFF;
    image.rgb[i * 3 + 2] = picture.pixels[i] & 0xFF;
  }
  return image;
}

double HostMillis() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

namespace {

const wzrv::MonoFrame* Lookup(wzrv::BitmapHandle h, const void* context) {
  return static_cast<const wzrv::MemoryFrames*>(context)->Find(h);
}

}  // namespace

ClickWatcher::ClickWatcher(const FieldTables& tables, const Image& background, int x, int y,
                           const unsigned colors[3], int margin) {
  // The hexagons' save rectangle holds every other field's.
  long l = x - 200, t = y - 200, r = x + 200, b = y + 200;
  for (int a = 0; a < 3; ++a) {
    for (int v = 0; v < 2; ++v) {
      int size = 0;
      const wzrv::BitmapAnimation* table = wzrv::TableFor(tables.Sets(v), a, &size);  // sets size
      const wzrv::PlaybackPlan plan(table, size, x, y, a == 2 ? 5 : 1);
      l = std::min<long>(l, plan.Save().x);
      t = std::min<long>(t, plan.Save().y);
      r = std::max<long>(r, plan.Save().x + plan.Save().width);
      b = std::max<long>(b, plan.Save().y + plan.Save().height);
    }
  }
  region_ = Rect{std::max(0L, l - margin), std::max(0L, t - margin),
                 std::min<long>(background.width, r + margin), std::min<long>(background.height, b + margin)};
  background_ = ToPicture(background, region_);
  const int ox = static_cast<int>(x - region_.left), oy = static_cast<int>(y - region_.top);
  for (int a = 0; a < 3; ++a) {
    const int delay = a == 2 ? 5 : 1;
    for (int v = 0; v < 2; ++v) {
      int size = 0;
      const wzrv::BitmapAnimation* table = wzrv::TableFor(tables.Sets(v), a, &size);
      const wzrv::PlaybackPlan plan(table, size, 0, 0, delay);
      auto& pictures = pictures_[a][v];
      auto& classes = classOf_[a][v];
      for (int j = 0; j < plan.Steps(); ++j) {
        pictures.push_back(wzrv::ComposeStep(background_, table, size, ox, oy, delay, j, colors[a], &Lookup,
                                             &tables.Frames(v)));
        int c = j;
        if (pictures[j].pixels == background_.pixels) c = -1;
        for (int k = 0; k < j && c == j; ++k)
          if (pictures[k].pixels == pictures[j].pixels) c = k;
        classes.push_back(c);
      }
    }
  }
}

namespace {

// New trace lines of a program's stderr file.
class TraceTail {
 public:
  explicit TraceTail(const std::string& path) : path_(path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f != nullptr) {
      std::fseek(f, 0, SEEK_END);
      offset_ = std::ftell(f);
      std::fclose(f);
    }
  }
  // The "wzrv: " traces written since the last call.
  std::vector<std::string> Poll() {
    std::vector<std::string> out;
    FILE* f = std::fopen(path_.c_str(), "rb");
    if (f == nullptr) return out;
    std::fseek(f, offset_, SEEK_SET);
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
      pending_.append(buf, n);
      offset_ += static_cast<long>(n);
    }
    std::fclose(f);
    size_t nl;
    while ((nl = pending_.find('\n')) != std::string::npos) {
      const std::string line = pending_.substr(0, nl);
      pending_.erase(0, nl + 1);
      const size_t at = line.find("\"wzrv: ");
      if (at == std::string::npos) continue;
      std::string text = line.substr(at + 7);
      const size_t end = text.rfind('"');
      if (end != std::string::npos) text.resize(end);
      out.push_back(text);
    }
    return out;
  }

 private:
  std::string path_;
  long offset_ = 0;
  std::string pending_;
};

}  // namespace

AnimationWatch ClickWatcher::Run(RegionGrabber& grabber, const std::string& errPath,
                                 const std::function<void()>& click, Millis limit,
                                 std::chrono::microseconds pause) {
  AnimationWatch watch;
  watch.region = region_;
  TraceTail tail(errPath);
  click();
  std::vector<wzrv::RgbPicture> grabs;
  const auto end = Clock::now() + limit;
  while (!watch.done && Clock::now() < end) {
    const double before = HostMillis();
    grabs.push_back(grabber.Grab(region_));
    const double after = HostMillis();
    watch.times.push_back((before + after) / 2);
    for (const std::string& t : tail.Poll()) {
      int w, d;
      if (watch.anipattern < 0 && ParseAnimationTrace(t, &watch.x, &watch.y, &watch.anipattern, &w, &d)) continue;
      if (watch.anipattern >= 0 && t == "animation done") watch.done = true;
    }
    if (pause.count() > 0) std::this_thread::sleep_for(pause);
  }
  const int a = watch.anipattern;
  if (a < 0 || a > 2) return watch;
  // Match every grab against both variants; keep the variant that fits better.
  std::vector<int> stepOf[2];
  int hits[2] = {0, 0};
  for (const wzrv::RgbPicture& grab : grabs) {
    for (int v = 0; v < 2; ++v) {
      int found = -2;
      if (grab.pixels == background_.pixels) {
        found = -1;
      } else {
        for (size_t j = 0; j < pictures_[a][v].size() && found == -2; ++j)
          if (grab.pixels == pictures_[a][v][j].pixels) found = classOf_[a][v][j];
      }
      if (found >= 0) ++hits[v];
      stepOf[v].push_back(found);
    }
  }
  const int v = watch.variant = hits[1] > hits[0] ? 1 : 0;
  watch.steps = stepOf[v];
  watch.stepClass = classOf_[a][v];
  const int n = static_cast<int>(watch.steps.size());
  auto pictureOf = [&](int step) -> const wzrv::RgbPicture& {
    return step >= 0 ? pictures_[a][v][step] : background_;
  };
  for (int i = 0; i < n; ++i) {
    if (watch.steps[i] != -2) continue;
    int before = i, after = i;
    while (before >= 0 && watch.steps[before] == -2) --before;
    while (after < n && watch.steps[after] == -2) ++after;
    const wzrv::RgbPicture& p = pictureOf(before >= 0 ? watch.steps[before] : -1);
    const wzrv::RgbPicture& q = pictureOf(after < n ? watch.steps[after] : -1);
    const std::vector<std::uint32_t>& g = grabs[i].pixels;
    size_t k = 0;
    while (k < g.size() && (g[k] == p.pixels[k] || g[k] == q.pixels[k] || g[k] == background_.pixels[k])) ++k;
    if (k == g.size()) {
      ++watch.tears;
      continue;
    }
    std::ostringstream s;
    s << "grab " << i << " at " << watch.times[i] - watch.times[0] << " ms matches no step (pixel "
      << k % grabs[i].width + region_.left << "," << k / grabs[i].width + region_.top << ")";
    watch.unknown.push_back(s.str());
    watch.unknownGrabs.push_back(grabs[i]);
  }
  return watch;
}

StepTimings ReadStepTimings(const std::vector<std::string>& traces, size_t from) {
  StepTimings out;
  for (size_t i = from + 1; i < traces.size(); ++i) {
    const std::string& s = traces[i];
    int j;
    double a, b, c;
    if (std::sscanf(s.c_str(), "animation step %d start %lf draw %lf", &j, &a, &b) == 3) {
      out.start.push_back(a);
      out.draw.push_back(b);
    } else if (std::sscanf(s.c_str(), "animation steps %d total %lf base %lf", &j, &a, &c) == 3) {
      out.steps = j;
      out.total = a;
      out.base = c;
      out.ok = static_cast<int>(out.start.size()) == j;
      break;
    } else if (s.compare(0, 19, "PlayBitmapAnimation") == 0) {
      break;
    }
  }
  return out;
}

double ShareOfStepsSeen(const AnimationWatch& watch, const StepTimings& timings, std::vector<int>* missed) {
  if (!timings.ok || timings.steps == 0) return 0;
  int seen = 0;
  for (int j = 0; j < timings.steps; ++j) {
    const double from = timings.base + timings.start[j];
    const double to = timings.base + (j + 1 < timings.steps ? timings.start[j + 1] : timings.total);
    bool ok = false;
    for (size_t i = 0; i < watch.times.size() && !ok; ++i) {
      if (watch.times[i] < from || watch.times[i] > to) continue;
      ok = j < static_cast<int>(watch.stepClass.size()) && watch.steps[i] == watch.stepClass[j];
    }
    if (ok) ++seen;
    else if (missed != nullptr) missed->push_back(j);
  }
  return static_cast<double>(seen) / timings.steps;
}

bool ParseAnimationTrace(const std::string& trace, int* x, int* y, int* a, int* w, int* d) {
  return std::sscanf(trace.c_str(), "PlayBitmapAnimation %d %d %d %d %d", x, y, a, w, d) == 5;
}

}  // namespace e2e
