#include "shell/wzrv.h"

#include <cstring>

#include "palette/appaldlg.h"
#include "shell/options.h"
#include "shell/wzrvdlg.h"
#include "sound/sndefect.h"

HINSTANCE Main::hInstance = nullptr;
HINSTANCE Main::hPrevInstance = nullptr;
int Main::nCmdShow = 0;

char MainWindow::szClassName[20] = "Windows Z.R.V";

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
  wc.cbWndExtra = sizeof(MainWindow*);
  wc.hInstance = Main::hInstance;
  wc.hIcon = LoadIconA(Main::hInstance, "wzrv");
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = szClassName;
  if (!RegisterClassA(&wc)) ExitProcess(0);
}

MainWindow::MainWindow(int option) {
  // 1. Nothing owned exists yet; messages sent during creation find null.
  StartOption = option;
  appPalette = nullptr;
  soundEffect = nullptr;

  // 2-3. A topmost popup as large as the desktop, created minimised.
  RECT desk;
  GetWindowRect(GetDesktopWindow(), &desk);
  DWORD exStyle = WS_EX_TOPMOST;
  if (option & wzrv::SO_Transparent) exStyle |= WS_EX_TRANSPARENT;
  hWnd = CreateWindowExA(exStyle, szClassName, szClassName,
                         WS_POPUP | WS_MINIMIZE | WS_VISIBLE | WS_SYSMENU, 0, 0,
                         desk.right - desk.left, desk.bottom - desk.top, nullptr, nullptr,
                         Main::hInstance, this);
  if (hWnd == nullptr) ExitProcess(0);

  // 4-6. Dialog wrappers, palette and sound table.
  aboutDialog = new AboutDialog(Main::hInstance, hWnd);
  passwordDialog = new PasswordDialog(Main::hInstance, hWnd);
  PaletteSet* sets = new PaletteSet[3];
  for (int i = 0; i < 3; ++i) {
    sets[i].PaletteName = ColorNames[i];
    sets[i].r = DefColors[i][0];
    sets[i].g = DefColors[i][1];
    sets[i].b = DefColors[i][2];
  }
  appPalette = new AppPalette(Main::hInstance, hWnd, wzrv::SectionName, sets, 3);
  soundEffect = new SoundEffect(Main::hInstance, hWnd, wzrv::SectionName, SoundNames, 5);

  // 7. Nothing typed yet.
  ResetInput();

  // 8. The password, written straight back so that the key exists.
  GetProfileStringA(wzrv::SectionName, wzrv::KeyDefaultPassword, "", Password,
                    sizeof(Password));
  WriteProfileStringA(wzrv::SectionName, wzrv::KeyDefaultPassword, Password);

  // 9-10. System menu, then shown minimised.
  EditSystemMenu();
  ShowWindow(hWnd, SW_SHOWMINIMIZED);
  UpdateWindow(hWnd);

  // 11-13. The pattern build, under the wait cursor.
  HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  BitmapCount = 0;
  InitializeFile();
  CreateZRV1();
  CreateZRV2();
  CreateZRV3();
  TerminateFile();
  SetCursor(previous);
  UpdateWindow(hWnd);

  // 14. Started locked: no reminder and no lock sound.
  if (StartOption & wzrv::SO_LockAtStart) {
    if (appPalette != nullptr) appPalette->Realize();
    ShowWindow(hWnd, SW_RESTORE);
  }
}

void MainWindow::EditSystemMenu() {
  HMENU menu = GetSystemMenu(hWnd, FALSE);
  for (unsigned command : wzrv::SystemMenuRemoved) DeleteMenu(menu, command, MF_BYCOMMAND);
  for (int i = 0; i < wzrv::SystemMenuItemCount; ++i) {
    InsertMenuA(menu, i, MF_BYPOSITION | MF_STRING, wzrv::SystemMenuItems[i].command,
                wzrv::SystemMenuItems[i].text);
  }
  InsertMenuA(menu, wzrv::SystemMenuItemCount, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
  DrawMenuBar(hWnd);
}

long MainWindow::WndProc(UINT iMessage, WPARAM wParam, LPARAM lParam) {
  const bool iconic = IsIconic(hWnd) != FALSE;
  const wzrv::Decision d = wzrv::Dispatch(iMessage, static_cast<unsigned>(wParam), iconic,
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
      }
      break;
    case wzrv::Action::About:
      aboutDialog->Execute();
      break;
    case wzrv::Action::Lock:
      Lock();
      break;
    case wzrv::Action::SoundDialog:
      soundEffect->ChangeDialog();
      break;
    case wzrv::Action::ColorDialog:
      appPalette->ChangeDialog();
      break;
    case wzrv::Action::Impact:
      Impact(lParam);
      break;
    case wzrv::Action::Realize:
      if (appPalette != nullptr) appPalette->Realize();
      break;
    case wzrv::Action::Default:
      return DefWindowProcA(hWnd, iMessage, wParam, lParam);
  }
  return d.result;
}

void MainWindow::Lock() {
  char buff[wzrv::ReminderSize];
  wzrv::ComposeReminder(Password, buff);
  MessageBoxA(hWnd, buff, wzrv::ReminderCaption, MB_OK);
  ResetInput();
  ShowWindow(hWnd, SW_RESTORE);
  soundEffect->PlaySoundA(3);
}

void MainWindow::Unlock() {
  ShowWindow(hWnd, SW_SHOWMINIMIZED);
  soundEffect->PlaySoundA(4);
}

void MainWindow::Impact(LPARAM lParam) {
  const wzrv::ImpactPlan plan = wzrv::ChooseImpact();
  int x, y;
  wzrv::ImpactPoint(static_cast<unsigned long>(lParam), &x, &y);
  soundEffect->PlaySoundA(plan.slot);
  PlayBitmapAnimation(x, y, plan.anipattern, plan.wait, plan.delay);
}

void MainWindow::OnDestroy() {
  PostQuitMessage(0);
  DeleteBitmap();
  if (appPalette != nullptr) {
    delete appPalette;
    appPalette = nullptr;
  }
  if (soundEffect != nullptr) {
    delete soundEffect;
    soundEffect = nullptr;
  }
}

extern "C" LRESULT CALLBACK WndProc(HWND hWnd, UINT iMessage, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongA(hWnd, 0));
  if (self != nullptr) return self->WndProc(iMessage, wParam, lParam);
  if (iMessage == WM_CREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    self = static_cast<MainWindow*>(cs->lpCreateParams);
    SetWindowLongA(hWnd, 0, reinterpret_cast<LONG>(self));
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
  const int option = wzrv::ScanOptions(lpszCmdLine);
  MainWindow mainWindow(option);
  return Main::MessageLoop();
}
