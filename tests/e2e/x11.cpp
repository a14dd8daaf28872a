// Screen capture and real input on the test display.
#include "tests/e2e/harness.h"  // before Xlib, whose macros clash with GoogleTest

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <png.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>
#include <cerrno>
#include <cstdio>
#include <thread>

namespace e2e {

unsigned Image::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
  return (unsigned(p[0]) << 16) | (unsigned(p[1]) << 8) | p[2];
}

long CountDifferences(const Image& a, const Image& b, std::string* first) {
  if (a.width != b.width || a.height != b.height) {
    if (first != nullptr) {
      *first = "sizes differ: " + std::to_string(a.width) + "x" + std::to_string(a.height) + " and " +
               std::to_string(b.width) + "x" + std::to_string(b.height);
    }
    return std::max(static_cast<long>(a.width) * a.height, static_cast<long>(b.width) * b.height);
  }
  long count = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      const unsigned pa = a.Pixel(x, y), pb = b.Pixel(x, y);
      if (pa == pb) continue;
      if (count++ == 0 && first != nullptr) {
        char text[96];
        std::snprintf(text, sizeof text, "(%d, %d): %06X instead of %06X", x, y, pa, pb);
        *first = text;
      }
    }
  }
  return count;
}

bool SavePng(const Image& image, const std::string& path) {
  if (image.width <= 0 || image.height <= 0) return false;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 1);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) {
    png_write_row(png, const_cast<png_bytep>(&image.rgb[static_cast<size_t>(y) * image.width * 3]));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

X11::X11() {
  display_ = XOpenDisplay(nullptr);
  if (display_ != nullptr) {
    int event, error, major, minor;
    if (!XTestQueryExtension(display_, &event, &error, &major, &minor)) {
      XCloseDisplay(display_);
      display_ = nullptr;
    }
  }
}

X11::~X11() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

namespace {
// The root window's size now (Xlib's screen record keeps the size the
// connection began with, also after a change through RandR).
void RootSize(Display* d, int* w, int* h) {
  Window root;
  int x, y;
  unsigned width = 0, height = 0, border, depth;
  if (d != nullptr && XGetGeometry(d, DefaultRootWindow(d), &root, &x, &y, &width, &height, &border, &depth)) {
    *w = static_cast<int>(width);
    *h = static_cast<int>(height);
  } else {
    *w = *h = 0;
  }
}
}  // namespace

int X11::ScreenWidth() const {
  int w, h;
  RootSize(display_, &w, &h);
  return w;
}
int X11::ScreenHeight() const {
  int w, h;
  RootSize(display_, &w, &h);
  return h;
}

void X11::Sync() {
  if (display_ != nullptr) XSync(display_, False);
}

Image X11::Screenshot() {
  Image image;
  if (display_ == nullptr) return image;
  int w, h;
  RootSize(display_, &w, &h);
  XImage* x = XGetImage(display_, DefaultRootWindow(display_), 0, 0, w, h, AllPlanes, ZPixmap);
  if (x == nullptr) return image;
  image.width = w;
  image.height = h;
  image.rgb.resize(static_cast<size_t>(w) * h * 3);
  const bool fast = x->bits_per_pixel == 32 && x->red_mask == 0xFF0000 && x->green_mask == 0xFF00 &&
                    x->blue_mask == 0xFF && x->byte_order == LSBFirst;
  // A palette display (8 bits) has no colour masks: its pixels are indices
  // into the default colormap.
  const bool indexed = x->red_mask == 0 && x->green_mask == 0 && x->blue_mask == 0 && x->depth <= 8;
  std::vector<unsigned> lut;
  if (indexed) {
    const int entries = 1 << x->depth;
    std::vector<XColor> colors(entries);
    for (int i = 0; i < entries; ++i) colors[i].pixel = static_cast<unsigned long>(i);
    XQueryColors(display_, DefaultColormap(display_, DefaultScreen(display_)), colors.data(), entries);
    for (const XColor& c : colors) lut.push_back((unsigned(c.red >> 8) << 16) | (unsigned(c.green >> 8) << 8) | (c.blue >> 8));
  }
  for (int y = 0; y < h; ++y) {
    unsigned char* out = &image.rgb[static_cast<size_t>(y) * w * 3];
    if (fast) {
      const unsigned char* row = reinterpret_cast<unsigned char*>(x->data) + static_cast<size_t>(y) * x->bytes_per_line;
      for (int i = 0; i < w; ++i) {
        out[i * 3 + 0] = row[i * 4 + 2];
        out[i * 3 + 1] = row[i * 4 + 1];
        out[i * 3 + 2] = row[i * 4 + 0];
      }
    } else if (indexed) {
      for (int i = 0; i < w; ++i) {
        const unsigned long p = XGetPixel(x, i, y);
        const unsigned c = p < lut.size() ? lut[p] : 0;
        out[i * 3 + 0] = static_cast<unsigned char>(c >> 16);
        out[i * 3 + 1] = static_cast<unsigned char>(c >> 8);
        out[i * 3 + 2] = static_cast<unsigned char>(c);
      }
    } else {
      for (int i = 0; i < w; ++i) {
        const unsigned long p = XGetPixel(x, i, y);
        auto channel = [p](unsigned long mask) -> unsigned char {
          if (mask == 0) return 0;
          int shift = 0;
          while (((mask >> shift) & 1) == 0) ++shift;
          const unsigned long max = mask >> shift;
          return static_cast<unsigned char>(((p & mask) >> shift) * 255 / max);
        };
        out[i * 3 + 0] = channel(x->red_mask);
        out[i * 3 + 1] = channel(x->green_mask);
        out[i * 3 + 2] = channel(x->blue_mask);
      }
    }
  }
  XDestroyImage(x);
  return image;
}

void X11::MouseMove(int x, int y) {
  if (display_ == nullptr) return;
  XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
  XSync(display_, False);
}

void X11::Click(int x, int y, int button) {
  if (display_ == nullptr) return;
  MouseMove(x, y);
  XTestFakeButtonEvent(display_, button, True, CurrentTime);
  XTestFakeButtonEvent(display_, button, False, CurrentTime);
  XSync(display_, False);
}

void X11::KeyCode(unsigned code, bool press) {
  XTestFakeKeyEvent(display_, code, press ? True : False, CurrentTime);
}

void X11::Key(const std::string& keysym, const std::vector<std::string>& modifiers) {
  if (display_ == nullptr) return;
  std::vector<unsigned> mods;
  for (const std::string& m : modifiers) {
    const unsigned code = XKeysymToKeycode(display_, XStringToKeysym(m.c_str()));
    if (code != 0) mods.push_back(code);
  }
  const unsigned code = XKeysymToKeycode(display_, XStringToKeysym(keysym.c_str()));
  for (unsigned m : mods) KeyCode(m, true);
  if (code != 0) {
    KeyCode(code, true);
    KeyCode(code, false);
  }
  for (auto it = mods.rbegin(); it != mods.rend(); ++it) KeyCode(*it, false);
  XSync(display_, False);
}

void X11::Type(const std::string& text) {
  if (display_ == nullptr) return;
  const unsigned shift = XKeysymToKeycode(display_, XK_Shift_L);
  for (char ch : text) {
    KeySym sym;
    switch (ch) {
      case '\n': case '\r': sym = XK_Return; break;
      case '\b': sym = XK_BackSpace; break;
      case '\t': sym = XK_Tab; break;
      case '\x1b': sym = XK_Escape; break;
      default: sym = static_cast<unsigned char>(ch); break;
    }
    const unsigned code = XKeysymToKeycode(display_, sym);
    if (code == 0) continue;
    const bool shifted = XkbKeycodeToKeysym(display_, code, 0, 0) != sym &&
                         XkbKeycodeToKeysym(display_, code, 0, 1) == sym;
    if (shifted) KeyCode(shift, true);
    KeyCode(code, true);
    KeyCode(code, false);
    if (shifted) KeyCode(shift, false);
  }
  XSync(display_, False);
}

unsigned long X11::FocusWindow() {
  if (display_ == nullptr) return 0;
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  return focus;
}

bool X11::Focus(unsigned long xwin, Millis timeout) {
  if (display_ == nullptr) return false;
  return WaitUntil([&] {
    if (FocusWindow() == xwin) return true;
    XSetInputFocus(display_, xwin, RevertToParent, CurrentTime);
    XSync(display_, False);
    return FocusWindow() == xwin;
  }, timeout, Millis(20));
}

namespace {

// The display's pixel value for a colour: composed from the masks on a true
// colour display, allocated in the default colormap on a palette display.
unsigned long PixelFor(Display* d, unsigned rgb) {
  Visual* v = DefaultVisual(d, DefaultScreen(d));
  if (v->red_mask != 0 && v->green_mask != 0 && v->blue_mask != 0) {
    auto place = [](unsigned value8, unsigned long mask) -> unsigned long {
      int shift = 0;
      while (((mask >> shift) & 1) == 0) ++shift;
      const unsigned long max = mask >> shift;
      return ((value8 * max + 127) / 255) << shift;
    };
    return place((rgb >> 16) & 0xFF, v->red_mask) | place((rgb >> 8) & 0xFF, v->green_mask) |
           place(rgb & 0xFF, v->blue_mask);
  }
  XColor c = {};
  c.red = static_cast<unsigned short>(((rgb >> 16) & 0xFF) * 257);
  c.green = static_cast<unsigned short>(((rgb >> 8) & 0xFF) * 257);
  c.blue = static_cast<unsigned short>((rgb & 0xFF) * 257);
  c.flags = DoRed | DoGreen | DoBlue;
  if (XAllocColor(d, DefaultColormap(d, DefaultScreen(d)), &c)) return c.pixel;
  return rgb == 0 ? BlackPixel(d, DefaultScreen(d)) : WhitePixel(d, DefaultScreen(d));
}

}  // namespace

void X11::SetRootBackground(unsigned rgb) {
  if (display_ == nullptr) return;
  const Window root = DefaultRootWindow(display_);
  XSetWindowBackground(display_, root, PixelFor(display_, rgb));
  XClearWindow(display_, root);
  XSync(display_, False);
}

void X11::FillRootRect(int x, int y, int width, int height, unsigned rgb) {
  if (display_ == nullptr) return;
  const Window root = DefaultRootWindow(display_);
  GC gc = XCreateGC(display_, root, 0, nullptr);
  XSetForeground(display_, gc, PixelFor(display_, rgb));
  XSetSubwindowMode(display_, gc, IncludeInferiors);
  XFillRectangle(display_, root, gc, x, y, width, height);
  XFreeGC(display_, gc);
  XSync(display_, False);
}

namespace {

// The window a _NET_SUPPORTING_WM_CHECK property names, or None.
Window CheckWindow(Display* d, Window w, Atom check) {
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  Window named = None;
  if (XGetWindowProperty(d, w, check, 0, 1, False, XA_WINDOW, &type, &format, &items, &after, &data) ==
          Success &&
      items == 1 && format == 32)
    named = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
  if (data != nullptr) XFree(data);
  return named;
}

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

bool X11::WindowManagerRunning() {
  if (display_ == nullptr) return false;
  const Atom selection = XInternAtom(display_, "WM_S0", False);
  if (XGetSelectionOwner(display_, selection) != None) return true;
  // A window manager that has ended leaves the root's property behind; its
  // check window (which names itself) is gone with it.
  const Atom check = XInternAtom(display_, "_NET_SUPPORTING_WM_CHECK", False);
  const Window named = CheckWindow(display_, DefaultRootWindow(display_), check);
  if (named == None) return false;
  XSync(display_, False);
  const auto previous = XSetErrorHandler(&IgnoreErrors);
  const bool alive = CheckWindow(display_, named, check) == named;
  XSync(display_, False);
  XSetErrorHandler(previous);
  return alive;
}

void X11::MoveResize(unsigned long xwin, const Rect& rect) {
  if (display_ == nullptr) return;
  XMoveResizeWindow(display_, xwin, rect.left, rect.top, rect.Width(), rect.Height());
  XSync(display_, False);
}

bool X11::CompositorRunning() {
  if (display_ == nullptr) return false;
  const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display_));
  return XGetSelectionOwner(display_, XInternAtom(display_, name.c_str(), False)) != None;
}

bool WindowManager::Start(X11& x11, Kind kind, Millis timeout) {
  Stop();
  const std::string dir = ArtifactDir();
  if (kind == Fvwm) {
    const std::string config = dir + "/fvwm.config";
    WriteFile(config, "DesktopSize 1x1\nStyle * ClickToFocus\n");
    pid_ = Spawn({"setsid", "fvwm", "-f", config}, {}, dir, "", dir + "/fvwm-stderr.txt");
  } else {
    // xfwm4 reads its settings through D-Bus: a session bus of its own, with
    // the defaults (the compositor on), and the accessibility bus left out.
    pid_ = Spawn({"setsid", "dbus-run-session", "--", "xfwm4", "--compositor=on", "--sm-client-disable"},
                 {{"NO_AT_BRIDGE", "1"}}, dir, "", dir + "/xfwm4-stderr.txt");
  }
  if (pid_ <= 0) return false;
  return WaitUntil([&] {
    return x11.WindowManagerRunning() && (kind == Fvwm || x11.CompositorRunning());
  }, timeout);
}

void WindowManager::Stop() {
  if (pid_ <= 0) return;
  kill(-pid_, SIGTERM);
  const bool ended = WaitUntil([&] { return waitpid(pid_, nullptr, WNOHANG) == pid_; }, Millis(5000), Millis(20));
  if (!ended) {
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  kill(-pid_, SIGKILL);  // what the leader left behind (the bus daemon)
  pid_ = -1;
}

bool X11::SetScreenSize(int width, int height) {
  if (display_ == nullptr) return false;
  const Window root = DefaultRootWindow(display_);
  XRRScreenResources* res = XRRGetScreenResources(display_, root);
  if (res == nullptr) return false;
  bool ok = false;
  if (res->noutput > 0 && res->ncrtc > 0) {
    const RROutput output = res->outputs[0];
    XRROutputInfo* out = XRRGetOutputInfo(display_, res, output);
    const RRCrtc crtc = out != nullptr && out->crtc != 0 ? out->crtc : res->crtcs[0];
    RRMode mode = 0;
    for (int i = 0; i < res->nmode; ++i) {
      if (static_cast<int>(res->modes[i].width) == width && static_cast<int>(res->modes[i].height) == height)
        mode = res->modes[i].id;
    }
    if (mode == 0) {
      // A mode made by this connection lives as long as it does.
      char name[32];
      std::snprintf(name, sizeof name, "%dx%d-test", width, height);
      XRRModeInfo info = {};
      info.width = static_cast<unsigned>(width);
      info.height = static_cast<unsigned>(height);
      info.hTotal = static_cast<unsigned>(width);
      info.vTotal = static_cast<unsigned>(height);
      info.dotClock = static_cast<unsigned long>(width) * height * 60;
      info.name = name;
      info.nameLength = static_cast<unsigned>(std::strlen(name));
      mode = XRRCreateMode(display_, root, &info);
      XRRAddOutputMode(display_, output, mode);
    }
    int nowW, nowH;
    RootSize(display_, &nowW, &nowH);
    // About 96 pixels to the inch.
    const int mmw = width * 254 / 960, mmh = height * 254 / 960;
    RROutput outputs[1] = {output};
    // The screen holds the monitor at every moment: grow it before, shrink it after.
    XGrabServer(display_);
    const bool grow = width > nowW || height > nowH;
    if (grow) XRRSetScreenSize(display_, root, width, height, mmw, mmh);
    ok = XRRSetCrtcConfig(display_, res, crtc, CurrentTime, 0, 0, mode, RR_Rotate_0, outputs, 1) == RRSetConfigSuccess;
    if (!grow) XRRSetScreenSize(display_, root, width, height, mmw, mmh);
    XUngrabServer(display_);
    XSync(display_, False);
    if (out != nullptr) XRRFreeOutputInfo(out);
  }
  XRRFreeScreenResources(res);
  return ok;
}

}  // namespace e2e
