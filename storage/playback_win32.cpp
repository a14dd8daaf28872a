// Field playback on the screen: the steps of PlaybackPlan drawn with GDI into
// the main window's client area.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "palette/appaldlg.h"
#include "shell/options.h"
#include "base/trace.h"
#include "shell/wzrv.h"
#include "storage/playback_core.h"
// Last: it may replace GDI calls by counting ones.
#include "base/gdi_win32.h"

std::uint64_t wzrv::PlatformMicros() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    if (!QueryPerformanceFrequency(&f) || f.QuadPart <= 0) f.QuadPart = 0;
    return f;
  }();
  if (freq.QuadPart == 0) return static_cast<std::uint64_t>(GetTickCount()) * 1000u;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const unsigned long long q = static_cast<unsigned long long>(now.QuadPart);
  const unsigned long long f = static_cast<unsigned long long>(freq.QuadPart);
  return (q / f) * 1000000ull + (q % f) * 1000000ull / f;
}

namespace {

// How a drawn step is handed to the screen.
enum class Present {
  // A zero-timeout wait that watches no message kinds: it neither takes nor
  // handles any message, but under Wine it is where a window's drawing is
  // copied to the X server. On Windows it returns at once.
  Wait,
  // Nothing beyond GdiFlush (Wine then shows a busy loop's drawing only now
  // and then).
  None,
};

struct PlaybackSettings {
  Present present = Present::Wait;
  bool traceSteps = false;  // trace the timing of every step after the animation
};

// Read once: WZRV_PLAYBACK_PRESENT=none measures the plain busy loop, and
// WZRV_PLAYBACK_TRACE=1 traces step timings (benchmarks and tests).
const PlaybackSettings& Settings() {
  static PlaybackSettings settings = [] {
    PlaybackSettings s;
    char buf[32];
    DWORD n = GetEnvironmentVariableA("WZRV_PLAYBACK_PRESENT", buf, sizeof buf);
    if (n > 0 && n < sizeof buf && std::strcmp(buf, "none") == 0) s.present = Present::None;
    n = GetEnvironmentVariableA("WZRV_PLAYBACK_TRACE", buf, sizeof buf);
    s.traceSteps = n > 0 && n < sizeof buf && buf[0] != '0';
    return s;
  }();
  return settings;
}

// Messages other threads send to the window are answered between steps
// (nothing posted is taken: clicks and keys wait for the field's end).
void PresentStep() {
  GdiFlush();
  if (Settings().present == Present::Wait) MsgWaitForMultipleObjectsEx(0, nullptr, 0, 0, 0);
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

double Millis(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& freq) {
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
         static_cast<double>(freq.QuadPart);
}

}  // namespace

// Transparent blit of a monochrome shape in a solid colour: the 1 bits take
// `fcolor`, the 0 bits leave the screen as it is.
void DrawFieldEntry(HDC dc, HDC bitdc, int x, int y, const wzrv::BitmapAnimation& e, COLORREF fcolor) {
  SetBkColor(dc, RGB(0, 0, 0));
  SetTextColor(dc, RGB(255, 255, 255));
  SelectObject(bitdc, AsBitmap(e.bitmap));
  BitBlt(dc, x + e.x, y + e.y, e.width, e.height, bitdc, 0, 0, SRCAND);
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, fcolor);
  BitBlt(dc, x + e.x, y + e.y, e.width, e.height, bitdc, 0, 0, SRCPAINT);
}

void MainWindow::PlayBitmapAnimation(int x, int y, int anipattern, int wait, int delay) {
  wzrv::Trace("PlayBitmapAnimation %d %d %d %d %d", x, y, anipattern, wait, delay);
  int size = 0;
  const wzrv::BitmapAnimation* bitmaps = wzrv::TableFor(*this, anipattern, &size);
  const PlaybackSettings& settings = Settings();
  LARGE_INTEGER freq, begin, end;
  QueryPerformanceFrequency(&freq);
  // Start and drawing time of each step, in milliseconds from the first.
  double starts[wzrv::PatternSets::Pattern3Size] = {};
  double draws[wzrv::PatternSets::Pattern3Size] = {};
  int steps = 0;
  {
    const wzrv::WindowDC dc(hWnd);
    if (bitmaps == nullptr || dc == nullptr) {
      wzrv::Trace("animation done");
      return;
    }
    const COLORREF fcolor = appPalette != nullptr ? appPalette->GetRGB(anipattern)
                                                  : wzrv::PaletteRGB(255, 136, 0);
    const wzrv::SelectedPalette palette(dc, appPalette != nullptr ? appPalette->Palette() : nullptr);
    const wzrv::MemoryDC memdc(dc), bitdc(dc);

    const wzrv::PlaybackPlan plan(bitmaps, size, x, y, delay);
    const wzrv::SaveRect& save = plan.Save();
    const int bsx = save.x, bsy = save.y, bwidth = save.width, bheight = save.height;

    // The save bitmap holds the screen under the animation. bitdc's own
    // bitmap goes back into it at the end (the frames are selected into it
    // one after another), and the save bitmap goes into memdc. What is
    // selected here is put back, and what is made here released, at the end
    // of this block.
    const bool drawable = !save.Empty() && memdc != nullptr && bitdc != nullptr;
    const wzrv::GdiObject<HBITMAP> savebmp(drawable ? CreateCompatibleBitmap(dc, bwidth, bheight) : nullptr);
    const wzrv::SelectedObject bitKept = wzrv::SelectedObject::Keeping(bitdc, savebmp);
    const wzrv::SelectedObject memSave(bitKept.Selected() ? static_cast<HDC>(memdc) : nullptr, savebmp);
    const bool canDraw = memSave.Selected();
    if (canDraw) BitBlt(memdc, 0, 0, bwidth, bheight, dc, bsx, bsy, SRCCOPY);

    QueryPerformanceCounter(&begin);
    // A step lasts `wait` milliseconds from its start: the drawing (and
    // handing it to the screen) is part of the step, so the animation keeps
    // its pace.
    steps = plan.Steps();
    for (int j = 0; j < steps; ++j) {
      const std::uint64_t stepStart = wzrv::CurrentMicroClock()();
      LARGE_INTEGER t0, t1;
      QueryPerformanceCounter(&t0);
      if (canDraw) {
        BitBlt(dc, bsx, bsy, bwidth, bheight, memdc, 0, 0, SRCCOPY);
        for (int k : plan.Entries(j)) DrawFieldEntry(dc, bitdc, x, y, bitmaps[k], fcolor);
        PresentStep();
      }
      QueryPerformanceCounter(&t1);
      wzrv::WaitStep(stepStart, static_cast<unsigned>(wait));
      if (j < wzrv::PatternSets::Pattern3Size) {
        starts[j] = Millis(begin, t0, freq);
        draws[j] = Millis(t0, t1, freq);
      }
    }
    QueryPerformanceCounter(&end);
  }

  if (StartOption & wzrv::SO_Transparent) InvalidateRect(nullptr, nullptr, FALSE);
  if (settings.traceSteps) {
    for (int j = 0; j < steps && j < wzrv::PatternSets::Pattern3Size; ++j)
      wzrv::Trace("animation step %d start %.3f draw %.3f", j, starts[j], draws[j]);
    // The first step's start on the performance counter, in milliseconds (under
    // Wine the host's raw monotonic clock).
    const double base = static_cast<double>(begin.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
    wzrv::Trace("animation steps %d total %.3f base %.3f", steps, Millis(begin, end, freq), base);
  }
  wzrv::Trace("animation done");
}
