// Device contexts, selections and GDI objects that put themselves back: each
// helper releases, deletes or reselects what it holds when its scope ends, in
// the reverse order of making, so that "put back and release before
// returning" holds on every way out of a function. All of them accept null
// handles (a failed GetDC or create) and then do nothing.
//
// Include it last, as gdicount_win32.h (which it includes): in the GDI-counting
// test build the calls here are the counted ones.
#pragma once

#include <windows.h>

#include "base/gdicount_win32.h"

namespace wzrv {

// The device context of a window's client area (of the screen for a null
// window), released at the end of the scope.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  operator HDC() const { return dc_; }  // NOLINT(google-explicit-constructor): used as an HDC

 private:
  HWND window_;
  HDC dc_;
};

// A memory device context compatible with `dc`, deleted at the end of the scope.
class MemoryDC {
 public:
  explicit MemoryDC(HDC dc) : dc_(CreateCompatibleDC(dc)) {}
  ~MemoryDC() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  operator HDC() const { return dc_; }  // NOLINT(google-explicit-constructor): used as an HDC

 private:
  HDC dc_;
};

// A GDI object (bitmap, brush) deleted at the end of the scope.
template <typename Handle>
class GdiObject {
 public:
  explicit GdiObject(Handle handle) : handle_(handle) {}
  ~GdiObject() {
    if (handle_ != nullptr) DeleteObject(handle_);
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  operator Handle() const { return handle_; }  // NOLINT(google-explicit-constructor): used as the handle

 private:
  Handle handle_;
};

// An object selected into a device context; the one it replaced is selected
// back at the end of the scope.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object)
      : dc_(dc), replaced_(dc != nullptr && object != nullptr ? SelectObject(dc, object) : nullptr) {}
  // For a context into which one object after another is selected: notes
  // the object of `probe`'s kind selected now (by selecting `probe` and at
  // once the noted one back) and selects that back at the end of the scope.
  static SelectedObject Keeping(HDC dc, HGDIOBJ probe) {
    SelectedObject kept(dc, probe);
    if (kept.replaced_ != nullptr) SelectObject(dc, kept.replaced_);
    return kept;
  }
  ~SelectedObject() {
    if (replaced_ != nullptr) SelectObject(dc_, replaced_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  SelectedObject(SelectedObject&& other) noexcept : dc_(other.dc_), replaced_(other.replaced_) {
    other.replaced_ = nullptr;
  }
  SelectedObject& operator=(SelectedObject&&) = delete;
  // Whether the selection took place.
  bool Selected() const { return replaced_ != nullptr; }

 private:
  HDC dc_;
  HGDIOBJ replaced_;
};

// A logical palette selected into a device context as a foreground palette;
// the one it replaced is selected back at the end of the scope.
class SelectedPalette {
 public:
  SelectedPalette(HDC dc, HPALETTE palette)
      : dc_(dc), replaced_(dc != nullptr && palette != nullptr ? SelectPalette(dc, palette, FALSE) : nullptr) {}
  ~SelectedPalette() {
    if (replaced_ != nullptr) SelectPalette(dc_, replaced_, FALSE);
  }
  SelectedPalette(const SelectedPalette&) = delete;
  SelectedPalette& operator=(const SelectedPalette&) = delete;

 private:
  HDC dc_;
  HPALETTE replaced_;
};

}  // namespace wzrv
