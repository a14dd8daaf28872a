// The Win32 main window: process entry, window class, construction,
// system menu, dispatch and the lock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>

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
  static const char KeyClassName[];

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

  HBITMAP snapshot = nullptr;  // picture of the screen while locked
  std::uint32_t* snapshotBits = nullptr;
  wzrv::ScreenArea snapshotArea;  // what it shows: the locked window's area
  wzrv::ScreenArea coveredArea;   // the screen the locked window was given
  static constexpr UINT_PTR ScreenCheckTimer = 1;
  // The small window that holds the keyboard for the locked one, and the
  // timer that hands the keyboard to it again while the lock settles.
  HWND keyWindow = nullptr;
  static constexpr UINT_PTR KeyboardTimer = 2;
  static constexpr UINT FreshTimeMessage = WM_APP + 1;
  int keyboardTakes = 0;
  // The guard that keeps the locked screen covered and its keys (guard_win32.cpp).
  static constexpr UINT_PTR GuardTimer = 3;
  static constexpr UINT GuardMessage = WM_APP + 2;  // wParam 1: cover again at once
  bool guarding = false;
  HHOOK keyboardHook = nullptr;
  int screenMisses = 0;      // checks in a row that found the screen not showing the lock
  bool screenBlind = false;  // the screen as read here does not show the lock, whatever is done
  DWORD pauseUntil = 0;      // no raise by a blind check before this tick
  DWORD quietUntil = 0;      // no screen check before this tick (a field just played)
  enum class Remap { Unknown, Fast, Slow };
  Remap hideShow = Remap::Unknown;  // what a hide and show of the window costs here

  FILE* LoadFP = nullptr;
  FILE* SaveFP = nullptr;

 protected:
  void Unlock() override;
  void CopyCanvas(const void* dibinfo, const unsigned char* dib, void* dc, wzrv::BitmapHandle bitmap, int w,
                  int h) override;
  void SaveFrame(wzrv::BitmapHandle bitmap) override;

 private:
  void EditSystemMenu();
  void Lock();
  // The locked window shows the screen as it was when the lock began.
  struct Picture {
    HBITMAP bitmap = nullptr;
    std::uint32_t* bits = nullptr;
    wzrv::ScreenArea area;
  };
  static Picture NewPicture(const wzrv::ScreenArea& area);
  static Picture CaptureScreen(const wzrv::ScreenArea& area);
  static Picture CaptureSettled(const wzrv::ScreenArea& area);
  // Takes the picture; where a box was (boxArea), it shows `before`.
  void TakeSnapshot(const Picture* before, const wzrv::ScreenArea& boxArea);
  void ReleaseSnapshot();
  void PaintSnapshot(HDC dc, const RECT& area);
  void CoverNewScreen();
  // While it lives, the union of every place a box of this thread takes.
  class BoxWatch {
   public:
    explicit BoxWatch(wzrv::ScreenArea* area);
    ~BoxWatch();
    BoxWatch(const BoxWatch&) = delete;
    BoxWatch& operator=(const BoxWatch&) = delete;
  };
  void RestoreLocked();
  static LRESULT CALLBACK KeyWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void ShowKeyWindow();
  void TakeKeyboard();
  void HideKeyWindow();
  void KeepCovering();
  void StartGuard();
  void StopGuard();
  void Guard();
  void RaiseLock(const char* why);
  void CoverAgain(const char* why);
  void MapAnew(const char* why);
  bool WindowAboveLock() const;
  bool ScreenShowsLock() const;
  bool GuardMessageFilter(UINT iMessage, WPARAM wParam);
  static LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam);
  void Impact(LPARAM lParam);
  void OnDestroy();

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
