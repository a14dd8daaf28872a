#include "shell/screen_core.h"

#include <algorithm>
#include <cstring>

namespace wzrv {

ScreenArea LockArea(int virtualLeft, int virtualTop, int virtualWidth, int virtualHeight, int desktopWidth,
                    int desktopHeight) {
  if (virtualWidth <= 0 || virtualHeight <= 0) return ScreenArea{0, 0, desktopWidth, desktopHeight};
  return ScreenArea{virtualLeft, virtualTop, virtualWidth, virtualHeight};
}

ScreenArea Intersection(const ScreenArea& a, const ScreenArea& b) {
  const int left = std::max(a.left, b.left), top = std::max(a.top, b.top);
  const int right = std::min(a.Right(), b.Right()), bottom = std::min(a.Bottom(), b.Bottom());
  if (right <= left || bottom <= top) return ScreenArea{};
  return ScreenArea{left, top, right - left, bottom - top};
}

ScreenArea Union(const ScreenArea& a, const ScreenArea& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  const int left = std::min(a.left, b.left), top = std::min(a.top, b.top);
  return ScreenArea{left, top, std::max(a.Right(), b.Right()) - left, std::max(a.Bottom(), b.Bottom()) - top};
}

int Outside(const ScreenArea& outer, const ScreenArea& inner, ScreenArea parts[4]) {
  if (outer.Empty()) return 0;
  const ScreenArea common = Intersection(outer, inner);
  if (common.Empty()) {
    parts[0] = outer;
    return 1;
  }
  int n = 0;
  const auto add = [&](int left, int top, int right, int bottom) {
    if (right > left && bottom > top) parts[n++] = ScreenArea{left, top, right - left, bottom - top};
  };
  add(outer.left, outer.top, outer.Right(), common.top);
  add(outer.left, common.Bottom(), outer.Right(), outer.Bottom());
  add(outer.left, common.top, common.left, common.Bottom());
  add(common.Right(), common.top, outer.Right(), common.Bottom());
  return n;
}

void BandedCopy::Start() { *this = BandedCopy{}; }

ScreenArea BandedCopy::Next(const ScreenArea& screen, unsigned now) {
  const int band = next_;
  next_ = (next_ + 1) % Bands;
  copied_[band] = true;
  at_[band] = now;
  const int top = screen.top + static_cast<int>(static_cast<long long>(screen.height) * band / Bands);
  const int bottom = screen.top + static_cast<int>(static_cast<long long>(screen.height) * (band + 1) / Bands);
  return ScreenArea{screen.left, top, screen.width, bottom - top};
}

bool BandedCopy::Fresh(unsigned now, unsigned maxAge) const {
  for (int band = 0; band < Bands; ++band) {
    if (!copied_[band] || now - at_[band] > maxAge) return false;
  }
  return true;
}

long CopyScreenPart(const ScreenPicture& to, const ScreenPicture& from, const ScreenArea& part) {
  if (to.pixels == nullptr || from.pixels == nullptr) return 0;
  const ScreenArea a = Intersection(Intersection(part, to.area), from.area);
  if (a.Empty()) return 0;
  for (int y = a.top; y < a.Bottom(); ++y) {
    const std::uint32_t* src =
        from.pixels + static_cast<long>(y - from.area.top) * from.area.width + (a.left - from.area.left);
    std::uint32_t* dst = to.pixels + static_cast<long>(y - to.area.top) * to.area.width + (a.left - to.area.left);
    std::memmove(dst, src, static_cast<std::size_t>(a.width) * sizeof(std::uint32_t));
  }
  return static_cast<long>(a.width) * a.height;
}

}  // namespace wzrv
