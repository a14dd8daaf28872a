// Frame bitmaps of the three fields: the canvas header, turning the canvas
// into monochrome GDI bitmaps, the builders and the registry's shutdown.
#include <float.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/trace.h"
#include "shell/wzrv.h"
#include "base/gdi_win32.h"  // last: counts GDI objects in a test build

namespace {

// Frames for the builders: from the pattern cache when it has them, otherwise
// a new monochrome bitmap made from the canvas.
class GdiFrames : public wzrv::FrameSource {
 public:
  GdiFrames(MainWindow* window, HDC dc, BITMAPINFO* dibinfo)
      : window_(window), dc_(dc), dibinfo_(dibinfo) {}

  wzrv::BitmapHandle LoadFrame() override {
    return reinterpret_cast<wzrv::BitmapHandle>(window_->LoadBitmapA());
  }

  wzrv::BitmapHandle MakeFrame(const unsigned char* dib, int w, int h) override {
    HBITMAP b = CreateBitmap(w, h, 1, 1, nullptr);
    window_->DIBToBitmap(dibinfo_, const_cast<unsigned char*>(dib), dc_, b, w, h);
    return reinterpret_cast<wzrv::BitmapHandle>(b);
  }

 private:
  MainWindow* window_;
  HDC dc_;
  BITMAPINFO* dibinfo_;
};

// WZRV_DUMP_FRAMES=DIR: after the build, every registered frame is written as
// DIR\frameNN.pbm (binary PBM, NN from 00 in build order, 1 bits = field
// pixels) so that tests can compare the frames with the ones drawn elsewhere.
void DumpFrames(const MainWindow& w) {
  const char* dir = std::getenv("WZRV_DUMP_FRAMES");
  if (dir == nullptr || *dir == '\0') return;
  int written = 0;
  for (int i = 0; i < w.BitmapCount; ++i) {
    BITMAP bm;
    HBITMAP h = AsBitmap(w.BitmapInUse[i]);
    if (h == nullptr || GetObjectA(h, sizeof bm, &bm) == 0 || bm.bmBitsPixel != 1) continue;
    std::vector<unsigned char> bits(static_cast<size_t>(bm.bmWidthBytes) * bm.bmHeight);
    if (GetBitmapBits(h, static_cast<LONG>(bits.size()), bits.data()) == 0) continue;
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%s\\frame%02d.pbm", dir, i);
    FILE* fp = std::fopen(path, "wb");
    if (fp == nullptr) continue;
    std::fprintf(fp, "P4\n%d %d\n", static_cast<int>(bm.bmWidth), static_cast<int>(bm.bmHeight));
    const int rowBytes = (bm.bmWidth + 7) / 8;
    for (int r = 0; r < bm.bmHeight; ++r)
      std::fwrite(&bits[static_cast<size_t>(r) * bm.bmWidthBytes], 1, rowBytes, fp);
    if (std::fclose(fp) == 0) ++written;
  }
  wzrv::Trace("frames dumped %d", written);
}

}  // namespace

BITMAPINFO* MainWindow::CreateDIB() {
  auto* info = static_cast<BITMAPINFO*>(std::malloc(sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD)));
  if (info == nullptr) return nullptr;
  BITMAPINFOHEADER& h = info->bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = wzrv::DIBW;
  h.biHeight = wzrv::DIBH;  // positive: rows bottom-up
  h.biPlanes = 1;
  h.biBitCount = 1;
  h.biCompression = BI_RGB;
  h.biSizeImage = 0;
  h.biXPelsPerMeter = 3000;
  h.biYPelsPerMeter = 3000;
  h.biClrUsed = 0;
  h.biClrImportant = 0;
  info->bmiColors[0] = RGBQUAD{0, 0, 0, 0};        // bit 0: black
  info->bmiColors[1] = RGBQUAD{255, 255, 255, 0};  // bit 1: white
  return info;
}

void MainWindow::DIBToBitmap(BITMAPINFO* dibinfo, unsigned char* dib, HDC dc, HBITMAP bitmap, int w,
                             int h) {
  MainWindowBase::DIBToBitmap(dibinfo, dib, dc, reinterpret_cast<wzrv::BitmapHandle>(bitmap), w, h);
}

void MainWindow::CopyCanvas(const void* header, const unsigned char* dib, void* context,
                            wzrv::BitmapHandle frame, int w, int h) {
  const auto* dibinfo = static_cast<const BITMAPINFO*>(header);
  HDC dc = static_cast<HDC>(context);
  // The whole canvas as a device bitmap, 1 bits white.
  const wzrv::GdiObject<HBITMAP> hbm(CreateDIBitmap(dc, &dibinfo->bmiHeader, CBM_INIT, dib, dibinfo, DIB_RGB_COLORS));
  const wzrv::MemoryDC m1(dc), m2(dc);
  const wzrv::SelectedObject canvas(m1, hbm), target(m2, AsBitmap(frame));
  // The bottom h lines of the picture; white (the source's background colour)
  // becomes the monochrome bitmap's 1 bits.
  BitBlt(m2, 0, 0, w, h, m1, 0, wzrv::DIBH - h, SRCCOPY);
}

void MainWindow::SaveFrame(wzrv::BitmapHandle frame) { SaveBitmap(AsBitmap(frame)); }

namespace {

void BuildWith(MainWindow* w, void (wzrv::PatternSets::*build)(wzrv::FrameSource&)) {
  // The field arithmetic wants the FPU's full 64-bit mantissa, whatever
  // precision the thread was started with.
  const unsigned int precision = _controlfp(0, 0) & _MCW_PC;
  _controlfp(_PC_64, _MCW_PC);
  // The window's device context; the screen's once the window is gone (a
  // Close during the build), which gives the same bitmaps.
  const wzrv::WindowDC dc(w->windowGone ? nullptr : w->hWnd);
  BITMAPINFO* dibinfo = w->CreateDIB();
  GdiFrames frames(w, dc, dibinfo);
  (w->*build)(frames);
  std::free(dibinfo);
  _controlfp(precision, _MCW_PC);
}

}  // namespace

void MainWindow::CreateZRV1() { BuildWith(this, &wzrv::PatternSets::BuildZRV1); }
void MainWindow::CreateZRV2() { BuildWith(this, &wzrv::PatternSets::BuildZRV2); }

void MainWindow::CreateZRV3() {
  BuildWith(this, &wzrv::PatternSets::BuildZRV3);
  // The mini field is the last of the three.
  DumpFrames(*this);
}

void MainWindow::DeleteBitmap() {
  for (int i = 0; i < BitmapCount; ++i) DeleteObject(AsBitmap(BitmapInUse[i]));
}
