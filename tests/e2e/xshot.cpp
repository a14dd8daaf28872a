// wzrv_xshot OUT.png: saves the whole screen of $DISPLAY as a PNG.
#include <cstdio>

#include "tests/e2e/harness.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: wzrv_xshot OUT.png\n");
    return 1;
  }
  e2e::X11 x11;
  if (!x11.Ok()) {
    std::fprintf(stderr, "wzrv_xshot: cannot open the display (DISPLAY unset or no XTEST)\n");
    return 1;
  }
  const e2e::Image image = x11.Screenshot();
  if (!e2e::SavePng(image, argv[1])) {
    std::fprintf(stderr, "wzrv_xshot: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
