#include "tests/e2e/pattern_window.h"  // before Xlib, whose macros clash with GoogleTest

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <poll.h>

#include <algorithm>
#include <cstdio>

namespace e2e {

namespace {

constexpr int kCell = 32;

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// A different colour for neighbouring cells in both directions, so that a
// shift by a cell or part of one shows.
unsigned CellColour(int cx, int cy, int variant) {
  cx += variant * 3;
  cy += variant;
  const unsigned r = (cx * 53 + cy * 17) & 0xFF;
  const unsigned g = ((cx + cy) & 1) ? 0xE0 : 0x20;
  const unsigned b = (cy * 61 + cx * 7) & 0xFF;
  return (r << 16) | (g << 8) | b;
}

// The checkerboard of `variant` as a pixmap of the screen's size.
Pixmap PatternPixmap(Display* d, Window root, int width, int height, int variant) {
  const Pixmap p = XCreatePixmap(d, root, width, height, DefaultDepth(d, DefaultScreen(d)));
  GC gc = XCreateGC(d, p, 0, nullptr);
  for (int y = 0; y < height; y += kCell) {
    for (int x = 0; x < width; x += kCell) {
      XSetForeground(d, gc, CellColour(x / kCell, y / kCell, variant));
      XFillRectangle(d, p, gc, x, y, kCell, kCell);
    }
  }
  XFreeGC(d, gc);
  return p;
}

}  // namespace

bool PatternWindow::Open(int variant) {
  Close();
  variant_ = variant;
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) return false;
  const int s = DefaultScreen(display_);
  width_ = DisplayWidth(display_, s);
  height_ = DisplayHeight(display_, s);
  const Window root = RootWindow(display_, s);
  pixmap_ = PatternPixmap(display_, root, width_, height_, variant_);
  // The root window's own background: nothing can be stacked below it, a
  // window manager leaves it alone, and the server repaints it by itself. A
  // compositing manager paints the desktop itself, from the pixmap that the
  // root's _XROOTPMAP_ID names (black without one), so it is named there too.
  XSetWindowBackgroundPixmap(display_, root, pixmap_);
  XClearWindow(display_, root);
  for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
    XChangeProperty(display_, root, XInternAtom(display_, name, False), XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pixmap_), 1);
  }
  XSync(display_, False);
  return true;
}

void PatternWindow::Close() {
  if (display_ == nullptr) return;
  const Window root = DefaultRootWindow(display_);
  XSetWindowBackgroundPixmap(display_, root, None);  // the server's default again
  XClearWindow(display_, root);
  for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"})
    XDeleteProperty(display_, root, XInternAtom(display_, name, False));
  XFreePixmap(display_, pixmap_);
  XSync(display_, False);
  XCloseDisplay(display_);
  display_ = nullptr;
  pixmap_ = 0;
}

bool PatternWindow::Viewable(unsigned long xwin) {
  if (display_ == nullptr || xwin == 0) return false;
  XSync(display_, False);
  auto previous = XSetErrorHandler(IgnoreXError);
  XWindowAttributes attrs;
  const bool ok = XGetWindowAttributes(display_, xwin, &attrs) && attrs.map_state == IsViewable;
  XSync(display_, False);
  XSetErrorHandler(previous);
  return ok;
}

bool PatternWindow::Covers(unsigned long xwin, const Rect& rect) {
  Rect at;
  if (!Viewable(xwin) || !RootGeometry(xwin, &at) || !(at == rect)) return false;
  auto previous = XSetErrorHandler(IgnoreXError);
  int count = 0, ordering = 0;
  XRectangle* shape = XShapeGetRectangles(display_, xwin, ShapeBounding, &count, &ordering);
  if (shape != nullptr) XFree(shape);
  XSync(display_, False);
  XSetErrorHandler(previous);
  return count > 0;
}

std::chrono::steady_clock::time_point WatchUnmap(unsigned long xwin, Millis timeout) {
  Display* d = XOpenDisplay(nullptr);
  const auto end = std::chrono::steady_clock::now() + timeout;
  if (d == nullptr) return end;
  auto previous = XSetErrorHandler(IgnoreXError);
  auto now = std::chrono::steady_clock::now();
  for (; now < end; now = std::chrono::steady_clock::now()) {
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(d, xwin, &attrs) || attrs.map_state != IsViewable) break;
    poll(nullptr, 0, 1);
  }
  XSetErrorHandler(previous);
  XCloseDisplay(d);
  return now;
}

Image PatternWindow::Expected() const {
  Image image;
  image.width = width_;
  image.height = height_;
  image.rgb.resize(static_cast<size_t>(width_) * height_ * 3);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const unsigned c = CellColour(x / kCell, y / kCell, variant_);
      unsigned char* p = &image.rgb[(static_cast<size_t>(y) * width_ + x) * 3];
      p[0] = c >> 16;
      p[1] = (c >> 8) & 0xFF;
      p[2] = c & 0xFF;
    }
  }
  return image;
}

bool PatternWindow::RootGeometry(unsigned long xwin, Rect* rect) {
  if (display_ == nullptr || xwin == 0) return false;
  // The window may be gone already: an error must not end the test program.
  XSync(display_, False);
  auto previous = XSetErrorHandler(IgnoreXError);
  XWindowAttributes attrs;
  int x = 0, y = 0;
  Window child;
  const bool ok = XGetWindowAttributes(display_, xwin, &attrs) &&
                  XTranslateCoordinates(display_, xwin, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
  XSync(display_, False);
  XSetErrorHandler(previous);
  if (ok) *rect = Rect{x, y, x + attrs.width, y + attrs.height};
  return ok;
}

bool SlowWindow::Open(int variant, Millis delay) {
  Close();
  delay_ = delay;
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) return false;
  const int s = DefaultScreen(display_);
  const int width = DisplayWidth(display_, s), height = DisplayHeight(display_, s);
  const Window root = RootWindow(display_, s);
  pixmap_ = PatternPixmap(display_, root, width, height, variant);
  XSetWindowAttributes attrs;
  attrs.override_redirect = True;  // no window manager frames or moves it
  attrs.background_pixel = 0x808080;
  attrs.event_mask = ExposureMask;
  window_ = XCreateWindow(display_, root, 0, 0, width, height, 0, CopyFromParent, InputOutput, CopyFromParent,
                          CWOverrideRedirect | CWBackPixel | CWEventMask, &attrs);
  XMapRaised(display_, window_);
  XSync(display_, False);
  stop_ = false;
  repaints_ = 0;
  thread_ = std::thread([this] { Run(); });
  return true;
}

void SlowWindow::Run() {
  GC gc = XCreateGC(display_, window_, 0, nullptr);
  bool first = true, pending = false;
  Clock::time_point due;
  while (!stop_) {
    pollfd fd{ConnectionNumber(display_), POLLIN, 0};
    poll(&fd, 1, 20);
    while (XPending(display_) > 0) {
      XEvent e;
      XNextEvent(display_, &e);
      if (e.type != Expose || pending) continue;
      pending = true;
      // The first picture comes at once; every later repaint is late.
      due = first ? Clock::now() : Clock::now() + delay_;
      first = false;
    }
    if (pending && Clock::now() >= due) {
      XCopyArea(display_, pixmap_, window_, gc, 0, 0, DisplayWidth(display_, DefaultScreen(display_)),
                DisplayHeight(display_, DefaultScreen(display_)), 0, 0);
      XSync(display_, False);
      pending = false;
      ++repaints_;
    }
  }
  XFreeGC(display_, gc);
}

void SlowWindow::Close() {
  if (display_ == nullptr) return;
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  XDestroyWindow(display_, window_);
  XFreePixmap(display_, pixmap_);
  XSync(display_, False);
  XCloseDisplay(display_);
  display_ = nullptr;
  window_ = pixmap_ = 0;
}

bool DifferenceBox(const Image& a, const Image& b, Rect* box) {
  if (a.width != b.width || a.height != b.height) return false;
  bool any = false;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      if (a.Pixel(x, y) == b.Pixel(x, y)) continue;
      if (!any) *box = Rect{x, y, x + 1, y + 1};
      any = true;
      box->left = std::min<long>(box->left, x);
      box->right = std::max<long>(box->right, x + 1);
      box->top = std::min<long>(box->top, y);
      box->bottom = std::max<long>(box->bottom, y + 1);
    }
  }
  return any;
}

}  // namespace e2e
