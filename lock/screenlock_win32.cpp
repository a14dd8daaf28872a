// The screen lock. While it holds, the window must stay on the screen and
// above everything, and every key typed must reach the password input,
// whatever another program or the desktop does:
// - one state (LockState) says whether the screen is locked; the window's
//   show state follows it, never the reverse;
// - one lock of the program holds the screen at a time (a named mutex, owned
//   while locked);
// - a guard checks ten times a second that the window is on the screen,
//   that no other window stands above it and that the screen shows the
//   locked picture, and covers the screen again by the ways of wzrv::Cover,
//   each stronger than the last, while a check still finds it wrong; a show
//   change or iconify that reaches the window covers again at once;
// - a low-level keyboard hook on a thread of its own, present only while
//   locked, hands the lock the keys typed while another window is in front,
//   and swallows the keys that switch away from it. Nothing the window's
//   thread does (a field, a mend, a box) delays its answer.
// The user waits for the lock at the reminder's answer and for the desktop
// at the password: the picture is made while the reminder stands (where the
// box shows itself, then the rest of the screen, band after band), so that
// the answer waits for no copy of the screen; under Wine with a window
// manager the window is shown anew at each lock, as a new window is, and
// hidden at once at each unlock.
#include "lock/screenlock.h"

#include <cstring>
#include <utility>

#include "base/trace.h"
#include "base/gdi_win32.h"  // last: counts GDI objects in a test build

const char ScreenLock::KeyClassName[] = "Windows Z.R.V keys";

namespace {

// The program's one lock on the screen, whichever of its processes holds it
// (wzrv.exe or the saver).
constexpr char ScreenClaimName[] = "Local\\Windows Z.R.V lock";

constexpr UINT_PTR GuardTimer = 3;
// While the reminder stands the picture is brought up to date, a band of
// rows every RefreshPeriod (short steps: a click on the box waits for the one
// under way); one with a band older than FreshFor at the answer is not used.
constexpr UINT_PTR RefreshTimer = 5;  // 4 is the preview's
constexpr UINT RefreshPeriod = 25;
constexpr DWORD FreshFor = 250;
constexpr UINT GuardPeriod = 100;
// The guard's own message. wParam: CheckNow, Iconified (a window manager's
// iconify), ShowChanged (the window minimised or hidden by anyone).
constexpr UINT GuardMessage = WM_APP + 2;
enum : WPARAM { CheckNow = 0, Iconified = 1, ShowChanged = 2 };
// A message posted and taken at once makes Wine's time of the last message now.
constexpr UINT FreshTimeMessage = WM_APP + 1;
// The keyboard is taken at every guard tick for the first second of a lock
// (and after a click), then every half second.
constexpr int EagerKeyboardTakes = 10;
constexpr int KeyboardEveryTicks = 5;
// After every way of covering, also every KeyboardAgainPeriod for a while: a
// window manager may give the X keyboard to a window of its own when it takes
// in the change the lock has just answered (fvwm, after another program's
// hide), and Wine tells nothing of the X focus leaving the small window.
constexpr UINT_PTR KeyboardTimer = 6;
constexpr UINT KeyboardAgainPeriod = 25;
constexpr int KeyboardAgainTakes = 6;
// The window's first picture reaches the screen in this time after a lock,
// and a field's last steps after the field.
constexpr DWORD FirstPictureDelay = 300;
// A menu closed this recently may still show on the screen.
constexpr DWORD MenuSettleTime = 1000;

bool Before(DWORD tick) { return GetTickCount() - tick >= 0x80000000u; }

RECT AsRect(const wzrv::ScreenArea& a) { return RECT{a.left, a.top, a.Right(), a.Bottom()}; }

// A window hidden where it is, without activating another.
constexpr UINT HideOnly = SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;

// Gives a window an empty shape: it shows nothing and clicks pass through it.
void ShapeToNothing(HWND window) {
  HRGN none = CreateRectRgn(0, 0, 0, 0);
  if (none != nullptr && !SetWindowRgn(window, none, FALSE)) DeleteObject(none);  // else the window owns it
}

// What the check at the start found (ScreenLock::HideCostThread writes it once).
volatile LONG checkedHideCost = static_cast<LONG>(wzrv::HideCost::Unknown);

// The keyboard hook's thread and what it reads. The windows are written
// before the thread starts (the key window again, atomically, at each lock:
// it may be made only then) and only read on it; the hook and the modifiers
// are the thread's own. The lock tells it by hookWanted and the
// event what to do, and the hook keys only while hookLocked says so (a hook
// not yet taken off after an unlock passes every key on).
enum HookWish : LONG { HookOff, HookOn, HookEnd };
HWND hookLockWindow = nullptr;
HWND hookKeyWindow = nullptr;
HHOOK keyboardHook = nullptr;
wzrv::HookModifiers hookModifiers;
volatile LONG hookWanted = HookOff;
volatile LONG hookLocked = 0;
volatile LONG hookCapsLock = 0;
HANDLE hookChange = nullptr;

// A key as the characters it types in the ANSI code page, with the modifiers
// the hook has seen (AltGr among them) and the dead key typed before it, as
// the keyboard layout of the window in front types them.
int KeyCharacters(const KBDLLHOOKSTRUCT& key, HWND front, char* out, int size) {
  BYTE state[256];
  hookModifiers.Fill(state);
  const HKL layout = GetKeyboardLayout(front != nullptr ? GetWindowThreadProcessId(front, nullptr) : 0);
  WCHAR wide[8];
  const int n = ToUnicodeEx(key.vkCode, key.scanCode, state, wide, 8, 0, layout);
  if (n <= 0) return 0;  // no character, or a dead key kept for the next one
  return WideCharToMultiByte(CP_ACP, 0, wide, n, out, size, nullptr, nullptr);
}

// Records every place a message box of this thread takes while it is open,
// copies the screen where the box is about to show itself, and covers the
// screen the moment the box is answered: its hide is the first thing the box
// does then, and the lock comes before it. (Under Wine without a window
// manager the hide waits two seconds for an answer that never comes; the
// screen is locked meanwhile.) The box's own window procedure is wrapped for
// that, from its creation on: a hook on every message would cost more than
// the box itself (under Wine each call of a hook asks the server).
ScreenLock* watchingLock = nullptr;
HHOOK boxCreateHook = nullptr;
HWND watchedBox = nullptr;
WNDPROC boxProc = nullptr;

wzrv::ScreenArea WindowArea(HWND hwnd) {
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return wzrv::ScreenArea{};
  return wzrv::ScreenArea{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

LRESULT CALLBACK WatchedBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const WNDPROC next = boxProc;
  if (watchingLock != nullptr && hwnd == watchedBox) {
    const bool visible = IsWindowVisible(hwnd) != FALSE;
    if (message == WM_WINDOWPOSCHANGING) {
      const UINT flags = reinterpret_cast<const WINDOWPOS*>(lParam)->flags;
      if ((flags & SWP_SHOWWINDOW) && !visible) watchingLock->BoxShowing(WindowArea(hwnd));
      if ((flags & SWP_HIDEWINDOW) && visible) {
        ScreenLock* lock = watchingLock;
        watchingLock = nullptr;  // once
        // The box stays above the window that owns it, the lock, until its
        // hide is done: an empty shape takes it off the screen at once.
        ShapeToNothing(hwnd);
        lock->Cover();
      }
    } else if (message == WM_WINDOWPOSCHANGED && visible) {
      watchingLock->NoteBox(WindowArea(hwnd));
    }
  }
  if (message == WM_NCDESTROY && hwnd == watchedBox) {
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
    watchedBox = nullptr;
  }
  return CallWindowProcW(next, hwnd, message, wParam, lParam);
}

// The first box made while watching gets the wrapper.
LRESULT CALLBACK BoxCreateProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && watchedBox == nullptr) {
    const auto hwnd = reinterpret_cast<HWND>(wParam);
    char cls[16];
    if (GetClassNameA(hwnd, cls, sizeof cls) > 0 && std::strcmp(cls, "#32770") == 0) {
      watchedBox = hwnd;
      boxProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchedBoxProc)));
    }
  }
  return CallNextHookEx(boxCreateHook, code, wParam, lParam);
}

// The time of each step of a lock, in the trace, with the moment it ended
// on the performance counter (under Wine the host's raw monotonic clock, as
// the benchmark's).
class StepClock {
 public:
  StepClock() { QueryPerformanceCounter(&last_); }
  void Step(const char* what) {
    LARGE_INTEGER now, f;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&f);
    const double ms = 1000.0 / static_cast<double>(f.QuadPart);
    wzrv::Trace("lock step %s %.1f ms at %.1f", what, static_cast<double>(now.QuadPart - last_.QuadPart) * ms,
                static_cast<double>(now.QuadPart) * ms);
    last_ = now;
  }

 private:
  LARGE_INTEGER last_;
};

}  // namespace

bool ScreenLock::RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The virtual screen: its top-left corner is negative when a monitor stands
// left of or above the primary one.
wzrv::ScreenArea ScreenLock::LockedArea() {
  RECT desk;
  GetWindowRect(GetDesktopWindow(), &desk);
  return wzrv::LockArea(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                        GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
                        desk.right - desk.left, desk.bottom - desk.top);
}

void ScreenLock::Register(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = KeyWndProc;
  wc.cbWndExtra = sizeof(ScreenLock*);  // NOLINT(bugprone-sizeof-expression): room for the object pointer
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = KeyClassName;
  RegisterClassA(&wc);  // without it the lock still works, only takes no keys under some window managers
}

ScreenLock::~ScreenLock() {
  EndHookThread();
  if (keyWindow_ != nullptr) DestroyWindow(keyWindow_);
  picture_.Release();
  before_.Release();
  GiveScreenBack();
  if (screenClaim_ != nullptr) CloseHandle(screenClaim_);
  if (active == this) active = nullptr;
}

ScreenLock* ScreenLock::active = nullptr;

void ScreenLock::Attach(HWND window, bool locks) {
  window_ = window;
  active = this;
  if (!locks) return;
  CreateKeyWindow();  // made now, not at the first lock
  StartHookThread();
  // The check is never waited for (without a window manager its hide waits
  // two seconds), and its handle is not kept.
  if (RunningUnderWine()) {
    HANDLE check = CreateThread(nullptr, 0, HideCostThread, nullptr, 0, nullptr);
    if (check != nullptr) CloseHandle(check);
  }
}

// ---- The state -----------------------------------------------------------------------------

// Every change of the state goes through the transition table.
wzrv::LockAction ScreenLock::Apply(wzrv::LockEvent event) {
  const wzrv::LockStep step = wzrv::LockTransition(state_, event, withReminder_);
  if (step.next != state_) wzrv::Trace("lock: %s", wzrv::LockStateName(step.next));
  state_ = step.next;
  return step.action;
}

bool ScreenLock::QuitEndsLoop() {
  return active == nullptr ||
         wzrv::LockTransition(active->state_, wzrv::LockEvent::Quit, false).action == wzrv::LockAction::Quit;
}

bool ScreenLock::Begin(bool withReminder) {
  if (state_ != wzrv::LockState::Unlocked) return false;
  withReminder_ = withReminder;
  if (Apply(withReminder ? wzrv::LockEvent::Request : wzrv::LockEvent::RequestAtStart) !=
      wzrv::LockAction::TakeScreen) {
    return false;
  }
  const wzrv::LockAction action = Apply(TakeScreen() ? wzrv::LockEvent::ScreenTaken : wzrv::LockEvent::ScreenBusy);
  if (action == wzrv::LockAction::Decline) {
    wzrv::Trace("lock: declined, another lock holds the screen");
    return false;
  }
  boxArea_ = beforeFilled_ = wzrv::ScreenArea{};
  // The desktop as the user sees it before the reminder covers part of it
  // (BoxShowing): what lay under the box is taken from that picture, since
  // the windows there may repaint themselves only later.
  if (action == wzrv::LockAction::ShowReminder) {
    // A menu that has just closed (the system menu's lock command) may still
    // be on the screen, or the windows under it not yet repainted: then the
    // screen is let settle. Otherwise (a restore, a command from elsewhere)
    // one copy serves.
    StepClock().Step("reminder asked");
    settleBefore_ = menuClosed_ && GetTickCount() - menuClosedAt_ < MenuSettleTime;
    before_.Release();
  }
  // Without the reminder the screen is covered at once.
  if (action == wzrv::LockAction::Cover) CoverScreen();
  return true;
}

void ScreenLock::Cover() {
  if (state_ == wzrv::LockState::Locking && Apply(wzrv::LockEvent::ReminderClosed) == wzrv::LockAction::Cover) {
    CoverScreen();
  }
}

// The box is about to show itself at `area`: the picture before it is the
// screen there now, with the frame and shadow a window manager or compositor
// draws around it. From then on, while the box stands, the rest of the
// screen is copied into the same picture, band after band: at the answer the
// picture is ready (the screen as it was a tenth of a second before, or
// less), and the lock waits for no copy of the screen.
void ScreenLock::BoxShowing(const wzrv::ScreenArea& area) {
  if (state_ != wzrv::LockState::Locking) return;
  StepClock clock;
  if (before_.bitmap == nullptr) before_ = ScreenCopy::New(LockedArea());
  NoteBox(area);
  before_.CopyPart(boxArea_, settleBefore_);
  beforeFilled_ = boxArea_;
  refresh_.Start();
  SetTimer(window_, RefreshTimer, RefreshPeriod, nullptr);
  clock.Step("picture where the box shows");
}

// The next band, but the places the box has taken. Not once the monitors
// have changed: the answer then takes the screen anew.
void ScreenLock::RefreshPicture() {
  if (state_ != wzrv::LockState::Locking || before_.bitmap == nullptr || !(before_.area == LockedArea())) {
    KillTimer(window_, RefreshTimer);
    return;
  }
  wzrv::ScreenArea parts[4];
  const wzrv::ScreenArea band = refresh_.Next(before_.area, GetTickCount());
  const int n = wzrv::Outside(band, boxArea_, parts);
  for (int i = 0; i < n; ++i) before_.CopyPart(parts[i], false);
  if (band.Bottom() == before_.area.Bottom()) wzrv::Trace("lock: the picture is up to date");
}

// The picture, and the window over the screen first: that is what the user
// waits for. The key window and the guard come after.
void ScreenLock::CoverScreen() {
  StepClock clock;
  clock.Step("cover asked");
  clock.Step(TakePicture() ? "picture, ready" : "picture, copied now");
  ShowOverScreen();
  clock.Step("window over the screen");
  // Painted now, not when the thread next takes messages (under Wine without
  // a window manager that is two seconds later, after the box's hide): a
  // window that paints no background shows what was on the screen before
  // it, the box among it, until it paints.
  UpdateWindow(window_);
  FlushWindowSystem();
  clock.Step("painted");
  ShowKeyWindow();
  StartGuard();
  clock.Step("keys and guard");
}

bool ScreenLock::Uncover() {
  if (Apply(wzrv::LockEvent::Password) != wzrv::LockAction::Uncover) return false;
  StepClock clock;
  clock.Step("uncover asked");
  // With a window manager (under Wine) the window is hidden, as it will be
  // on its way to the icon anyway. Otherwise, under Wine, an empty shape
  // uncovers the desktop at once, and clicks go to what is below; the window
  // leaves the screen after that, in Wine's own time. The guard and the
  // keyboard's thread are stopped after it.
  const wzrv::Placing placing = wzrv::PlacingFor(RunningUnderWine(), KnownHideCost());
  if (placing == wzrv::Placing::Anew) {
    SetWindowPos(window_, nullptr, 0, 0, 0, 0, HideOnly);
  } else if (placing == wzrv::Placing::InPlace) {
    ShapeToNothing(window_);
  }
  if (placing != wzrv::Placing::Plain) FlushWindowSystem();
  clock.Step("uncovered");
  StopGuard();
  HideKeyWindow();
  picture_.Release();
  GiveScreenBack();
  Apply(wzrv::LockEvent::Uncovered);
  return true;
}

void ScreenLock::EndSession() {
  if (state_ == wzrv::LockState::Unlocked) return;
  StopGuard();
  GiveScreenBack();
  Apply(wzrv::LockEvent::EndSession);
}

// One lock of the program on the screen: the named mutex, owned by the
// thread that locks. One abandoned by a process that ended counts as free.
bool ScreenLock::TakeScreen() {
  if (screenClaim_ == nullptr) screenClaim_ = CreateMutexA(nullptr, FALSE, ScreenClaimName);
  if (screenClaim_ == nullptr) return true;  // nothing to tell by: this lock goes ahead
  const DWORD r = WaitForSingleObject(screenClaim_, 0);
  claimed_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
  return claimed_;
}

void ScreenLock::GiveScreenBack() {
  if (claimed_) ReleaseMutex(screenClaim_);
  claimed_ = false;
}

// Under Wine the X window needs help to leave the screen after an unlock:
// - without a window manager nothing iconifies it: it keeps the empty shape
//   of the uncover and is only minimised (a move off the screen or a hide
//   would be an unmap, in which Wine waits two seconds for an answer that
//   never comes); the next lock gives the shape back;
// - a window manager leaves the full-screen frame on the screen, and Wine
//   answers its state change with a restore: hidden first and shown
//   minimised without activation, it comes back as the same icon as at
//   start-up.
// Where it is not yet known whether a window manager runs, it is both moved
// off the screen and hidden, and the hide's time tells.
void ScreenLock::ParkMinimised() {
  StepClock clock;
  const wzrv::Placing placing = wzrv::PlacingFor(RunningUnderWine(), KnownHideCost());
  if (placing == wzrv::Placing::Plain) {
    ShowWindow(window_, SW_SHOWMINIMIZED);
    return;
  }
  if (placing == wzrv::Placing::Anew) {
    if (IsWindowVisible(window_)) SetWindowPos(window_, nullptr, 0, 0, 0, 0, HideOnly);
  } else if (KnownHideCost() == wzrv::HideCost::Slow) {
    // Without a window manager a move off the screen costs Wine's two-second
    // wait for an answer: the window stays where it is, shaped to nothing,
    // and is only minimised, which nobody carries out.
    ShowWindow(window_, SW_SHOWMINNOACTIVE);
    shapedAway_ = true;
    clock.Step("parked minimised");
    return;
  } else {
    SetWindowPos(window_, nullptr, -32000, -32000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window_, SW_SHOWMINNOACTIVE);
    if (hideCost_ == wzrv::HideCost::Unknown) {
      const DWORD start = GetTickCount();
      SetWindowPos(window_, nullptr, 0, 0, 0, 0, HideOnly);
      hideCost_ = wzrv::HideCostOf(GetTickCount() - start);
      ShowWindow(window_, SW_SHOWMINNOACTIVE);
    }
  }
  SetWindowRgn(window_, nullptr, FALSE);
  // The restored rectangle is the desktop's again, as it was at start-up;
  // a hidden window is shown minimised by it.
  WINDOWPLACEMENT placement;
  placement.length = sizeof placement;
  if (GetWindowPlacement(window_, &placement)) {
    placement.rcNormalPosition = AsRect(LockedArea());
    placement.showCmd = SW_SHOWMINNOACTIVE;
    SetWindowPlacement(window_, &placement);
  }
  if (!IsWindowVisible(window_)) ShowWindow(window_, SW_SHOWMINNOACTIVE);
  clock.Step("parked minimised");
}

bool ScreenLock::ParkMayWait() { return RunningUnderWine() && KnownHideCost() == wzrv::HideCost::Unknown; }

// Whether a window manager runs, found out at the start on a thread of its
// own: a window nobody sees (one pixel, shaped to nothing, never active) is
// shown and hidden, and the hide's time tells (wzrv::HideCostOf). The first
// lock then takes the way that suits.
DWORD WINAPI ScreenLock::HideCostThread(LPVOID) {
  const wzrv::ScreenArea area = LockedArea();
  HWND probe = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, KeyClassName, "", WS_POPUP | WS_SYSMENU | WS_DISABLED,
                               area.left, area.top, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (probe == nullptr) return 0;
  ShapeToNothing(probe);
  ShowWindow(probe, SW_SHOWNOACTIVATE);
  FlushWindowSystem();
  const DWORD start = GetTickCount();
  SetWindowPos(probe, nullptr, 0, 0, 0, 0, HideOnly);
  const wzrv::HideCost cost = wzrv::HideCostOf(GetTickCount() - start);
  DestroyWindow(probe);
  InterlockedExchange(&checkedHideCost, static_cast<LONG>(cost));
  wzrv::Trace("lock: a hide is %s here", cost == wzrv::HideCost::Slow ? "slow (no window manager)" : "fast");
  return 0;
}

wzrv::HideCost ScreenLock::KnownHideCost() {
  if (hideCost_ == wzrv::HideCost::Unknown) {
    hideCost_ = static_cast<wzrv::HideCost>(InterlockedCompareExchange(&checkedHideCost, 0, 0));
  }
  return hideCost_;
}

// ---- Messages ------------------------------------------------------------------------------

bool ScreenLock::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const bool locked = state_ == wzrv::LockState::Locked;
  *result = 0;
  switch (message) {
    case WM_WINDOWPOSCHANGING:
      // Still being created, the window is minimised before it is shown. Under
      // Wine that gives its X window the icon's small size, kept while the
      // window is an icon or hidden, so that the first lock maps it that small
      // and a window manager answers with it (xfwm4 placed it, centred, then
      // took it out of full screen). The window keeps the desktop's size.
      if (window_ == nullptr && RunningUnderWine()) {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (IsIconic(pos->hwnd)) pos->flags |= SWP_NOSIZE;
      }
      return false;
    case WM_TIMER:
      if (wParam == RefreshTimer) {
        RefreshPicture();
        return true;
      }
      if (wParam == KeyboardTimer) {
        if (!locked || keyboardAgain_ <= 0) {
          KillTimer(window_, KeyboardTimer);
        } else {
          --keyboardAgain_;
          FocusKeyWindow();
        }
        return true;
      }
      if (wParam != GuardTimer) return false;
      if (locked) Guard();
      return true;
    case GuardMessage:
      if (!locked) return true;
      if (wParam == Iconified) {
        // Mapped anew, the window comes onto the current workspace too.
        CoverBy(KnownHideCost() != wzrv::HideCost::Slow ? wzrv::Cover::MapAnew : wzrv::Cover::Restore, "iconified");
      } else if (wParam == ShowChanged) {
        if (OffItsPlace() && Apply(wzrv::LockEvent::ShowChanged) == wzrv::LockAction::CoverAgain) {
          CoverBy(wzrv::Cover::Restore, "minimised or hidden");
        }
      } else {
        // The lock lost the foreground (under Wine: the X focus went to
        // another client): the keyboard first, then the checks.
        TakeKeyboard();
        Guard();
      }
      return true;
    case WM_SYSCOMMAND:
      // A window manager's iconify (a minimise, show desktop, another
      // workspace) reaches the window as SC_MINIMIZE.
      if (!locked || (wParam & 0xFFF0) != SC_MINIMIZE) return false;
      PostMessageA(window_, GuardMessage, Iconified, 0);
      return true;
    case WM_EXITMENULOOP:
      menuClosed_ = true;
      menuClosedAt_ = GetTickCount();
      return false;
    case WM_ACTIVATEAPP:
      if (locked && wParam == FALSE) PostMessageA(window_, GuardMessage, CheckNow, 0);
      return false;
    case WM_WINDOWPOSCHANGED:
    case WM_SHOWWINDOW:
    case WM_SIZE:
      // Anyone's ShowWindow or SetWindowPos; the guard's own mends change the
      // show state too, and are over by the time this is read. A window
      // manager's other place or size waits for the guard's tick: on its way
      // to full screen fvwm first frames the window, and an answer at once
      // starts a tug of war with it.
      if (locked && OffItsPlace()) PostMessageA(window_, GuardMessage, ShowChanged, 0);
      return false;
    case WM_DISPLAYCHANGE:
      if (!locked) return false;
      CoverNewScreen();
      return true;
    case WM_PAINT: {
      if (!Covering()) return false;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window_, &ps);
      Paint(dc, ps.rcPaint);
      EndPaint(window_, &ps);
      return true;
    }
    case WM_ERASEBKGND: {
      if (!Covering()) return false;
      RECT area;
      GetClientRect(window_, &area);
      Paint(reinterpret_cast<HDC>(wParam), area);
      *result = 1;
      return true;
    }
    default:
      return false;
  }
}

void ScreenLock::BeforeImpact() { TakeKeyboard(); }

void ScreenLock::AfterImpact() {
  // The field's last steps reach the screen after this: no screen check until then.
  quietUntil_ = GetTickCount() + FirstPictureDelay;
  screenMisses_ = 0;
  // A window manager may have taken the X focus at the click: taken back at
  // once and again over the next second.
  keyboardTakes_ = 0;
  TakeKeyboard();
}

// ---- The picture ---------------------------------------------------------------------------

// Windows that are composited (and Wine) show nothing of what lies under a
// window that never paints, so the window keeps a copy of the screen taken
// while it is still minimised and paints that.

// The picture the lock shows. Where the reminder was, the windows below may
// not have repainted yet (or the box may not have left the screen): that
// part is the desktop from before the box. The rest is the screen as it was
// brought up to date while the box stood, or else the screen now. True when
// the picture was ready. Without a picture (none could be made: a large
// virtual screen in a 32-bit process) the lock is black.
bool ScreenLock::TakePicture() {
  KillTimer(window_, RefreshTimer);
  picture_.Release();
  const wzrv::ScreenArea area = LockedArea();
  const bool boxShown = before_.bitmap != nullptr && !boxArea_.Empty();
  if (boxShown && before_.area == area && refresh_.Fresh(GetTickCount(), FreshFor)) {
    picture_ = before_;
    before_ = ScreenCopy{};
    return true;
  }
  // With the box still on the screen (the lock comes at its answer), one
  // copy serves.
  picture_ = boxShown ? ScreenCopy::Copy(area) : ScreenCopy::CopySettled(area);
  if (picture_.bitmap != nullptr && boxShown) {
    GdiFlush();
    wzrv::CopyScreenPart({picture_.bits, picture_.area}, {before_.bits, before_.area},
                         wzrv::Intersection(boxArea_, beforeFilled_));
  }
  before_.Release();
  if (picture_.bitmap == nullptr) wzrv::Trace("lock: no picture of the screen, the lock is black");
  return false;
}

// Paints the part `area` (client coordinates) of the picture; the client
// area's top-left corner is the picture's.
void ScreenLock::Paint(HDC dc, const RECT& area) {
  if (dc == nullptr) return;
  if (picture_.bitmap == nullptr) {
    if (state_ == wzrv::LockState::Locked) FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return;
  }
  const wzrv::MemoryDC mem(dc);
  if (mem == nullptr) return;
  const wzrv::SelectedObject selected(mem, picture_.bitmap);
  BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, mem, area.left, area.top,
         SRCCOPY);
}

ScreenLock::ReminderWatch::ReminderWatch(ScreenLock* lock) {
  lock->boxArea_ = wzrv::ScreenArea{};
  watchingLock = lock;
  watchedBox = nullptr;
  boxCreateHook = SetWindowsHookExA(WH_CBT, BoxCreateProc, nullptr, GetCurrentThreadId());
}

ScreenLock::ReminderWatch::~ReminderWatch() {
  if (boxCreateHook != nullptr) UnhookWindowsHookEx(boxCreateHook);
  boxCreateHook = nullptr;
  watchingLock = nullptr;
}

// With the box, the frame and shadow a window manager or compositor draws
// around it (xfwm4's reach well beyond the box's own rectangle).
void ScreenLock::NoteBox(const wzrv::ScreenArea& area) {
  constexpr int Margin = 64;
  boxArea_ = wzrv::Union(boxArea_, wzrv::ScreenArea{area.left - Margin, area.top - Margin, area.width + 2 * Margin,
                                                    area.height + 2 * Margin});
}

// ---- Covering ------------------------------------------------------------------------------

// The window over the screen at a lock. With a window manager it is hidden
// first and shown as a new window with the desktop's rectangle: the window
// manager maps it once, where it belongs, as it maps any new window (a
// restore of its icon takes it through the icon's geometry first, and
// through every change of size after). Otherwise, and for the lock at the
// start (made before it is known whether a window manager runs), as
// PlaceOverScreen.
void ScreenLock::ShowOverScreen() {
  WINDOWPLACEMENT placement;
  placement.length = sizeof placement;
  if (!withReminder_ || wzrv::PlacingFor(RunningUnderWine(), KnownHideCost()) != wzrv::Placing::Anew ||
      !IsIconic(window_) || !GetWindowPlacement(window_, &placement)) {
    PlaceOverScreen();
    return;
  }
  const wzrv::ScreenArea area = LockedArea();
  coveredArea_ = area;
  SetWindowPos(window_, nullptr, 0, 0, 0, 0, HideOnly);
  ShapeBack();
  placement.rcNormalPosition = AsRect(area);
  placement.showCmd = SW_SHOWNORMAL;
  SetWindowPlacement(window_, &placement);
}

// The window over the whole screen, restored and topmost. On Windows the
// restore alone does it. Under Wine the X window of a popup restored from
// minimised keeps the icon's small geometry (or whatever a window manager
// chose), although the window's own rectangle already is the desktop's, so
// the pointer and the keyboard never reach it; a change of size makes Wine
// configure the X window again.
void ScreenLock::PlaceOverScreen() {
  ShowWindow(window_, SW_RESTORE);
  const wzrv::ScreenArea area = LockedArea();
  coveredArea_ = area;
  const RECT desk = AsRect(area);
  RECT now;
  GetWindowRect(window_, &now);
  if (RunningUnderWine()) {
    // Wine published the minimised window's size as its fixed size, so a
    // window manager keeps it that small: a frame change publishes the
    // desktop size, and the change of size that follows is then carried out.
    // Without a window manager nobody reads the size published: the frame
    // change alone configures the X window over the desktop.
    const bool withoutManager = KnownHideCost() == wzrv::HideCost::Slow;
    SetWindowPos(window_, HWND_TOPMOST, desk.left, desk.top, area.width, area.height - (withoutManager ? 0 : 1),
                 SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (!withoutManager) {
      SetWindowPos(window_, HWND_TOPMOST, desk.left, desk.top, area.width, area.height, SWP_NOACTIVATE);
    }
  } else if (!EqualRect(&desk, &now)) {
    SetWindowPos(window_, HWND_TOPMOST, desk.left, desk.top, area.width, area.height, SWP_NOACTIVATE);
  }
  ShapeBack();
}

// The shape taken at the unlock given back; the paint that follows shows the
// new picture (painted while shaped, it would reach the screen only with the
// exposure, which Wine takes from the queue after the box's hide).
void ScreenLock::ShapeBack() {
  if (!shapedAway_) return;
  shapedAway_ = false;
  SetWindowRgn(window_, nullptr, FALSE);
  InvalidateRect(window_, nullptr, FALSE);
}

// The monitors changed while locked (one added or removed, a resolution
// changed): the window covers the new virtual screen at once. The picture
// keeps what it showed where the old and the new screen overlap; what was
// not in it is black.
void ScreenLock::CoverNewScreen() {
  const wzrv::ScreenArea area = LockedArea();
  coveredArea_ = area;
  ScreenCopy next = ScreenCopy::New(area);
  if (next.bitmap != nullptr) {
    std::memset(next.bits, 0, static_cast<std::size_t>(area.width) * area.height * 4);
    if (picture_.bitmap != nullptr) {
      GdiFlush();
      wzrv::CopyScreenPart({next.bits, next.area}, {picture_.bits, picture_.area}, area);
    }
    picture_.Release();
    picture_ = next;
  }
  wzrv::Trace("display change %d %d %d %d", area.left, area.top, area.width, area.height);
  SetWindowPos(window_, HWND_TOPMOST, area.left, area.top, area.width, area.height, SWP_NOACTIVATE);
  InvalidateRect(window_, nullptr, TRUE);
  WZRV_GDI_TRACE("displaychange");
}

// Above every window again (under Wine the X window is restacked only when
// the window order changes: the key window goes first, the lock above it),
// with the keyboard.
void ScreenLock::Raise(const char* why) {
  wzrv::Trace("raise: %s", why);
  raisedBefore_ = true;
  if (keyWindow_ != nullptr) {
    SetWindowPos(keyWindow_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetForegroundWindow(window_);
  // A window manager may hand the keyboard to the other window after this:
  // taken back at every tick for a second.
  keyboardTakes_ = 0;
  TakeKeyboard();
}

// Minimised and restored, the window is mapped again where it was taken off
// the screen (unmapped, iconified by a window manager), over the whole
// screen, topmost. A minimise of Wine's keeps it clear of the two-second wait
// that hiding a managed window costs without a window manager.
void ScreenLock::RestoreWindow(const char* why) {
  wzrv::Trace("cover again: %s", why);
  ShowWindow(window_, SW_SHOWMINNOACTIVE);
  PlaceOverScreen();
  ShowKeyWindow();
  SetForegroundWindow(window_);
  TakeKeyboard();
}

// Hidden and shown again, the window is taken by a window manager as a new
// window, on the current workspace, in the normal state. Without a window
// manager Wine waits two seconds in the hide: that is noted, and not done again.
void ScreenLock::MapAnew(const char* why) {
  wzrv::Trace("map anew: %s", why);
  const DWORD start = GetTickCount();
  if (keyWindow_ != nullptr) ShowWindow(keyWindow_, SW_HIDE);
  ShowWindow(window_, SW_HIDE);
  const DWORD took = GetTickCount() - start;
  // Known already, the cost stands: a window manager that withdrew the
  // window itself (an unmap of its X window) makes this hide wait too.
  if (hideCost_ == wzrv::HideCost::Unknown) hideCost_ = wzrv::HideCostOf(took);
  wzrv::Trace("map anew: the hide took %lu ms", static_cast<unsigned long>(took));
  PlaceOverScreen();
  ShowKeyWindow();
  SetForegroundWindow(window_);
  TakeKeyboard();
}

void ScreenLock::CoverBy(wzrv::Cover cover, const char* why) {
  resizedBefore_ = false;
  switch (cover) {
    case wzrv::Cover::Raise:
      Raise(why);
      break;
    case wzrv::Cover::Restore:
      RestoreWindow(why);
      break;
    case wzrv::Cover::MapAnew:
      MapAnew(why);
      break;
    case wzrv::Cover::GiveUp:
      // Every way tried, and the screen still shows something else: a window
      // manager's own menu over everything, or a compositing manager that
      // shows the lock while the screen as read here shows the desktop under
      // it (xfwm4, once the window has been mapped anew). The screen check
      // says nothing more until the next lock; show changes and the window
      // manager's iconify still bring the lock back.
      wzrv::Trace("the screen check cannot see the lock");
      screenBlind_ = true;
      Raise(why);
      pauseUntil_ = GetTickCount() + wzrv::CoverSettleMillis(cover);
      TakeKeyboardSoonAgain();
      return;
  }
  TakeKeyboardSoonAgain();
  const UINT settle = wzrv::CoverSettleMillis(cover);
  if (cover != wzrv::Cover::Raise) quietUntil_ = GetTickCount() + settle;
  ArmGuard(settle + (cover == wzrv::Cover::Raise ? 0 : 10));
}

// ---- The keyboard under Wine ---------------------------------------------------------------

// Windows gives the keyboard to the window that comes to the front. Under
// Wine the X window of a window that a window manager manages (every
// full-screen one) gets the keys only when the window manager hands them
// over, and a window manager does not always do that for a window that maps
// itself over the screen. A window that no window manager manages takes the
// X keyboard when it gets the focus. So the lock shows such a window, one
// pixel in the corner of its screen with an empty shape, gives it the focus
// and takes the focus back at once: the X keyboard stays with the small
// window, and the keys typed there come to the window in front, the locked
// one. Done at every guard tick for the first second, while a window manager
// settles the new window, then every half second, and after every click
// again for a second (fvwm moves the X focus at a click).
void ScreenLock::CreateKeyWindow() {
  if (!RunningUnderWine() || keyWindow_ != nullptr) return;
  const wzrv::ScreenArea area = LockedArea();
  keyWindow_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, KeyClassName, "", WS_POPUP, area.left, area.top, 1,
                               1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (keyWindow_ == nullptr) return;
  SetWindowLongPtrA(keyWindow_, 0, reinterpret_cast<LONG_PTR>(this));
  ShapeToNothing(keyWindow_);
}

void ScreenLock::ShowKeyWindow() {
  CreateKeyWindow();
  if (keyWindow_ == nullptr) return;
  const wzrv::ScreenArea area = LockedArea();
  SetWindowPos(keyWindow_, HWND_TOPMOST, area.left, area.top, 1, 1, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  keyboardTakes_ = 0;
  TakeKeyboard();
}

void ScreenLock::HideKeyWindow() {
  if (keyWindow_ == nullptr) return;
  SetWindowPos(keyWindow_, nullptr, 0, 0, 0, 0, HideOnly);
}

void ScreenLock::TakeKeyboard() {
  ++keyboardTakes_;
  FocusKeyWindow();
}

void ScreenLock::TakeKeyboardSoonAgain() {
  keyboardAgain_ = KeyboardAgainTakes;
  SetTimer(window_, KeyboardTimer, KeyboardAgainPeriod, nullptr);
}

void ScreenLock::FocusKeyWindow() {
  if (keyWindow_ == nullptr || !IsWindowVisible(keyWindow_) || IsIconic(window_)) return;
  // Wine dates its X focus request with the time of the last message taken
  // from the queue, and the X server ignores a request older than the last
  // focus change (a window manager's at a click, say): a message posted and
  // taken at once makes that time now.
  MSG msg;
  if (PostMessageA(window_, FreshTimeMessage, 0, 0)) {
    PeekMessageA(&msg, window_, FreshTimeMessage, FreshTimeMessage, PM_REMOVE);
  }
  SetFocus(keyWindow_);
  SetForegroundWindow(window_);
  SetFocus(window_);
}

// A key that reaches the small window goes on to the locked window.
LRESULT CALLBACK ScreenLock::KeyWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<ScreenLock*>(GetWindowLongPtrA(hwnd, 0));
  if (message == WM_CHAR && self != nullptr) {
    PostMessageA(self->window_, message, wParam, lParam);
    return 0;
  }
  if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

// ---- The guard -----------------------------------------------------------------------------

void ScreenLock::StartGuard() {
  screenMisses_ = 0;
  screenBlind_ = false;
  resizedBefore_ = false;
  raisedBefore_ = false;
  ticks_ = 0;
  quietUntil_ = GetTickCount() + FirstPictureDelay;
  pauseUntil_ = GetTickCount();
  // Under Wine a window manager's iconify reaches a window as SC_MINIMIZE
  // only when it has a minimise box: while locked it has one.
  SetWindowLongPtrA(window_, GWL_STYLE, GetWindowLongPtrA(window_, GWL_STYLE) | WS_MINIMIZEBOX);
  ArmGuard(GuardPeriod);
  StartHook();
}

void ScreenLock::StopGuard() {
  SetWindowLongPtrA(window_, GWL_STYLE, GetWindowLongPtrA(window_, GWL_STYLE) & ~LONG_PTR{WS_MINIMIZEBOX});
  KillTimer(window_, GuardTimer);
  KillTimer(window_, KeyboardTimer);
  StopHook();
}

// The guard's one timer: every GuardPeriod, or sooner after a way of
// covering, to look at its effect.
void ScreenLock::ArmGuard(UINT millis) { SetTimer(window_, GuardTimer, millis, nullptr); }

void ScreenLock::Guard() {
  ArmGuard(GuardPeriod);
  ++ticks_;
  // Not every system tells a program of a change of monitors that another
  // program made (Wine does not).
  if (!(LockedArea() == coveredArea_)) CoverNewScreen();
  if (keyboardTakes_ < EagerKeyboardTakes || ticks_ % KeyboardEveryTicks == 0) TakeKeyboard();
  if (OffItsPlace()) {
    CoverBy(wzrv::Cover::Restore, "minimised or hidden");
    return;
  }
  // A window manager may still answer the lock's last change of size with an
  // earlier one (fvwm, now and then, left the window a line short).
  RECT now;
  const RECT want = AsRect(coveredArea_);
  const bool resized = GetWindowRect(window_, &now) && !EqualRect(&now, &want);
  const bool afterRaise = std::exchange(raisedBefore_, false);
  if (resized) {
    wzrv::Trace("cover again %ld %ld %ld %ld", now.left, now.top, now.right, now.bottom);
    // Framed after a raise, or still at another size a tick after the mend:
    // the window manager holds it so, and only a new map gives it the whole
    // screen again, whatever the screen shows.
    if (!Before(quietUntil_) && wzrv::MapAnewForSize(resizedBefore_, afterRaise, KnownHideCost())) {
      CoverBy(wzrv::Cover::MapAnew, afterRaise ? "framed after a raise" : "held at another size");
      return;
    }
    SetWindowPos(window_, HWND_TOPMOST, want.left, want.top, want.right - want.left, want.bottom - want.top,
                 SWP_NOACTIVATE);
  }
  resizedBefore_ = resized;
  if (WindowAboveLock()) Raise("window above");
  if (Before(quietUntil_)) return;
  int checked = 0;
  const int off = PointsOffTheLock(&checked);
  if (off == 0) {
    screenMisses_ = 0;
    return;
  }
  if (screenBlind_) {
    // Raises only, now and then: they change nothing that can be seen.
    if (!Before(pauseUntil_)) {
      Raise("screen");
      pauseUntil_ = GetTickCount() + wzrv::CoverSettleMillis(wzrv::Cover::GiveUp);
    }
    return;
  }
  // No point shows the lock: it is off the screen (unmapped, on another
  // workspace), not below a window, and a raise does not bring it back.
  if (off == checked && screenMisses_ == 0) screenMisses_ = 1;
  CoverBy(wzrv::CoverForMiss(++screenMisses_, KnownHideCost(), resized), "screen");
}

bool ScreenLock::OffItsPlace() const { return IsIconic(window_) || !IsWindowVisible(window_); }

// Another visible top-level window over the locked area, above the lock in
// the window order (another program's topmost window or box).
bool ScreenLock::WindowAboveLock() const {
  const RECT area = AsRect(coveredArea_);
  for (HWND w = GetWindow(window_, GW_HWNDPREV); w != nullptr; w = GetWindow(w, GW_HWNDPREV)) {
    if (w == keyWindow_ || !IsWindowVisible(w)) continue;
    RECT r, common;
    if (GetWindowRect(w, &r) && IntersectRect(&common, &r, &area)) return true;
  }
  return false;
}

// How many of a 5 x 5 grid of points (`checked` of them on the screen) do not
// show the locked picture (black, without one). What another program's window
// (an X client under Wine) shows above the lock, or an unmapped window, shows
// here as other pixels. None on a palette display, whose colours do not come
// back exactly.
int ScreenLock::PointsOffTheLock(int* checked) const {
  *checked = 0;
  const wzrv::WindowDC screen(nullptr);
  if (screen == nullptr || (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0) return 0;
  int off = 0;
  const wzrv::ScreenArea& a = picture_.bits != nullptr ? picture_.area : coveredArea_;
  const RECT covered = AsRect(coveredArea_);
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 5; ++j) {
      const POINT p{a.left + a.width * (2 * i + 1) / 10, a.top + a.height * (2 * j + 1) / 10};
      if (!PtInRect(&covered, p) || MonitorFromPoint(p, MONITOR_DEFAULTTONULL) == nullptr) continue;
      const COLORREF shown = GetPixel(screen, p.x, p.y);
      std::uint32_t want = 0;
      if (picture_.bits != nullptr) {
        want = picture_.bits[static_cast<std::size_t>(p.y - a.top) * static_cast<std::size_t>(a.width) +
                             static_cast<std::size_t>(p.x - a.left)];
      }
      if (shown == CLR_INVALID) continue;
      ++*checked;
      if (shown != RGB(want >> 16 & 0xFF, want >> 8 & 0xFF, want & 0xFF)) ++off;
    }
  }
  return off;
}

// ---- The keyboard hook ---------------------------------------------------------------------

// The hook lives on a thread of its own that does nothing but answer it, so
// that the system never finds it slow (Windows removes a low-level hook that
// does not answer in time, silently and for good). The thread is made with
// the window and lives as long as the lock: a lock and an unlock only ask it
// to set and take off the hook, and wait for neither (a thread's start and
// end cost milliseconds under Wine, between the lock's paint and the screen).
void ScreenLock::StartHookThread() {
  if (hookThread_ != nullptr) return;
  hookLockWindow = window_;
  hookKeyWindow = keyWindow_;
  hookChange = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (hookChange == nullptr) return;
  hookThread_ = CreateThread(nullptr, 0, HookThread, nullptr, 0, nullptr);
  if (hookThread_ == nullptr) wzrv::Trace("lock: no keyboard thread (%lu)", GetLastError());
}

void ScreenLock::EndHookThread() {
  StopHook();
  if (hookThread_ != nullptr) {
    InterlockedExchange(&hookWanted, HookEnd);
    SetEvent(hookChange);
    if (WaitForSingleObject(hookThread_, 2000) != WAIT_OBJECT_0) wzrv::Trace("lock: the keyboard thread did not end");
    CloseHandle(hookThread_);
    hookThread_ = nullptr;
  }
  if (hookChange != nullptr) CloseHandle(hookChange);
  hookChange = nullptr;
}

void ScreenLock::StartHook() {
  InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&hookKeyWindow), keyWindow_);
  InterlockedExchange(&hookCapsLock, (GetKeyState(VK_CAPITAL) & 1) != 0 ? 1 : 0);
  InterlockedExchange(&hookLocked, 1);
  InterlockedExchange(&hookWanted, HookOn);
  if (hookChange != nullptr) SetEvent(hookChange);
}

void ScreenLock::StopHook() {
  InterlockedExchange(&hookLocked, 0);
  InterlockedExchange(&hookWanted, HookOff);
  if (hookChange != nullptr) SetEvent(hookChange);
}

DWORD WINAPI ScreenLock::HookThread(LPVOID) {
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjects(1, &hookChange, FALSE, INFINITE, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) {
      const LONG wanted = InterlockedCompareExchange(&hookWanted, HookOff, HookOff);
      if (wanted == HookEnd) break;
      if (wanted == HookOn) {
        // Afresh at every lock, also where a lock came so soon after the
        // unlock that the hook was never taken off: the keys let up while
        // unlocked were not noted.
        hookModifiers.Reset(InterlockedCompareExchange(&hookCapsLock, 0, 0) != 0);
        if (keyboardHook == nullptr) {
          keyboardHook = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHookProc, GetModuleHandleA(nullptr), 0);
          if (keyboardHook == nullptr) wzrv::Trace("lock: no keyboard hook (%lu)", GetLastError());
        }
      } else if (wanted == HookOff && keyboardHook != nullptr) {
        UnhookWindowsHookEx(keyboardHook);
        keyboardHook = nullptr;
      }
    } else if (woken == WAIT_FAILED) {
      break;
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  if (keyboardHook != nullptr) UnhookWindowsHookEx(keyboardHook);
  keyboardHook = nullptr;
  return 0;
}

// The keys while locked. With the lock in front they go their usual way (as
// WM_CHAR to the window); with another window in front they are the lock's
// all the same: posted to it as characters, in the order typed, and kept
// from that window.
LRESULT CALLBACK ScreenLock::KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code != HC_ACTION || InterlockedCompareExchange(&hookLocked, 0, 0) == 0) {
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  const bool down = wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
  const bool modifier = hookModifiers.Note(key->vkCode, down);
  const bool alt = (key->flags & LLKHF_ALTDOWN) != 0 || hookModifiers.Alt();
  const bool control = hookModifiers.Control() || (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0;
  if (wzrv::SwitchesAway(key->vkCode, alt, control)) return 1;
  const HWND front = GetForegroundWindow();
  if (front == hookLockWindow || (front != nullptr && front == hookKeyWindow)) {
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  if (down && !modifier) {
    char chars[16];
    const int n = KeyCharacters(*key, front, chars, sizeof chars);
    for (int i = 0; i < n; ++i) PostMessageA(hookLockWindow, WM_CHAR, static_cast<unsigned char>(chars[i]), 0);
  }
  if (down) PostMessageA(hookLockWindow, GuardMessage, CheckNow, 0);
  return 1;
}
