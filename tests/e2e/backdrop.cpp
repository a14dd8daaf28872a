// wzrv_backdrop: a desktop-like picture on the whole X screen, kept below every
// other window, for the demo and the README's screenshots. Runs until killed.
// The picture is the one the field movies are drawn on.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <map>

#include "tools/fieldgif.h"

namespace {

// The picture as an X image of the screen's depth; each colour allocated once
// (exact on a true-colour screen, the nearest free cell on a palette screen).
XImage* MakeImage(Display* d, int s, const wzrv::RgbPicture& picture) {
  Visual* visual = DefaultVisual(d, s);
  const int depth = DefaultDepth(d, s);
  XImage* image = XCreateImage(d, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(picture.width), static_cast<unsigned>(picture.height), 32, 0);
  if (image == nullptr) return nullptr;
  image->data = static_cast<char*>(std::calloc(static_cast<std::size_t>(image->bytes_per_line), picture.height));
  if (image->data == nullptr) {
    XDestroyImage(image);
    return nullptr;
  }
  std::map<std::uint32_t, unsigned long> pixels;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const std::uint32_t rgb = picture.At(x, y);
      auto it = pixels.find(rgb);
      if (it == pixels.end()) {
        XColor c;
        c.red = static_cast<unsigned short>(((rgb >> 16) & 0xFF) * 257);
        c.green = static_cast<unsigned short>(((rgb >> 8) & 0xFF) * 257);
        c.blue = static_cast<unsigned short>((rgb & 0xFF) * 257);
        c.flags = DoRed | DoGreen | DoBlue;
        const unsigned long pixel = XAllocColor(d, DefaultColormap(d, s), &c) ? c.pixel : BlackPixel(d, s);
        it = pixels.emplace(rgb, pixel).first;
      }
      XPutPixel(image, x, y, it->second);
    }
  }
  return image;
}

}  // namespace

int main() {
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return 1;
  const int s = DefaultScreen(d);
  const int width = DisplayWidth(d, s), height = DisplayHeight(d, s);
  XImage* image = MakeImage(d, s, wzrv::DesktopPicture(width, height));
  if (image == nullptr) return 1;
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
    if (e.type == Expose) {
      XPutImage(d, w, gc, image, e.xexpose.x, e.xexpose.y, e.xexpose.x, e.xexpose.y,
                static_cast<unsigned>(e.xexpose.width), static_cast<unsigned>(e.xexpose.height));
      XFlush(d);
    }
  }
}
