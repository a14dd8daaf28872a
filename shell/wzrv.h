// The Win32 main window: process entry, window class, construction,
// system menu, dispatch and the lock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "lock/screenlock.h"
#include "shell/screen_core.h"
#include "shell/wzrv_core.h"

class AboutDialog;
class PasswordDialog;
class AppPalette;
class SoundEffect;

class Main {
 public:
  static HINSTANCE hInstance;
  static HINSTANCE hPrevInstance;
  static int nCmdShow;
  static int MessageLoop();
};

class Window {
 public:
  virtual ~Window() = default;
  virtual LRESULT WndProc(UINT iMessage, WPARAM wParam, LPARAM lParam) = 0;

  HWND GetHandle() { return hWnd; }
  int Show(int nCmdShow) { return ShowWindow(hWnd, nCmdShow); }
  void Update() { UpdateWindow(hWnd); }

  HWND hWnd = nullptr;
};

class MainWindow : public Window, public wzrv::MainWindowBase {
 public:
  static char szClassName[20];

  // With SO_Preview the window covers `previewParent`'s client area (its
  // child; under Wine a window it owns).
  explicit MainWindow(int option, HWND previewParent = nullptr);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  static void Register();
  LRESULT WndProc(UINT iMessage, WPARAM wParam, LPARAM lParam) override;

  // Pattern build and its cache file.
  void InitializeFile();
  void TerminateFile();
  void CreateZRV1();
  void CreateZRV2();
  void CreateZRV3();
  void DeleteBitmap();
  // Frame bitmaps: the canvas header, a frame from the canvas, the cache.
  BITMAPINFO* CreateDIB();
  void DIBToBitmap(BITMAPINFO* dibinfo, unsigned char* dib, HDC dc, HBITMAP bitmap, int w, int h);
  HBITMAP LoadBitmapA();
  void SaveBitmap(HBITMAP bitmap);

  // One field animation around (x, y) in client coordinates.
  void PlayBitmapAnimation(int x, int y, int anipattern, int wait, int delay);

  // The dialog wrappers live as long as the window object; the palette and
  // the sound table go with the window (WM_DESTROY).
  std::unique_ptr<AboutDialog> aboutDialog;
  std::unique_ptr<PasswordDialog> passwordDialog;
  std::unique_ptr<AppPalette> appPalette;
  std::unique_ptr<SoundEffect> soundEffect;

  // True while the constructor builds the patterns: a notice box shown then
  // runs its own message loop, and a lock asked for meanwhile waits for the
  // build to finish (the fields do not exist before).
  bool building = false;
  bool lockPending = false;
  // Set once the window is destroyed. A Close chosen while a notice of the
  // build is open destroys it before the build has ended: the build then
  // draws without the window, and the constructor ends the program.
  bool windowGone = false;
  // True while a field plays: the messages sent meanwhile are answered, and
  // a click among them waits for the field's end.
  bool animating = false;

  // The lock: its state, picture, guard and keys (lock/screenlock.h).
  ScreenLock screenLock;

  FILE* LoadFP = nullptr;
  FILE* SaveFP = nullptr;

 protected:
  void Unlock() override;
  void CopyCanvas(const void* dibinfo, const unsigned char* dib, void* dc, wzrv::BitmapHandle bitmap, int w,
                  int h) override;
  void SaveFrame(wzrv::BitmapHandle bitmap) override;

 private:
  void EditSystemMenu();
  // A lock, with the reminder or without (-o, the saver); declined where
  // another lock of the program holds the screen.
  void Lock(bool withReminder);
  void Impact(LPARAM lParam);
  void OnDestroy();
  // Another program (the saver's settings, another copy's dialog) stored the
  // section: the colours, sounds and password are read again; the password
  // of a lock that holds only after its unlock.
  void ReadSettingsAgain();
  bool passwordStale = false;
  std::string storedPassword;  // the password as last read from or written to the profile

  // The preview of the screen saver (saver_win32.cpp): the fields at random
  // points of a picture of the screen's size, shown scaled down.
  HWND previewParent = nullptr;
  bool previewFloating = false;  // an owned window over the parent, not its child
  HBITMAP previewCanvas = nullptr;
  wzrv::ScreenArea previewArea;
  wzrv::ImpactPlan previewPlan{};
  int previewX = 0, previewY = 0, previewStep = 0, previewSteps = 0;
  static constexpr UINT_PTR PreviewTimer = 4;
  void StartPreview();
  void PreviewStep();
  void PaintPreview(HDC dc);
  LRESULT PreviewWndProc(UINT iMessage, WPARAM wParam, LPARAM lParam);
};

// The program started as a screen saver (its file is a .scr).
int RunSaver(const char* cmdline);

// Draws one monochrome frame at (x, y) plus its offset: the 1 bits in
// `fcolor`, the 0 bits leave the picture as it is.
void DrawFieldEntry(HDC dc, HDC bitdc, int x, int y, const wzrv::BitmapAnimation& e, COLORREF fcolor);

// A frame handle of the pattern tables as a GDI bitmap.
inline HBITMAP AsBitmap(wzrv::BitmapHandle h) { return reinterpret_cast<HBITMAP>(h); }

// The class's window procedure: binds the object on WM_CREATE and forwards.
extern "C" __declspec(dllexport) LRESULT CALLBACK WndProc(HWND hWnd, UINT iMessage, WPARAM wParam,
                                                          LPARAM lParam);
