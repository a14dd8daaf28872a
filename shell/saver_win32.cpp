// The program as a Windows screen saver: its file renamed to *.scr, Windows
// starts it with /s after the idle time, with /c (or nothing) for its
// settings, with /p HWND inside the control panel's little monitor, and with
// /a HWND to change the password.
#include <cstdint>
#include <vector>

#include "palette/appaldlg.h"
#include "pattern/random.h"
#include "base/trace.h"
#include "resources/resource.h"
#include "shell/options.h"
#include "shell/wzrv.h"
#include "shell/wzrvdlg.h"
#include "sound/sndefect.h"
#include "storage/playback_core.h"
#include "base/gdi_win32.h"  // last: counts GDI objects in a test build

namespace {

// One saver at a time; wzrv.exe does not take part.
constexpr char SaverMutexName[] = "Windows Z.R.V screen saver";

// The preview's pace: a step at most this often, and a pause between fields.
constexpr UINT PreviewStepMillis = 40;
constexpr int PreviewPauseSteps = 8;

void ChangePassword(HWND owner) {
  char password[wzrv::MainWindowBase::PasswordSize];
  GetProfileStringA(wzrv::SectionName, wzrv::KeyDefaultPassword, "", password, sizeof password);
  PasswordDialog dialog(Main::hInstance, owner);
  if (dialog.Execute(password)) WriteProfileStringA(wzrv::SectionName, wzrv::KeyDefaultPassword, password);
}

// The settings: a button for each of the system menu's setting dialogs, each
// of which stores what it stores there.
INT_PTR CALLBACK SettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_SAVER_PASSWORD:
      ChangePassword(dialog);
      return TRUE;
    case IDC_SAVER_COLOR: {
      const std::vector<PaletteSet> sets = DefaultPaletteSets();
      AppPalette palette(Main::hInstance, dialog, wzrv::SectionName, sets.data(), static_cast<int>(sets.size()));
      palette.ChangeDialog();
      return TRUE;
    }
    case IDC_SAVER_SOUND: {
      SoundEffect sounds(Main::hInstance, dialog, wzrv::SectionName, SoundNames, SoundSlotCount);
      sounds.ChangeDialog();
      return TRUE;
    }
    case IDOK:
    case IDCANCEL:
      EndDialog(dialog, LOWORD(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

HWND GivenWindow(unsigned long long window) {
  const HWND hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
  return window != 0 && IsWindow(hwnd) ? hwnd : nullptr;
}

}  // namespace

int RunSaver(const char* cmdline) {
  const wzrv::SaverCommand command = wzrv::ScanSaverCommand(cmdline);
  switch (command.mode) {
    case wzrv::SaverMode::Run: {
      const HANDLE running = CreateMutexA(nullptr, TRUE, SaverMutexName);
      if (running == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) {
        wzrv::Trace("saver: one runs already");
        return 0;
      }
      wzrv::Trace("saver: run");
      MainWindow window(wzrv::SO_LockAtStart | wzrv::SO_Saver);
      const int status = Main::MessageLoop();
      ReleaseMutex(running);
      CloseHandle(running);
      return status;
    }
    case wzrv::SaverMode::Preview: {
      const HWND parent = GivenWindow(command.window);
      if (parent == nullptr) return 0;
      wzrv::Trace("saver: preview");
      MainWindow window(wzrv::SO_Preview, parent);
      return Main::MessageLoop();
    }
    case wzrv::SaverMode::Password:
      wzrv::Trace("saver: password");
      ChangePassword(GivenWindow(command.window));
      return 0;
    case wzrv::SaverMode::Settings:
      wzrv::Trace("saver: settings");
      DialogBoxParamW(Main::hInstance, L"" DLG_SAVER, GivenWindow(command.window), SettingsProc, 0);
      return 0;
  }
  return 0;
}

// ---- The preview -----------------------------------------------------------------------

void MainWindow::StartPreview() {
  // A picture of the virtual screen's size: the fields as large in it as on the screen.
  previewArea = wzrv::ScreenArea{0, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  HDC dc = GetDC(hWnd);
  if (dc != nullptr) {
    previewCanvas = CreateCompatibleBitmap(dc, previewArea.width, previewArea.height);
    ReleaseDC(hWnd, dc);
  }
  previewSteps = 0;
  previewStep = 0;
  SetTimer(hWnd, PreviewTimer, PreviewStepMillis, nullptr);
  RECT r{};
  GetWindowRect(hWnd, &r);
  wzrv::Trace("preview: %ldx%ld at %ld,%ld in %dx%d", r.right - r.left, r.bottom - r.top, r.left, r.top,
              previewArea.width, previewArea.height);
}

// One step: the parent still there and its size followed; a new field at a
// random point when the last one has played and paused; the step drawn over
// black and shown scaled down.
void MainWindow::PreviewStep() {
  if (!IsWindow(previewParent)) {
    DestroyWindow(hWnd);
    return;
  }
  // Over the parent's client area, as it moves and changes its size.
  RECT client{}, want{}, now{};
  GetClientRect(previewParent, &client);
  want = client;
  if (previewFloating) MapWindowPoints(previewParent, nullptr, reinterpret_cast<POINT*>(&want), 2);
  GetWindowRect(hWnd, &now);
  if (!previewFloating) MapWindowPoints(nullptr, previewParent, reinterpret_cast<POINT*>(&now), 2);
  if (!EqualRect(&want, &now)) {
    SetWindowPos(hWnd, nullptr, want.left, want.top, want.right - want.left, want.bottom - want.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (previewStep >= previewSteps + PreviewPauseSteps) {
    previewPlan = wzrv::ChooseImpact();
    previewX = previewArea.width > 0 ? wzrv::rand() % previewArea.width : 0;
    previewY = previewArea.height > 0 ? wzrv::rand() % previewArea.height : 0;
    int size = 0;
    const wzrv::BitmapAnimation* table = wzrv::TableFor(*this, previewPlan.anipattern, &size);
    previewSteps =
        table != nullptr ? wzrv::PlaybackPlan(table, size, previewX, previewY, previewPlan.delay).Steps() : 0;
    previewStep = 0;
    wzrv::Trace("preview: field %d at %d,%d, %d steps", previewPlan.anipattern, previewX, previewY, previewSteps);
  }
  HDC dc = GetDC(hWnd);
  if (dc == nullptr) return;
  PaintPreview(dc);
  ReleaseDC(hWnd, dc);
  ++previewStep;
}

void MainWindow::PaintPreview(HDC dc) {
  if (previewCanvas == nullptr) return;
  HDC canvas = CreateCompatibleDC(dc);
  HDC bitdc = CreateCompatibleDC(dc);
  if (canvas != nullptr && bitdc != nullptr) {
    HGDIOBJ keptCanvas = SelectObject(canvas, previewCanvas);
    HGDIOBJ keptBits = GetCurrentObject(bitdc, OBJ_BITMAP);
    PatBlt(canvas, 0, 0, previewArea.width, previewArea.height, BLACKNESS);
    int size = 0;
    const wzrv::BitmapAnimation* table = wzrv::TableFor(*this, previewPlan.anipattern, &size);
    if (table != nullptr && previewStep < previewSteps) {
      const COLORREF colour = appPalette != nullptr ? appPalette->GetRGB(previewPlan.anipattern) : RGB(255, 136, 0);
      const wzrv::PlaybackPlan plan(table, size, previewX, previewY, previewPlan.delay);
      for (int k : plan.Entries(previewStep)) DrawFieldEntry(canvas, bitdc, previewX, previewY, table[k], colour);
    }
    RECT client{};
    GetClientRect(hWnd, &client);
    // Every drawn pixel keeps its colour: no blending when scaled down.
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 0, 0, client.right, client.bottom, canvas, 0, 0, previewArea.width, previewArea.height, SRCCOPY);
    SelectObject(bitdc, keptBits);
    SelectObject(canvas, keptCanvas);
  }
  if (bitdc != nullptr) DeleteDC(bitdc);
  if (canvas != nullptr) DeleteDC(canvas);
}

LRESULT MainWindow::PreviewWndProc(UINT iMessage, WPARAM wParam, LPARAM lParam) {
  switch (iMessage) {
    case WM_TIMER:
      if (wParam == PreviewTimer) PreviewStep();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hWnd, &ps);
      if (dc != nullptr) PaintPreview(dc);
      EndPaint(hWnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_DESTROY:
      KillTimer(hWnd, PreviewTimer);
      OnDestroy();
      return 0;
    default:
      return DefWindowProcA(hWnd, iMessage, wParam, lParam);
  }
}
