#include "shell/wzrv.h"

#include <cstring>
#include <memory>
#include <vector>

#include "palette/appaldlg.h"
#include "base/text_win32.h"
#include "base/trace.h"
#include "shell/options.h"
#include "shell/screen_core.h"
#include "shell/wzrvdlg.h"
#include "sound/sndefect.h"
#include "base/gdi_win32.h"  // last: counts GDI objects in a test build

HINSTANCE Main::hInstance = nullptr;
HINSTANCE Main::hPrevInstance = nullptr;
int Main::nCmdShow = 0;

char MainWindow::szClassName[20] = "Windows Z.R.V";
const char MainWindow::KeyClassName[] = "Windows Z.R.V keys";

namespace {

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Lets the window system catch up with what this thread asked of it (Wine
// sends a thread's window requests to the X server only when the thread
// waits for messages): waits for input without taking any message.
void FlushWindowSystem() {
  GdiFlush();
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
}

// What the locked window covers: every monitor, the virtual screen (its
// top-left corner is negative when a monitor stands left of or above the
// primary one).
wzrv::ScreenArea LockedArea() {
  RECT desk;
  GetWindowRect(GetDesktopWindow(), &desk);
  return wzrv::LockArea(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                        GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
                        desk.right - desk.left, desk.bottom - desk.top);
}

RECT AsRect(const wzrv::ScreenArea& a) { return RECT{a.left, a.top, a.Right(), a.Bottom()}; }

// Gives a window an empty shape: it shows nothing and clicks pass through it.
void ShapeToNothing(HWND window) {
  HRGN none = CreateRectRgn(0, 0, 0, 0);
  if (none != nullptr && !SetWindowRgn(window, none, FALSE)) DeleteObject(none);  // else the window owns it
}

}  // namespace

int Main::MessageLoop() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void MainWindow::Register() {
  WNDCLASSA wc;
  wc.style = CS_BYTEALIGNWINDOW | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = ::WndProc;
  wc.cbClsExtra = 0;
  wc.cbWndExtra = sizeof(MainWindow*);  // NOLINT(bugprone-sizeof-expression): room for the object pointer
  wc.hInstance = Main::hInstance;
  wc.hIcon = LoadIconA(Main::hInstance, ICON_WZRV);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = szClassName;
  if (!RegisterClassA(&wc)) ExitProcess(0);
  wc.style = 0;
  wc.lpfnWndProc = KeyWndProc;
  wc.hIcon = nullptr;
  wc.hbrBackground = nullptr;
  wc.lpszClassName = KeyClassName;
  RegisterClassA(&wc);  // without it the lock still works, only takes no keys under some window managers
}

MainWindow::MainWindow(int option, HWND parent) {
  // Nothing owned exists yet: messages sent during creation find null.
  StartOption = option;

  const wzrv::ScreenArea area = LockedArea();
  if (option & wzrv::SO_Preview) {
    // The saver's preview: a disabled child over the other window's client
    // area, which never takes the keyboard or activates itself. Wine shows
    // nothing that a child window draws when its parent belongs to another
    // process: there it is a window of its own owned by the other one, kept
    // over its client area.
    previewParent = parent;
    previewFloating = RunningUnderWine();
    RECT client{};
    GetClientRect(parent, &client);
    if (previewFloating) {
      POINT origin{0, 0};
      ClientToScreen(parent, &origin);
      hWnd = CreateWindowExA(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, szClassName, szClassName, WS_POPUP | WS_DISABLED,
                             origin.x, origin.y, client.right, client.bottom, parent, nullptr, Main::hInstance, this);
      if (hWnd != nullptr) ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    } else {
      hWnd = CreateWindowExA(0, szClassName, szClassName, WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, 0, client.right,
                             client.bottom, parent, nullptr, Main::hInstance, this);
    }
  } else {
    // A topmost popup over every monitor, created minimised.
    DWORD exStyle = WS_EX_TOPMOST;
    if (option & wzrv::SO_Transparent) exStyle |= WS_EX_TRANSPARENT;
    hWnd = CreateWindowExA(exStyle, szClassName, szClassName, WS_POPUP | WS_MINIMIZE | WS_VISIBLE | WS_SYSMENU,
                           area.left, area.top, area.width, area.height, nullptr, nullptr, Main::hInstance, this);
  }
  if (hWnd == nullptr) ExitProcess(0);

  // The dialog wrappers, the field colours and the sound table, each with
  // its settings read from the profile.
  aboutDialog = std::make_unique<AboutDialog>(Main::hInstance, hWnd);
  passwordDialog = std::make_unique<PasswordDialog>(Main::hInstance, hWnd);
  const std::vector<PaletteSet> sets = DefaultPaletteSets();
  appPalette = std::make_unique<AppPalette>(Main::hInstance, hWnd, wzrv::SectionName, sets.data(),
                                            static_cast<int>(sets.size()));
  soundEffect =
      std::make_unique<SoundEffect>(Main::hInstance, hWnd, wzrv::SectionName, SoundNames, SoundSlotCount);

  // Nothing typed yet.
  ResetInput();

  // The password, written straight back so that the key exists.
  GetProfileStringA(wzrv::SectionName, wzrv::KeyDefaultPassword, "", Password,
                    sizeof(Password));
  WriteProfileStringA(wzrv::SectionName, wzrv::KeyDefaultPassword, Password);

  // The program's system-menu items, then the window shown minimised.
  if (previewParent == nullptr) {
    EditSystemMenu();
    ShowWindow(hWnd, SW_SHOWMINIMIZED);
    UpdateWindow(hWnd);
  }

  // The field frames: read from the cache or drawn (and cached), under the
  // wait cursor.
  HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  building = true;
  BitmapCount = 0;
  InitializeFile();
  CreateZRV1();
  CreateZRV2();
  CreateZRV3();
  TerminateFile();
  building = false;
  SetCursor(previous);
  if (windowGone) {
    // Closed during the build: the palette and the sound table are gone with
    // the window. The frames drawn since go too, and nothing is locked.
    DeleteBitmap();
    lockPending = false;
    WZRV_GDI_TRACE("destroy");
    PostQuitMessage(0);  // the notice's own loop may have taken the first one
    return;
  }
  UpdateWindow(hWnd);
  if (previewParent != nullptr) {
    StartPreview();
    return;
  }

  // Started locked: no reminder and no lock sound. A lock asked for during
  // the build comes now.
  if (StartOption & wzrv::SO_LockAtStart) {
    if (appPalette != nullptr) appPalette->Realize();
    TakeSnapshot(nullptr, wzrv::ScreenArea{});
    RestoreLocked();
  } else if (lockPending) {
    Lock();
  }
  lockPending = false;
}

MainWindow::~MainWindow() = default;

void MainWindow::EditSystemMenu() {
  HMENU menu = GetSystemMenu(hWnd, FALSE);
  for (unsigned command : wzrv::SystemMenuRemoved) DeleteMenu(menu, command, MF_BYCOMMAND);
  for (int i = 0; i < wzrv::SystemMenuItemCount; ++i) {
    wzrv::InsertProgramMenuItem(menu, i, MF_BYPOSITION | MF_STRING, wzrv::SystemMenuItems[i].command,
                                wzrv::SystemMenuItems[i].text);
  }
  InsertMenuA(menu, wzrv::SystemMenuItemCount, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
  DrawMenuBar(hWnd);
}

LRESULT MainWindow::WndProc(UINT iMessage, WPARAM wParam, LPARAM lParam) {
  if (previewParent != nullptr) return PreviewWndProc(iMessage, wParam, lParam);
  if (GuardMessageFilter(iMessage, wParam)) return 0;
  const bool iconic = IsIconic(hWnd) != FALSE;
  const wzrv::Decision d = wzrv::Dispatch(iMessage, static_cast<unsigned>(wParam), iconic,
                                          reinterpret_cast<HWND>(wParam) == hWnd,
                                          snapshot != nullptr);
  switch (d.action) {
    case wzrv::Action::Destroy:
      OnDestroy();
      break;
    case wzrv::Action::DestroyWindow:
      DestroyWindow(hWnd);
      break;
    case wzrv::Action::Nothing:
      break;
    case wzrv::Action::CharInput:
      CharInput(static_cast<int>(wParam));
      break;
    case wzrv::Action::ChangePassword:
      if (passwordDialog->Execute(Password)) {
        WriteProfileStringA(wzrv::SectionName, wzrv::KeyDefaultPassword, Password);
      }
      WZRV_GDI_TRACE("passworddialog");
      break;
    case wzrv::Action::About:
      aboutDialog->Execute();
      WZRV_GDI_TRACE("aboutdialog");
      break;
    case wzrv::Action::Lock:
      if (building) {
        lockPending = true;
      } else {
        Lock();
      }
      break;
    case wzrv::Action::SoundDialog:
      soundEffect->ChangeDialog();
      WZRV_GDI_TRACE("sounddialog");
      break;
    case wzrv::Action::ColorDialog:
      appPalette->ChangeDialog();
      break;
    case wzrv::Action::Impact:
      if (!building) Impact(lParam);
      break;
    case wzrv::Action::Realize:
      if (appPalette != nullptr) appPalette->Realize();
      break;
    case wzrv::Action::PaintSnapshot: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hWnd, &ps);
      PaintSnapshot(dc, ps.rcPaint);
      EndPaint(hWnd, &ps);
      break;
    }
    case wzrv::Action::EraseSnapshot: {
      RECT area;
      GetClientRect(hWnd, &area);
      PaintSnapshot(reinterpret_cast<HDC>(wParam), area);
      break;
    }
    case wzrv::Action::DisplayChange:
      CoverNewScreen();
      break;
    case wzrv::Action::LockTimer:
      if (wParam == ScreenCheckTimer && !(LockedArea() == coveredArea)) CoverNewScreen();
      if (wParam == KeyboardTimer) TakeKeyboard();
      KeepCovering();
      if (wParam == GuardTimer) Guard();
      break;
    case wzrv::Action::Default:
      return DefWindowProcA(hWnd, iMessage, wParam, lParam);
  }
  return d.result;
}

void MainWindow::Lock() {
  char buff[wzrv::ReminderSize];
  wzrv::ComposeReminder(Password, buff);
  // The desktop as the user sees it before the reminder covers part of it:
  // what lay under the box is taken from this picture, since the windows
  // there may repaint themselves only later.
  Picture before = CaptureSettled(LockedArea());
  wzrv::ScreenArea boxArea;
  {
    BoxWatch watch(&boxArea);
    // The program's words around the user's password, each read in its own code page.
    const wzrv::TextSpan password = wzrv::ReminderPasswordSpan(Password, buff);
    wzrv::MixedMessageBox(hWnd, buff, password.offset, password.length, wzrv::ReminderCaption, MB_OK);
  }
  ResetInput();
  TakeSnapshot(before.bitmap != nullptr ? &before : nullptr, boxArea);
  if (before.bitmap != nullptr) DeleteObject(before.bitmap);
  RestoreLocked();
  WZRV_GDI_TRACE("lock");
  soundEffect->PlaySoundA(3);
}

void MainWindow::Unlock() {
  KillTimer(hWnd, ScreenCheckTimer);
  StopGuard();
  HideKeyWindow();
  if (RunningUnderWine()) {
    // An empty shape uncovers the desktop at once, and clicks go to what is
    // below; the window leaves the screen after that, in Wine's own time.
    ShapeToNothing(hWnd);
    FlushWindowSystem();
  }
  ReleaseSnapshot();
  WZRV_GDI_TRACE("unlock");
  if (StartOption & wzrv::SO_Saver) {
    // The saver ends with the unlock: the screen uncovered, the sound heard
    // to its end, the window gone, and the process with status 0.
    if (!RunningUnderWine()) ShowWindow(hWnd, SW_HIDE);
    soundEffect->PlaySoundToTheEnd(4);
    DestroyWindow(hWnd);
    return;
  }
  soundEffect->PlaySoundA(4);
  if (RunningUnderWine()) {
    // Under Wine the X window needs help to leave the screen:
    // - without a window manager nothing iconifies it, and it would go on
    //   covering the screen: move it off the screen first (the next lock
    //   gives it the desktop rectangle again);
    // - a window manager leaves the full-screen frame on the screen, and
    //   Wine answers its state change with a restore, which would lock once
    //   more: unmapped first and shown minimised without activation, it comes
    //   back as the same icon as at start-up. (Without a window manager the
    //   unmap costs Wine about two seconds waiting for an answer, after the
    //   desktop is uncovered.)
    SetWindowPos(hWnd, nullptr, -32000, -32000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hWnd, SW_SHOWMINNOACTIVE);
    SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(hWnd, SW_SHOWMINNOACTIVE);
    SetWindowRgn(hWnd, nullptr, FALSE);
    // The restored rectangle is the desktop's again, as it was at start-up.
    WINDOWPLACEMENT placement;
    placement.length = sizeof placement;
    if (GetWindowPlacement(hWnd, &placement)) {
      placement.rcNormalPosition = AsRect(LockedArea());
      placement.showCmd = SW_SHOWMINNOACTIVE;
      SetWindowPlacement(hWnd, &placement);
    }
  } else {
    ShowWindow(hWnd, SW_SHOWMINIMIZED);
  }
}

// Windows that are composited (and Wine) show nothing of what lies under a
// window that never paints, so the window keeps a copy of the screen taken
// while it is still minimised and paints that.

// A new 32-bit top-down picture of `area`, not yet filled.
MainWindow::Picture MainWindow::NewPicture(const wzrv::ScreenArea& area) {
  Picture p;
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

// Copies the screen's `area` into a new picture.
MainWindow::Picture MainWindow::CaptureScreen(const wzrv::ScreenArea& area) {
  Picture p = NewPicture(area);
  if (p.bitmap == nullptr) return p;
  const wzrv::WindowDC screen(nullptr);
  const wzrv::MemoryDC mem(screen);
  if (mem == nullptr) {
    DeleteObject(p.bitmap);
    return Picture{};
  }
  const wzrv::SelectedObject selected(mem, p.bitmap);
  BitBlt(mem, 0, 0, area.width, area.height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  return p;
}

// A box or menu that has just closed may still be on the screen: lets the
// window system catch up, then waits (briefly, boundedly) until two copies
// of the screen agree.
MainWindow::Picture MainWindow::CaptureSettled(const wzrv::ScreenArea& area) {
  FlushWindowSystem();
  Picture shot = CaptureScreen(area);
  const std::size_t bytes = static_cast<std::size_t>(area.width) * area.height * 4;
  for (int attempt = 0; shot.bitmap != nullptr && attempt < 8; ++attempt) {
    FlushWindowSystem();
    Sleep(25);
    Picture next = CaptureScreen(area);
    if (next.bitmap == nullptr) break;
    const bool same = std::memcmp(shot.bits, next.bits, bytes) == 0;
    DeleteObject(shot.bitmap);
    shot = next;
    if (same) break;
  }
  return shot;
}

void MainWindow::TakeSnapshot(const Picture* before, const wzrv::ScreenArea& boxArea) {
  ReleaseSnapshot();
  Picture shot = CaptureSettled(LockedArea());
  if (shot.bitmap == nullptr) return;
  // Where the reminder was, the windows below may not have repainted yet (or
  // the box may not have left the screen): that part is the desktop from
  // before the box.
  if (before != nullptr && !boxArea.Empty()) {
    GdiFlush();
    wzrv::CopyScreenPart({shot.bits, shot.area}, {before->bits, before->area}, boxArea);
  }
  snapshot = shot.bitmap;
  snapshotBits = shot.bits;
  snapshotArea = shot.area;
}

void MainWindow::ReleaseSnapshot() {
  if (snapshot == nullptr) return;
  DeleteObject(snapshot);
  snapshot = nullptr;
  snapshotBits = nullptr;
  snapshotArea = wzrv::ScreenArea{};
}

// Paints the part `area` (client coordinates) of the picture. The client
// area's top-left corner is the window's, which is the picture's.
void MainWindow::PaintSnapshot(HDC dc, const RECT& area) {
  if (snapshot == nullptr || dc == nullptr) return;
  const wzrv::MemoryDC mem(dc);
  if (mem == nullptr) return;
  const wzrv::SelectedObject selected(mem, snapshot);
  BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, mem, area.left,
         area.top, SRCCOPY);
}

// The monitors changed while locked (one added or removed, a resolution
// changed): the window covers the new virtual screen at once. The picture
// keeps what it showed where the old and the new screen overlap; what was
// not in it is black.
void MainWindow::CoverNewScreen() {
  const wzrv::ScreenArea area = LockedArea();
  coveredArea = area;
  Picture next = NewPicture(area);
  if (next.bitmap != nullptr) {
    std::memset(next.bits, 0, static_cast<std::size_t>(area.width) * area.height * 4);
    if (snapshot != nullptr) {
      GdiFlush();
      wzrv::CopyScreenPart({next.bits, next.area}, {snapshotBits, snapshotArea}, area);
    }
    ReleaseSnapshot();
    snapshot = next.bitmap;
    snapshotBits = next.bits;
    snapshotArea = area;
  }
  wzrv::Trace("display change %d %d %d %d", area.left, area.top, area.width, area.height);
  SetWindowPos(hWnd, HWND_TOPMOST, area.left, area.top, area.width, area.height, SWP_NOACTIVATE);
  InvalidateRect(hWnd, nullptr, TRUE);
  WZRV_GDI_TRACE("displaychange");
}

// Records every place a message box of this thread takes while it is open.
namespace {
wzrv::ScreenArea* watchedBoxArea = nullptr;
HHOOK boxHook = nullptr;

LRESULT CALLBACK BoxWatchProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && watchedBoxArea != nullptr) {
    const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (m->message == WM_WINDOWPOSCHANGED || m->message == WM_SHOWWINDOW || m->message == WM_NCPAINT) {
      char cls[16];
      RECT r;
      if (GetClassNameA(m->hwnd, cls, sizeof cls) > 0 && std::strcmp(cls, "#32770") == 0 &&
          IsWindowVisible(m->hwnd) && GetWindowRect(m->hwnd, &r)) {
        *watchedBoxArea = wzrv::Union(*watchedBoxArea, wzrv::ScreenArea{r.left, r.top, r.right - r.left,
                                                                         r.bottom - r.top});
      }
    }
  }
  return CallNextHookEx(boxHook, code, wParam, lParam);
}
}  // namespace

MainWindow::BoxWatch::BoxWatch(wzrv::ScreenArea* area) {
  *area = wzrv::ScreenArea{};
  watchedBoxArea = area;
  boxHook = SetWindowsHookExA(WH_CALLWNDPROCRET, BoxWatchProc, nullptr, GetCurrentThreadId());
}

MainWindow::BoxWatch::~BoxWatch() {
  if (boxHook != nullptr) UnhookWindowsHookEx(boxHook);
  boxHook = nullptr;
  watchedBoxArea = nullptr;
}

// Restores the window over the whole desktop. On Windows the restore alone
// does it. Under Wine the X window of a popup restored from minimised keeps
// the icon's small geometry (or whatever a window manager chose), although
// the window's own rectangle already is the desktop's, so the pointer and the
// keyboard never reach it; a change of size makes Wine configure the X
// window again.
void MainWindow::RestoreLocked() {
  ShowWindow(hWnd, SW_RESTORE);
  const wzrv::ScreenArea area = LockedArea();
  coveredArea = area;
  // Not every system tells a program of a change of monitors that another
  // program made (Wine does not): the area is checked while locked, too.
  SetTimer(hWnd, ScreenCheckTimer, 500, nullptr);
  const RECT desk = AsRect(area);
  RECT now;
  GetWindowRect(hWnd, &now);
  const int w = area.width, h = area.height;
  if (RunningUnderWine()) {
    // Wine published the minimised window's size as its fixed size, so a
    // window manager keeps it that small: a frame change publishes the
    // desktop size, and the change of size that follows is then carried out.
    // (Mapping the window anew would do it too, but without a window manager
    // Wine waits two seconds for an answer to the unmap.)
    SetWindowPos(hWnd, HWND_TOPMOST, desk.left, desk.top, w, h - 1, SWP_NOACTIVATE | SWP_FRAMECHANGED);
    SetWindowPos(hWnd, HWND_TOPMOST, desk.left, desk.top, w, h, SWP_NOACTIVATE);
  } else if (!EqualRect(&desk, &now)) {
    SetWindowPos(hWnd, HWND_TOPMOST, desk.left, desk.top, w, h, SWP_NOACTIVATE);
  }
  ShowKeyWindow();
  StartGuard();
}

// The keyboard. Windows gives it to the window that comes to the front. Under
// Wine the X window of a window that a window manager manages (every
// full-screen one) gets the keys only when the window manager hands them over,
// and a window manager does not always do that for a window that maps itself
// over the screen: fvwm kept them on a window of its own in most locks. A
// window that no window manager manages takes the X keyboard when it
// gets the focus. So the lock shows such a window, one pixel in the corner of
// its screen, gives it the focus and takes the focus back at once: the X
// keyboard stays with the small window, and the keys typed there come to the
// window in front, the locked one. Done again every 100 ms for the first
// second, while a window manager settles the new window, then every half
// second for as long as the lock lasts, and at every click and for a second
// after it: a window manager may move the X focus again (fvwm does at a
// click). The small window has an empty shape: it shows nothing and no click
// stops at it. Windows itself needs none of this.
void MainWindow::ShowKeyWindow() {
  if (!RunningUnderWine()) return;
  const wzrv::ScreenArea area = LockedArea();
  if (keyWindow == nullptr) {
    keyWindow = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, KeyClassName, "", WS_POPUP, area.left,
                                area.top, 1, 1, nullptr, nullptr, Main::hInstance, nullptr);
    if (keyWindow == nullptr) return;
    SetWindowLongPtrA(keyWindow, 0, reinterpret_cast<LONG_PTR>(this));
    ShapeToNothing(keyWindow);
  }
  SetWindowPos(keyWindow, HWND_TOPMOST, area.left, area.top, 1, 1, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  keyboardTakes = 0;
  TakeKeyboard();
  SetTimer(hWnd, KeyboardTimer, 100, nullptr);
}

void MainWindow::TakeKeyboard() {
  if (++keyboardTakes == 10) SetTimer(hWnd, KeyboardTimer, 500, nullptr);
  if (keyWindow == nullptr || !IsWindowVisible(keyWindow) || IsIconic(hWnd)) return;
  // Wine dates its X focus request with the time of the last message taken
  // from the queue, and the X server ignores a request older than the last
  // focus change (a window manager's at a click, say): a message posted and
  // taken at once makes that time now.
  MSG msg;
  if (PostMessageA(hWnd, FreshTimeMessage, 0, 0)) {
    PeekMessageA(&msg, hWnd, FreshTimeMessage, FreshTimeMessage, PM_REMOVE);
  }
  SetFocus(keyWindow);
  SetForegroundWindow(hWnd);
  SetFocus(hWnd);
}

// A window manager may still answer the lock's last change of size with an
// earlier one (fvwm, now and then, left the window a line short): while
// locked the window is given its area again whenever it has another.
void MainWindow::KeepCovering() {
  RECT now;
  if (IsIconic(hWnd) || !GetWindowRect(hWnd, &now)) return;
  const RECT want = AsRect(coveredArea);
  if (EqualRect(&now, &want)) return;
  wzrv::Trace("cover again %ld %ld %ld %ld", now.left, now.top, now.right, now.bottom);
  SetWindowPos(hWnd, HWND_TOPMOST, want.left, want.top, want.right - want.left, want.bottom - want.top,
               SWP_NOACTIVATE);
}

void MainWindow::HideKeyWindow() {
  KillTimer(hWnd, KeyboardTimer);
  if (keyWindow == nullptr) return;
  SetWindowPos(keyWindow, nullptr, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
}

// A key that reaches the small window goes on to the locked window.
LRESULT CALLBACK MainWindow::KeyWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, 0));
  if (message == WM_CHAR && self != nullptr) {
    PostMessageA(self->hWnd, message, wParam, lParam);
    return 0;
  }
  if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

void MainWindow::Impact(LPARAM lParam) {
  const wzrv::ImpactPlan plan = wzrv::ChooseImpact();
  int x, y;
  wzrv::ImpactPoint(static_cast<unsigned long>(lParam), &x, &y);
  soundEffect->PlaySoundA(plan.slot);
  TakeKeyboard();
  PlayBitmapAnimation(x, y, plan.anipattern, plan.wait, plan.delay);
  // The field's last steps reach the screen after this: no screen check until then.
  quietUntil = GetTickCount() + 300;
  screenMisses = 0;
  // A window manager may have taken the X focus at the click: taken back at
  // once and again over the next second.
  keyboardTakes = 0;
  if (!IsIconic(hWnd)) SetTimer(hWnd, KeyboardTimer, 100, nullptr);
  TakeKeyboard();
  WZRV_GDI_TRACE("animation");
}

void MainWindow::OnDestroy() {
  StopGuard();
  PostQuitMessage(0);
  windowGone = true;
  if (keyWindow != nullptr) DestroyWindow(keyWindow);
  keyWindow = nullptr;
  if (!building) DeleteBitmap();  // else the build's end deletes every frame
  ReleaseSnapshot();
  if (previewCanvas != nullptr) DeleteObject(previewCanvas);
  previewCanvas = nullptr;
  appPalette.reset();
  soundEffect.reset();
  WZRV_GDI_TRACE("destroy");
}

extern "C" LRESULT CALLBACK WndProc(HWND hWnd, UINT iMessage, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hWnd, 0));
  if (self != nullptr) return self->WndProc(iMessage, wParam, lParam);
  if (iMessage == WM_CREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    self = static_cast<MainWindow*>(cs->lpCreateParams);
    SetWindowLongPtrA(hWnd, 0, reinterpret_cast<LONG_PTR>(self));
    self->hWnd = hWnd;  // CreateWindowExA has not returned yet
    return self->WndProc(iMessage, wParam, lParam);
  }
  return DefWindowProcA(hWnd, iMessage, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpszCmdLine, int nCmdShow) {
  Main::hInstance = hInstance;
  Main::hPrevInstance = hPrevInstance;
  Main::nCmdShow = nCmdShow;
  if (hPrevInstance == nullptr) MainWindow::Register();
  // Renamed to *.scr, the program is a screen saver and reads its command
  // line as one.
  std::vector<char> self(32768);
  const DWORD n = GetModuleFileNameA(nullptr, self.data(), static_cast<DWORD>(self.size()));
  if (n > 0 && n < self.size() && wzrv::IsSaverFileName(self.data())) return RunSaver(lpszCmdLine);
  const int option = wzrv::ScanOptions(lpszCmdLine);
  MainWindow mainWindow(option);
  return Main::MessageLoop();
}
