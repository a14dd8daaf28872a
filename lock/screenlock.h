// The screen lock on Win32: the one lock state, the picture the locked
// window shows, the window's place over the screen, the small window that
// holds the keyboard under Wine, the guard that keeps the screen covered, and
// the keyboard hook on a thread of its own. The main window hands it the
// messages that concern the lock and asks it whether the screen is locked.
#pragma once

#include <windows.h>


#include "lock/lock_core.h"
#include "lock/picture_win32.h"
#include "shell/screen_core.h"

class ScreenLock {
 public:
  static const char KeyClassName[];
  static void Register(HINSTANCE instance);  // the key window's class
  // What the locked window covers: every monitor, the virtual screen.
  static wzrv::ScreenArea LockedArea();
  static bool RunningUnderWine();

  ScreenLock() = default;
  ~ScreenLock();
  ScreenLock(const ScreenLock&) = delete;
  ScreenLock& operator=(const ScreenLock&) = delete;

  // The window that covers the screen while locked (created minimised);
  // `locks` is false for a window that never locks (the saver's preview).
  void Attach(HWND window, bool locks);

  wzrv::LockState State() const { return state_; }
  // Locked or being unlocked: the window covers the screen.
  bool Covering() const { return state_ == wzrv::LockState::Locked || state_ == wzrv::LockState::Unlocking; }
  // Whether a quit message ends the message loop now (the loop asks): not
  // while the screen is locked, whoever posted it.
  static bool QuitEndsLoop();

  // A lock request: false where it is declined (a lock is already being
  // made or holds, or another lock of the program holds the screen).
  // Without the reminder the screen is covered at once. With it, the caller
  // shows the box inside a ReminderWatch, then calls Cover; the picture is
  // taken while the box shows itself and stands.
  bool Begin(bool withReminder);
  // The reminder was answered: the window over the screen with the picture,
  // the guard and the keys. The ReminderWatch calls it the moment the box
  // is answered; afterwards it does nothing.
  void Cover();
  void NoteBox(const wzrv::ScreenArea& area);     // where the reminder stands
  void BoxShowing(const wzrv::ScreenArea& area);  // the reminder is about to show itself there
  // The password: uncovers the screen, stops the guard and the hook, and
  // gives up the screen; false where nothing is locked. Afterwards the window
  // is still restored, hidden under a window manager (ParkMinimised, or the
  // saver's end).
  bool Uncover();
  // The session ends: the lock ends with it.
  void EndSession();

  // While it lives, the first box this thread makes is watched: the places
  // it takes are noted (the picture shows the desktop from before it there),
  // and its answer covers the screen.
  class ReminderWatch {
   public:
    explicit ReminderWatch(ScreenLock* lock);
    ~ReminderWatch();
    ReminderWatch(const ReminderWatch&) = delete;
    ReminderWatch& operator=(const ReminderWatch&) = delete;
  };

  // The lock's messages (timers, the guard's own, paint, show changes,
  // iconify, monitors): true when taken, with what the window returns.
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  // A field is about to play, and has played: the keyboard taken back, and
  // no screen check while its last steps reach the screen.
  void BeforeImpact();
  void AfterImpact();

  // The window leaves the screen after an unlock under Wine (see the .cpp);
  // it may wait two seconds where it is not yet known whether a window
  // manager runs.
  void ParkMinimised();
  bool ParkMayWait();

 private:
  bool TakePicture();
  void RefreshPicture();
  void Paint(HDC dc, const RECT& area);

  wzrv::LockAction Apply(wzrv::LockEvent event);
  void CoverScreen();
  bool TakeScreen();
  void GiveScreenBack();

  // The ways of covering (wzrv::Cover), and the first, plain one.
  void ShowOverScreen();
  void PlaceOverScreen();
  void ShapeBack();
  void CoverNewScreen();
  void Raise(const char* why);
  void RestoreWindow(const char* why);
  void MapAnew(const char* why);
  void CoverBy(wzrv::Cover cover, const char* why);

  void CreateKeyWindow();
  void ShowKeyWindow();
  void HideKeyWindow();
  void TakeKeyboard();
  void FocusKeyWindow();
  void TakeKeyboardSoonAgain();
  static LRESULT CALLBACK KeyWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  void StartGuard();
  void StopGuard();
  void ArmGuard(UINT millis);
  void Guard();
  bool WindowAboveLock() const;
  int PointsOffTheLock(int* checked) const;
  bool OffItsPlace() const;
  wzrv::HideCost KnownHideCost();
  static DWORD WINAPI HideCostThread(LPVOID);

  void StartHookThread();
  void EndHookThread();
  void StartHook();
  void StopHook();
  static DWORD WINAPI HookThread(LPVOID);
  static LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam);

  static ScreenLock* active;  // the process's lock (one window locks)
  HWND window_ = nullptr;
  wzrv::LockState state_ = wzrv::LockState::Unlocked;
  bool withReminder_ = false;
  HANDLE screenClaim_ = nullptr;  // the program's one lock on the screen, owned while it holds
  bool claimed_ = false;

  ScreenCopy picture_;             // the screen as it was when the lock began
  ScreenCopy before_;              // the screen before the reminder, where filled
  wzrv::ScreenArea beforeFilled_;  // where the box showed
  wzrv::BandedCopy refresh_;       // the rest, while the box stands
  bool settleBefore_ = false;      // a menu had just closed at the lock command
  wzrv::ScreenArea boxArea_;       // where the reminder was
  wzrv::ScreenArea coveredArea_;

  HWND keyWindow_ = nullptr;
  int keyboardTakes_ = 0;
  int keyboardAgain_ = 0;  // takes left after a way of covering

  int screenMisses_ = 0;
  bool screenBlind_ = false;
  bool resizedBefore_ = false;  // at another size at the last tick
  bool raisedBefore_ = false;   // raised since the last tick
  DWORD pauseUntil_ = 0;  // no raise by a blind check before this tick
  DWORD quietUntil_ = 0;  // no screen check before this tick
  int ticks_ = 0;         // guard ticks since the lock
  wzrv::HideCost hideCost_ = wzrv::HideCost::Unknown;
  // Left full size and shaped to nothing at the unlock, without a window
  // manager: the next lock gives it its shape back.
  bool shapedAway_ = false;
  bool menuClosed_ = false;  // the window's menu closed at menuClosedAt_
  DWORD menuClosedAt_ = 0;

  HANDLE hookThread_ = nullptr;
};
