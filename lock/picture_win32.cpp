#include "lock/picture_win32.h"

#include <cstring>
#include <vector>

#include "base/gdi_win32.h"  // last: counts GDI objects in a test build

void FlushWindowSystem() {
  GdiFlush();
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
}

ScreenCopy ScreenCopy::New(const wzrv::ScreenArea& area) {
  ScreenCopy p;
  p.area = area;
  if (area.Empty()) return p;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = area.width;
  bi.bmiHeader.biHeight = -area.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  p.bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  p.bits = p.bitmap != nullptr ? static_cast<std::uint32_t*>(bits) : nullptr;
  return p;
}

namespace {

// The screen's `part` into `picture` at the same place.
bool CopyScreen(const ScreenCopy& picture, const wzrv::ScreenArea& part) {
  const wzrv::WindowDC screen(nullptr);
  const wzrv::MemoryDC mem(screen);
  if (mem == nullptr) return false;
  const wzrv::SelectedObject selected(mem, picture.bitmap);
  BitBlt(mem, part.left - picture.area.left, part.top - picture.area.top, part.width, part.height, screen,
         part.left, part.top, SRCCOPY);
  GdiFlush();
  return true;
}

// The rows of `part` of the picture, one after the other.
std::vector<std::uint32_t> Rows(const ScreenCopy& picture, const wzrv::ScreenArea& part) {
  std::vector<std::uint32_t> rows;
  rows.reserve(static_cast<std::size_t>(part.width) * part.height);
  for (int y = part.top; y < part.Bottom(); ++y) {
    const std::uint32_t* row = picture.bits + static_cast<std::size_t>(y - picture.area.top) * picture.area.width +
                               (part.left - picture.area.left);
    rows.insert(rows.end(), row, row + part.width);
  }
  return rows;
}

}  // namespace

ScreenCopy ScreenCopy::Copy(const wzrv::ScreenArea& area) {
  ScreenCopy p = New(area);
  if (p.bitmap != nullptr && !CopyScreen(p, area)) p.Release();
  return p;
}

ScreenCopy ScreenCopy::CopySettled(const wzrv::ScreenArea& area) {
  ScreenCopy p = New(area);
  if (p.bitmap != nullptr) p.CopyPart(area, true);
  return p;
}

void ScreenCopy::CopyPart(const wzrv::ScreenArea& part, bool settle) {
  const wzrv::ScreenArea inside = wzrv::Intersection(part, area);
  if (bitmap == nullptr || inside.Empty()) return;
  if (!settle) {
    CopyScreen(*this, inside);
    return;
  }
  FlushWindowSystem();
  if (!CopyScreen(*this, inside)) return;
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::vector<std::uint32_t> last = Rows(*this, inside);
    FlushWindowSystem();
    Sleep(10);
    if (!CopyScreen(*this, inside) || Rows(*this, inside) == last) break;
  }
}

void ScreenCopy::Release() {
  if (bitmap != nullptr) DeleteObject(bitmap);
  *this = ScreenCopy{};
}
