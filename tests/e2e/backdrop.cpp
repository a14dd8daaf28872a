// wzrv_backdrop: a desktop-like picture on the whole X screen, kept below every
// other window, for the demo and the README's screenshots. Runs until killed.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>

namespace {

void Window3D(Display* d, Drawable w, GC gc, int x, int y, int width, int height, unsigned long title) {
  XSetForeground(d, gc, 0x202020);
  XFillRectangle(d, w, gc, x + 6, y + 6, width, height);  // shadow
  XSetForeground(d, gc, 0xECE9D8);
  XFillRectangle(d, w, gc, x, y, width, height);
  XSetForeground(d, gc, title);
  XFillRectangle(d, w, gc, x + 3, y + 3, width - 6, 22);
  XSetForeground(d, gc, 0xFFFFFF);
  XFillRectangle(d, w, gc, x + 8, y + 32, width - 16, height - 40);
  XSetForeground(d, gc, 0x9090A0);
  for (int line = y + 44; line < y + height - 16; line += 16) {
    XFillRectangle(d, w, gc, x + 18, line, std::max(40, (width - 50) - (line * 37 % 90)), 5);
  }
}

void Paint(Display* d, Window w, GC gc, int width, int height) {
  for (int y = 0; y < height; y += 4) {  // a vertical teal-to-navy gradient
    const int t = y * 255 / std::max(1, height);
    const unsigned long c = (static_cast<unsigned long>(10 + t / 12) << 16) |
                            (static_cast<unsigned long>(110 - t / 3) << 8) | static_cast<unsigned long>(140 - t / 5);
    XSetForeground(d, gc, c);
    XFillRectangle(d, w, gc, 0, y, width, 4);
  }
  for (int i = 0; i < 5; ++i) {  // desktop icons
    XSetForeground(d, gc, 0xF0D060 - i * 0x101000);
    XFillRectangle(d, w, gc, 24, 24 + i * 84, 40, 34);
    XSetForeground(d, gc, 0xFFFFFF);
    XFillRectangle(d, w, gc, 18, 64 + i * 84, 52, 6);
  }
  Window3D(d, w, gc, width / 6, height / 7, width / 2, height / 2, 0x0A246A);
  Window3D(d, w, gc, width / 2, height / 3, width * 2 / 5, height / 2, 0x3A6EA5);
  XSetForeground(d, gc, 0xC0C0C0);  // task bar
  XFillRectangle(d, w, gc, 0, height - 30, width, 30);
  XSetForeground(d, gc, 0x008000);
  XFillRectangle(d, w, gc, 2, height - 27, 64, 24);
  XFlush(d);
}

}  // namespace

int main() {
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return 1;
  const int s = DefaultScreen(d);
  const int width = DisplayWidth(d, s), height = DisplayHeight(d, s);
  XSetWindowAttributes a;
  a.override_redirect = True;
  a.background_pixel = BlackPixel(d, s);
  Window w = XCreateWindow(d, RootWindow(d, s), 0, 0, width, height, 0, CopyFromParent, InputOutput,
                           CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
  XSelectInput(d, w, ExposureMask);
  XMapWindow(d, w);
  XLowerWindow(d, w);
  GC gc = XCreateGC(d, w, 0, nullptr);
  for (;;) {
    XEvent e;
    XNextEvent(d, &e);
    if (e.type == Expose && e.xexpose.count == 0) Paint(d, w, gc, width, height);
  }
}
