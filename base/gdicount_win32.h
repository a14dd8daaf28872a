// GDI balance for a test build. Compiled with WZRV_GDI_COUNT, every GDI object
// the program creates or gets and every one it deletes or releases is counted
// by kind, and WZRV_GDI_TRACE("where") writes the balance as a trace line
// ("wzrv: gdi <where> dc=N memdc=N bitmap=N brush=N pen=N font=N palette=N").
// Without the define this header changes nothing and costs nothing.
//
// Include it after every other header of a Win32 source file: the counted
// functions are replaced by macros from here on.
#pragma once

#include <windows.h>

#ifdef WZRV_GDI_COUNT

#include <psapi.h>

#include "base/trace.h"

namespace wzrv {
namespace gdicount {

// Live objects by kind: dc (GetDC/GetWindowDC until ReleaseDC), memdc
// (CreateCompatibleDC/CreateDC until DeleteDC) and the DeleteObject kinds.
struct Balance {
  long dc = 0, memdc = 0, bitmap = 0, brush = 0, pen = 0, font = 0, palette = 0;
};

inline Balance& Live() {
  static Balance balance;
  return balance;
}

inline void TraceBalance(const char* where) {
  const Balance& b = Live();
  wzrv::Trace("gdi %s dc=%ld memdc=%ld bitmap=%ld brush=%ld pen=%ld font=%ld palette=%ld", where,
              b.dc, b.memdc, b.bitmap, b.brush, b.pen, b.font, b.palette);
  // The process's memory beside it ("wzrv: mem <where> private=N pagefile=N ..."),
  // so that long runs show whether memory grows.
  using MemoryInfo = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
  const auto info = reinterpret_cast<MemoryInfo>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  if (info != nullptr &&
      info(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
    // Wine 8 leaves PrivateUsage at 0; PagefileUsage is the same commit
    // charge on Windows and is filled in by Wine.
    wzrv::Trace("mem %s private=%lu pagefile=%lu workingset=%lu", where,
                static_cast<unsigned long>(counters.PrivateUsage),
                static_cast<unsigned long>(counters.PagefileUsage),
                static_cast<unsigned long>(counters.WorkingSetSize));
  }
}

template <typename T>
inline T Counted(T handle, long Balance::*kind) {
  if (handle != nullptr) ++(Live().*kind);
  return handle;
}

inline HDC GetDC_(HWND w) { return Counted(::GetDC(w), &Balance::dc); }
inline HDC GetWindowDC_(HWND w) { return Counted(::GetWindowDC(w), &Balance::dc); }
inline int ReleaseDC_(HWND w, HDC dc) {
  const int released = ::ReleaseDC(w, dc);
  if (released) --Live().dc;
  return released;
}

inline HDC CreateCompatibleDC_(HDC dc) { return Counted(::CreateCompatibleDC(dc), &Balance::memdc); }
inline BOOL DeleteDC_(HDC dc) {
  const BOOL deleted = ::DeleteDC(dc);
  if (deleted) --Live().memdc;
  return deleted;
}

inline HBITMAP CreateBitmap_(int w, int h, UINT planes, UINT bits, const void* data) {
  return Counted(::CreateBitmap(w, h, planes, bits, data), &Balance::bitmap);
}
inline HBITMAP CreateBitmapIndirect_(const BITMAP* bm) {
  return Counted(::CreateBitmapIndirect(bm), &Balance::bitmap);
}
inline HBITMAP CreateCompatibleBitmap_(HDC dc, int w, int h) {
  return Counted(::CreateCompatibleBitmap(dc, w, h), &Balance::bitmap);
}
inline HBITMAP CreateDIBSection_(HDC dc, const BITMAPINFO* bi, UINT usage, void** bits, HANDLE section,
                                 DWORD offset) {
  return Counted(::CreateDIBSection(dc, bi, usage, bits, section, offset), &Balance::bitmap);
}
inline HBITMAP CreateDIBitmap_(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                               const BITMAPINFO* bi, UINT usage) {
  return Counted(::CreateDIBitmap(dc, header, init, bits, bi, usage), &Balance::bitmap);
}

inline HBRUSH CreateSolidBrush_(COLORREF c) { return Counted(::CreateSolidBrush(c), &Balance::brush); }
inline HBRUSH CreatePatternBrush_(HBITMAP b) { return Counted(::CreatePatternBrush(b), &Balance::brush); }
inline HBRUSH CreateBrushIndirect_(const LOGBRUSH* lb) {
  return Counted(::CreateBrushIndirect(lb), &Balance::brush);
}
inline HPEN CreatePen_(int style, int width, COLORREF c) {
  return Counted(::CreatePen(style, width, c), &Balance::pen);
}
inline HFONT CreateFontIndirectA_(const LOGFONTA* lf) {
  return Counted(::CreateFontIndirectA(lf), &Balance::font);
}
inline HPALETTE CreatePalette_(const LOGPALETTE* lp) {
  return Counted(::CreatePalette(lp), &Balance::palette);
}

inline BOOL DeleteObject_(HGDIOBJ object) {
  const DWORD type = ::GetObjectType(object);
  const BOOL deleted = ::DeleteObject(object);
  if (deleted) {
    Balance& b = Live();
    switch (type) {
      case OBJ_BITMAP: --b.bitmap; break;
      case OBJ_BRUSH: --b.brush; break;
      case OBJ_PEN: case OBJ_EXTPEN: --b.pen; break;
      case OBJ_FONT: --b.font; break;
      case OBJ_PAL: --b.palette; break;
      default: break;
    }
  }
  return deleted;
}

}  // namespace gdicount
}  // namespace wzrv

#define GetDC(w) ::wzrv::gdicount::GetDC_(w)
#define GetWindowDC(w) ::wzrv::gdicount::GetWindowDC_(w)
#define ReleaseDC(w, dc) ::wzrv::gdicount::ReleaseDC_(w, dc)
#define CreateCompatibleDC(dc) ::wzrv::gdicount::CreateCompatibleDC_(dc)
#define DeleteDC(dc) ::wzrv::gdicount::DeleteDC_(dc)
#define CreateBitmap(...) ::wzrv::gdicount::CreateBitmap_(__VA_ARGS__)
#define CreateBitmapIndirect(bm) ::wzrv::gdicount::CreateBitmapIndirect_(bm)
#define CreateCompatibleBitmap(...) ::wzrv::gdicount::CreateCompatibleBitmap_(__VA_ARGS__)
#define CreateDIBSection(...) ::wzrv::gdicount::CreateDIBSection_(__VA_ARGS__)
#define CreateDIBitmap(...) ::wzrv::gdicount::CreateDIBitmap_(__VA_ARGS__)
#define CreateSolidBrush(c) ::wzrv::gdicount::CreateSolidBrush_(c)
#define CreatePatternBrush(b) ::wzrv::gdicount::CreatePatternBrush_(b)
#define CreateBrushIndirect(lb) ::wzrv::gdicount::CreateBrushIndirect_(lb)
#define CreatePen(...) ::wzrv::gdicount::CreatePen_(__VA_ARGS__)
#undef CreateFontIndirect
#define CreateFontIndirect(lf) ::wzrv::gdicount::CreateFontIndirectA_(lf)
#define CreateFontIndirectA(lf) ::wzrv::gdicount::CreateFontIndirectA_(lf)
#define CreatePalette(lp) ::wzrv::gdicount::CreatePalette_(lp)
#define DeleteObject(o) ::wzrv::gdicount::DeleteObject_(o)

#define WZRV_GDI_TRACE(where) ::wzrv::gdicount::TraceBalance(where)

#else

#define WZRV_GDI_TRACE(where) ((void)0)

#endif
