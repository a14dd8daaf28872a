#include "shell/wzrv.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "palette/appaldlg.h"
#include "base/profile_win32.h"
#include "base/text_core.h"
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

// A quit that comes while the screen is locked, from anyone, is dropped: only
// the password ends a lock, and the program stays after it, as before the
// lock. Every other quit ends the loop.
int Main::MessageLoop() {
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == -1) return 0;
    if (got == 0) {
      if (ScreenLock::QuitEndsLoop()) break;
      wzrv::Trace("quit dropped: the screen is locked");
      continue;
    }
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
  ScreenLock::Register(Main::hInstance);
}

MainWindow::MainWindow(int option, HWND parent) {
  // Nothing owned exists yet: messages sent during creation find null.
  StartOption = option;

  const wzrv::ScreenArea area = ScreenLock::LockedArea();
  if (option & wzrv::SO_Preview) {
    // The saver's preview: a disabled child over the other window's client
    // area, which never takes the keyboard or activates itself. Wine shows
    // nothing that a child window draws when its parent belongs to another
    // process: there it is a window of its own owned by the other one, kept
    // over its client area.
    previewParent = parent;
    previewFloating = ScreenLock::RunningUnderWine();
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
  screenLock.Attach(hWnd, previewParent == nullptr);

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
  storedPassword = Password;

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
    Lock(false);
  } else if (lockPending) {
    Lock(true);
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
  LRESULT taken = 0;
  if (screenLock.HandleMessage(iMessage, wParam, lParam, &taken)) return taken;
  if (iMessage == WM_ENDSESSION && wParam != FALSE) screenLock.EndSession();
  if (iMessage == WM_WININICHANGE && !wzrv::AnnouncingProfile() &&
      wzrv::NamesProgramSection(reinterpret_cast<const char*>(lParam))) {
    ReadSettingsAgain();
  }
  // The dispatch's "minimised" is the lock's "not locked": the window's show
  // state follows the lock, never the reverse.
  const bool unlocked = screenLock.State() == wzrv::LockState::Unlocked;
  const wzrv::Decision d = wzrv::Dispatch(iMessage, static_cast<unsigned>(wParam), unlocked,
                                          reinterpret_cast<HWND>(wParam) == hWnd);
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
        storedPassword = Password;
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
        Lock(true);
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
      if (animating) {
        PostMessageA(hWnd, iMessage, wParam, lParam);  // sent during a field: after it
      } else if (!building) {
        Impact(lParam);
      }
      break;
    case wzrv::Action::Realize:
      if (appPalette != nullptr) appPalette->Realize();
      break;
    case wzrv::Action::PaintSnapshot:
    case wzrv::Action::EraseSnapshot:
    case wzrv::Action::DisplayChange:
    case wzrv::Action::LockTimer:
      break;  // the lock's own messages: ScreenLock::HandleMessage took them while it covers
    case wzrv::Action::Default:
      return DefWindowProcA(hWnd, iMessage, wParam, lParam);
  }
  return d.result;
}

void MainWindow::Lock(bool withReminder) {
  if (!screenLock.Begin(withReminder)) {
    // Another lock of the program holds the screen: a saver ends at once,
    // wzrv.exe stays as it is.
    if (StartOption & wzrv::SO_Saver) DestroyWindow(hWnd);
    return;
  }
  if (withReminder) {
    char buff[wzrv::ReminderSize];
    wzrv::ComposeReminder(Password, buff);
    const ScreenLock::ReminderWatch watch(&screenLock);
    // The program's words around the user's password, each read in its own code page.
    const wzrv::TextSpan password = wzrv::ReminderPasswordSpan(Password, buff);
    wzrv::MixedMessageBox(hWnd, buff, password.offset, password.length, wzrv::ReminderCaption, MB_OK);
  }
  ResetInput();
  if (withReminder) screenLock.Cover();
  WZRV_GDI_TRACE("lock");
  if (withReminder) soundEffect->PlaySoundA(3);
}

void MainWindow::ReadSettingsAgain() {
  wzrv::Trace("settings changed elsewhere: read again");
  if (appPalette != nullptr) {
    appPalette->LoadPaletteSetting();
    appPalette->AllSet();
  }
  if (soundEffect != nullptr) soundEffect->LoadSoundSetting();
  // A password set for this run only stays, unless another one was stored.
  char stored[PasswordSize];
  GetProfileStringA(wzrv::SectionName, wzrv::KeyDefaultPassword, "", stored, sizeof(stored));
  if (storedPassword == stored) return;
  storedPassword = stored;
  passwordStale = true;
  if (screenLock.State() == wzrv::LockState::Unlocked) {
    wzrv::CopyText(Password, sizeof(Password), stored);
    passwordStale = false;
  }
}

void MainWindow::Unlock() {
  if (!screenLock.Uncover()) return;
  if (passwordStale) {
    wzrv::CopyText(Password, sizeof(Password), storedPassword.c_str());
    passwordStale = false;
  }
  WZRV_GDI_TRACE("unlock");
  if (StartOption & wzrv::SO_Saver) {
    // The saver ends with the unlock: the screen uncovered, the sound heard
    // to its end, the window gone, and the process with status 0.
    if (!ScreenLock::RunningUnderWine()) ShowWindow(hWnd, SW_HIDE);
    soundEffect->PlaySoundToTheEnd(4);
    DestroyWindow(hWnd);
    return;
  }
  // Minimised, then the sound. Where the minimise may still have to find out
  // whether a window manager runs (two seconds without one), the sound first.
  const bool parkMayWait = screenLock.ParkMayWait();
  if (parkMayWait) soundEffect->PlaySoundA(4);
  screenLock.ParkMinimised();
  if (!parkMayWait) soundEffect->PlaySoundA(4);
}

void MainWindow::Impact(LPARAM lParam) {
  const wzrv::ImpactPlan plan = wzrv::ChooseImpact();
  int x, y;
  wzrv::ImpactPoint(static_cast<unsigned long>(lParam), &x, &y);
  soundEffect->PlaySoundA(plan.slot);
  screenLock.BeforeImpact();
  animating = true;
  PlayBitmapAnimation(x, y, plan.anipattern, plan.wait, plan.delay);
  animating = false;
  screenLock.AfterImpact();
  WZRV_GDI_TRACE("animation");
}

void MainWindow::OnDestroy() {
  PostQuitMessage(0);
  windowGone = true;
  if (!building) DeleteBitmap();  // else the build's end deletes every frame
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
