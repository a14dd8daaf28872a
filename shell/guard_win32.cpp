// The guard of the locked screen. While locked, the window must stay on the
// screen and above everything, and every key typed must reach its input,
// whatever another program or the desktop does:
// - a timer checks every 100 ms that the window is visible, that no other
//   window stands above it, and that the screen shows the locked picture at
//   a few points; what is wrong is mended, each check that still finds it
//   wrong by a stronger means: raised, minimised and restored, hidden and
//   shown;
// - a minimise or hide that reaches the window while locked covers again at
//   once;
// - a low-level keyboard hook, present only while locked, hands the lock the
//   keys typed while another window is in front, and swallows the keys that
//   switch away from it (Alt+Tab, Alt+Esc, Ctrl+Esc, the Windows keys).
#include "base/trace.h"
#include "shell/wzrv.h"

namespace {

// The window whose lock the keyboard hook serves (one lock at a time).
MainWindow* hookOwner = nullptr;

constexpr UINT GuardPeriod = 100;
// Once the screen check has found that it cannot see the lock, a raise at
// most this often.
constexpr DWORD MendingPause = 1000;
// The time a raised window takes to show on the screen, and a window mapped
// anew to show its picture.
constexpr UINT RaiseDelay = 40;
constexpr DWORD PictureDelay = 120;
// A hide that takes longer than this waited for a window manager that is not
// there (Wine, with no window manager, waits two seconds for its answer).
constexpr DWORD SlowHide = 1000;

bool Before(DWORD tick) { return GetTickCount() - tick >= 0x80000000u; }

RECT AreaRect(const wzrv::ScreenArea& a) { return RECT{a.left, a.top, a.Right(), a.Bottom()}; }

// Shift and Ctrl as the hook saw them go down and up. A key the hook keeps
// from its window never reaches the system's key state, so the state of the
// moment would not show a Shift held for the next letter.
bool shiftDown[2] = {};
bool controlDown[2] = {};

void NoteModifier(const KBDLLHOOKSTRUCT& key, bool down) {
  switch (key.vkCode) {
    case VK_LSHIFT:
    case VK_SHIFT:
      shiftDown[0] = down;
      break;
    case VK_RSHIFT:
      shiftDown[1] = down;
      break;
    case VK_LCONTROL:
    case VK_CONTROL:
      controlDown[0] = down;
      break;
    case VK_RCONTROL:
      controlDown[1] = down;
      break;
    default:
      break;
  }
}

// A key as the character it types, with the modifiers the hook has seen.
bool KeyCharacter(const KBDLLHOOKSTRUCT& key, char* ch) {
  BYTE state[256] = {};
  if (shiftDown[0] || shiftDown[1]) state[VK_SHIFT] = 0x80;
  if (shiftDown[0]) state[VK_LSHIFT] = 0x80;
  if (shiftDown[1]) state[VK_RSHIFT] = 0x80;
  if (controlDown[0] || controlDown[1]) state[VK_CONTROL] = 0x80;
  if (controlDown[0]) state[VK_LCONTROL] = 0x80;
  if (controlDown[1]) state[VK_RCONTROL] = 0x80;
  if (GetKeyState(VK_CAPITAL) & 1) state[VK_CAPITAL] = 0x01;
  WORD out[2] = {};
  if (ToAscii(key.vkCode, key.scanCode, state, out, 0) != 1) return false;
  *ch = static_cast<char>(out[0] & 0xFF);
  return true;
}

}  // namespace

// At the lock, and again whenever the lock is restored while it holds (the
// guard's own mending among them: what it has tried is kept then).
void MainWindow::StartGuard() {
  SetTimer(hWnd, GuardTimer, GuardPeriod, nullptr);
  if (!guarding) {
    guarding = true;
    screenMisses = 0;
    screenBlind = false;
    quietUntil = GetTickCount() + 300;  // the window's first picture reaches the screen
    pauseUntil = GetTickCount();
    // Under Wine a window manager's iconify (a minimise, "show desktop", a
    // switch to another workspace) reaches a window as SC_MINIMIZE only when
    // it has a minimise box: while locked it has one, and the guard takes it.
    SetWindowLongPtrA(hWnd, GWL_STYLE, GetWindowLongPtrA(hWnd, GWL_STYLE) | WS_MINIMIZEBOX);
    hookOwner = this;
    shiftDown[0] = shiftDown[1] = controlDown[0] = controlDown[1] = false;
    keyboardHook = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHookProc, Main::hInstance, 0);
    if (keyboardHook == nullptr) hookOwner = nullptr;
  }
}

void MainWindow::StopGuard() {
  if (guarding) SetWindowLongPtrA(hWnd, GWL_STYLE, GetWindowLongPtrA(hWnd, GWL_STYLE) & ~LONG_PTR{WS_MINIMIZEBOX});
  guarding = false;
  KillTimer(hWnd, GuardTimer);
  if (keyboardHook != nullptr) UnhookWindowsHookEx(keyboardHook);
  keyboardHook = nullptr;
  hookOwner = nullptr;
}

// A screen that does not show the lock is mended by the first of these that
// has not been tried since it last showed it: a raise (an X window of another
// program above), a minimise and restore (the window unmapped or iconified),
// a hide and show (left on another workspace: a window mapped anew comes onto
// the current one). Where a hide is known to be fast, it comes second; where
// it is known to be slow, never. Each is looked at again as soon as it can
// show on the screen.
void MainWindow::Guard() {
  SetTimer(hWnd, GuardTimer, GuardPeriod, nullptr);
  if (snapshot == nullptr || IsIconic(hWnd)) return;
  if (!IsWindowVisible(hWnd)) {
    CoverAgain("hidden");
    return;
  }
  if (WindowAboveLock()) RaiseLock("window above");
  if (Before(quietUntil)) return;
  if (ScreenShowsLock()) {
    screenMisses = 0;
    return;
  }
  if (screenBlind) {
    // Raises only, now and then: they change nothing that can be seen.
    if (!Before(pauseUntil)) {
      RaiseLock("screen");
      pauseUntil = GetTickCount() + MendingPause;
    }
    return;
  }
  ++screenMisses;
  if (screenMisses == 1) {
    RaiseLock("screen");
    SetTimer(hWnd, GuardTimer, RaiseDelay, nullptr);
  } else if (screenMisses == 2 && hideShow != Remap::Fast) {
    CoverAgain("screen");
  } else if (screenMisses <= 3 && hideShow != Remap::Slow) {
    MapAnew("screen");
  } else {
    // Every means tried, and the screen still shows something else: a window
    // manager's own menu over everything, or a compositing manager that
    // shows the lock while the screen as read here shows the desktop under
    // it (xfwm4, once the window has been mapped anew). The check says
    // nothing more until the next lock; the window manager's messages still
    // bring the lock back.
    wzrv::Trace("the screen check cannot see the lock");
    screenBlind = true;
    RaiseLock("screen");
    pauseUntil = GetTickCount() + MendingPause;
  }
}

// Another visible top-level window over the locked area, above the lock in
// the window order (another program's topmost window or box).
bool MainWindow::WindowAboveLock() const {
  const RECT area = AreaRect(coveredArea);
  for (HWND w = GetWindow(hWnd, GW_HWNDPREV); w != nullptr; w = GetWindow(w, GW_HWNDPREV)) {
    if (w == keyWindow || !IsWindowVisible(w)) continue;
    RECT r, common;
    if (GetWindowRect(w, &r) && IntersectRect(&common, &r, &area)) return true;
  }
  return false;
}

// Whether the screen shows the locked picture at a 5 x 5 grid of points. What
// another program's window (an X client under Wine) shows above the lock, or
// an unmapped window, shows here as other pixels. Not on a palette display,
// whose colours do not come back exactly.
bool MainWindow::ScreenShowsLock() const {
  if (snapshotBits == nullptr) return true;
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return true;
  bool same = true;
  if ((GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) == 0) {
    const wzrv::ScreenArea& a = snapshotArea;
    for (int i = 0; i < 5 && same; ++i) {
      for (int j = 0; j < 5 && same; ++j) {
        const POINT p{a.left + a.width * (2 * i + 1) / 10, a.top + a.height * (2 * j + 1) / 10};
        const RECT covered = AreaRect(coveredArea);
        if (!PtInRect(&covered, p) || MonitorFromPoint(p, MONITOR_DEFAULTTONULL) == nullptr) continue;
        const COLORREF shown = GetPixel(screen, p.x, p.y);
        const std::uint32_t want =
            snapshotBits[static_cast<std::size_t>(p.y - a.top) * static_cast<std::size_t>(a.width) +
                         static_cast<std::size_t>(p.x - a.left)];
        if (shown != CLR_INVALID && shown != RGB(want >> 16 & 0xFF, want >> 8 & 0xFF, want & 0xFF)) same = false;
      }
    }
  }
  ReleaseDC(nullptr, screen);
  return same;
}

// Raises the lock above every window (under Wine the X window is restacked
// only when the window order changes: the key window goes first, the lock
// above it) and takes the keyboard back.
void MainWindow::RaiseLock(const char* why) {
  wzrv::Trace("raise: %s", why);
  if (keyWindow != nullptr) {
    SetWindowPos(keyWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetForegroundWindow(hWnd);
  TakeKeyboard();
}

// Covers the screen anew: minimised and restored, the window is mapped again
// where it was taken off the screen (unmapped, iconified by a window
// manager), over the whole screen, topmost, with the keyboard; the picture is
// still the one taken at the lock. A minimise of Wine's keeps it clear of
// the two-second wait that hiding a managed window costs without a window
// manager.
void MainWindow::CoverAgain(const char* why) {
  wzrv::Trace("cover again: %s", why);
  ShowWindow(hWnd, SW_SHOWMINNOACTIVE);
  RestoreLocked();
  SetForegroundWindow(hWnd);
  TakeKeyboard();
  quietUntil = GetTickCount() + PictureDelay;
  SetTimer(hWnd, GuardTimer, PictureDelay + 10, nullptr);
}

// Hides the window and shows it again: a window manager takes it as a new
// window, on the current workspace, in the normal state. Without a window
// manager Wine waits two seconds in the hide; that is noted, and the guard
// does not do it again.
void MainWindow::MapAnew(const char* why) {
  wzrv::Trace("map anew: %s", why);
  const DWORD start = GetTickCount();
  if (keyWindow != nullptr) ShowWindow(keyWindow, SW_HIDE);
  ShowWindow(hWnd, SW_HIDE);
  const DWORD took = GetTickCount() - start;
  hideShow = took > SlowHide ? Remap::Slow : Remap::Fast;
  wzrv::Trace("map anew: the hide took %lu ms", static_cast<unsigned long>(took));
  RestoreLocked();
  SetForegroundWindow(hWnd);
  TakeKeyboard();
  quietUntil = GetTickCount() + PictureDelay;
  SetTimer(hWnd, GuardTimer, PictureDelay + 10, nullptr);
}

// Messages that tell of a change to the lock: the guard acts on them before
// the window does. True when the message is taken.
bool MainWindow::GuardMessageFilter(UINT iMessage, WPARAM wParam) {
  const bool locked = snapshot != nullptr && !IsIconic(hWnd);
  switch (iMessage) {
    case GuardMessage:
      if (locked) {
        if (wParam == 1 && hideShow != Remap::Slow) {
          MapAnew("minimise");
        } else if (wParam == 1) {
          CoverAgain("minimise");
        } else {
          Guard();
        }
      }
      return true;
    case WM_SYSCOMMAND:
      // A window manager's iconify (a minimise, show desktop, another
      // workspace) reaches the window as SC_MINIMIZE: the window stays, and
      // is mapped anew, which brings it onto the current workspace.
      if (locked && (wParam & 0xFFF0) == SC_MINIMIZE) {
        PostMessageA(hWnd, GuardMessage, 1, 0);
        return true;
      }
      return false;
    case WM_ACTIVATEAPP:
      if (locked && wParam == FALSE) PostMessageA(hWnd, GuardMessage, 0, 0);
      return false;
    default:
      return false;
  }
}

// The keys while locked. With the lock in front they go their usual way (as
// WM_CHAR to the window); with another window in front they are the lock's
// all the same: posted to it as characters and kept from that window.
LRESULT CALLBACK MainWindow::KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
  MainWindow* self = hookOwner;
  if (code != HC_ACTION || self == nullptr) return CallNextHookEx(nullptr, code, wParam, lParam);
  const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  const bool down = wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
  NoteModifier(*key, down);
  const bool alt = (key->flags & LLKHF_ALTDOWN) != 0;
  const bool ctrl = controlDown[0] || controlDown[1] || (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0;
  if ((key->vkCode == VK_TAB && alt) || (key->vkCode == VK_ESCAPE && (alt || ctrl)) || key->vkCode == VK_LWIN ||
      key->vkCode == VK_RWIN) {
    return 1;  // switching away from the lock
  }
  const HWND front = GetForegroundWindow();
  if (front == self->hWnd || (front != nullptr && front == self->keyWindow)) {
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  if (down) {
    char ch = 0;
    if (KeyCharacter(*key, &ch)) PostMessageA(self->hWnd, WM_CHAR, static_cast<unsigned char>(ch), 0);
    PostMessageA(self->hWnd, GuardMessage, 0, 0);
  }
  return 1;
}
