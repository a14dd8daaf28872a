// The screen lock without the platform: its one state, what each event does
// to it, the guard's ways of covering the screen again, and the keys the
// keyboard hook turns into characters. The Win32 part (screenlock.h) turns
// messages into events and actions into calls.
#pragma once

namespace wzrv {

// The only answer to "is the screen locked". Locking: the reminder is open,
// or the window is being put over the screen. Unlocking: the password was
// typed and the screen is being uncovered.
enum class LockState { Unlocked, Locking, Locked, Unlocking };

enum class LockEvent {
  Request,         // the lock command, or a restore of the window while unlocked
  RequestAtStart,  // a lock without the reminder (-o, the screen saver)
  ScreenTaken,     // this lock has the screen (no other lock of the program holds it)
  ScreenBusy,      // another lock of the program holds the screen
  ReminderClosed,  // the reminder was answered
  Password,        // Return with the password in the collected text
  Uncovered,       // the screen is uncovered again
  ShowChanged,     // the window was minimised, hidden, restored or shown, by anyone
  Quit,            // a quit message, from anyone
  EndSession,      // the session really ends
};

enum class LockAction {
  None,
  TakeScreen,    // claim the one lock on the screen, then ScreenTaken or ScreenBusy
  ShowReminder,  // the picture before it, then the box; ReminderClosed when answered
  Cover,         // the picture, the window over the screen, the guard, the keys
  Decline,       // another lock holds the screen: stay as before
  Uncover,       // stop guarding, uncover, release the screen; then Uncovered
  CoverAgain,    // the window left its place while locked: back over the screen
  Quit,          // end the message loop
};

struct LockStep {
  LockState next;
  LockAction action;
};

// What an event does in a state. `withReminder` tells whether the lock being
// made shows the reminder (it came by Request, not RequestAtStart). Nothing
// but the password ends a lock: while it is being made or holds, a quit is
// dropped and a change of the window's show state covers again; only the end
// of the session ends it.
LockStep LockTransition(LockState state, LockEvent event, bool withReminder);

const char* LockStateName(LockState state);

// ---- The guard -------------------------------------------------------------------------

// The ways of covering the screen again, weakest first.
enum class Cover {
  Raise,    // above every window again, with the keyboard
  Restore,  // minimised and restored: mapped again where it was unmapped or iconified
  MapAnew,  // hidden and shown: a window manager takes it as new, on the current workspace
  GiveUp,   // the screen as read here cannot show the lock: raises now and then only
};

// What a hide and show of the window costs here, once measured: without a
// window manager Wine waits two seconds in it.
enum class HideCost { Unknown, Fast, Slow };

// What a hide took, in milliseconds: longer than a second waited for a
// window manager that is not there.
HideCost HideCostOf(unsigned long millis);

// How the window goes over the screen at a lock and leaves it at the unlock.
enum class Placing {
  Plain,    // restored, and minimised (Windows)
  InPlace,  // under Wine, no window manager known to run: restored where the
            // minimised window stands, its X window sized anew; parked off
            // the screen, minimised, never hidden
  Anew,     // under Wine with a window manager: hidden first and shown as a
            // new window over the screen, hidden and shown minimised after
};
Placing PlacingFor(bool underWine, HideCost cost);

// The way of covering at the n-th check in a row (n >= 1) that finds the
// screen not showing the lock. `resized`: the window is not the size it was
// given (a window manager framed it, as fvwm does at a raise of a full-screen
// window, and keeps it so).
Cover CoverForMiss(int misses, HideCost cost, bool resized = false);

// Whether a check that finds the window at another size than it was given
// maps it anew rather than giving it its size again: where hides are fast
// (a window manager runs), when it was at another size at the check before
// too, or the check comes after a raise. fvwm frames a full-screen window
// raised after another window has come up, holds it so against a change of
// size, and gives it the whole screen again only at a new map.
bool MapAnewForSize(bool resizedBefore, bool afterRaise, HideCost cost);

// How long after a way of covering the guard looks again, in milliseconds:
// the time it takes to reach the screen.
unsigned CoverSettleMillis(Cover cover);

// ---- The keyboard hook's keys -----------------------------------------------------------

// Virtual-key codes the hook looks at (the platform's values).
namespace vk {
constexpr unsigned Tab = 0x09;
constexpr unsigned Shift = 0x10;
constexpr unsigned Control = 0x11;
constexpr unsigned Menu = 0x12;  // Alt
constexpr unsigned Capital = 0x14;
constexpr unsigned Escape = 0x1B;
constexpr unsigned LWin = 0x5B;
constexpr unsigned RWin = 0x5C;
constexpr unsigned LShift = 0xA0;
constexpr unsigned RShift = 0xA1;
constexpr unsigned LControl = 0xA2;
constexpr unsigned RControl = 0xA3;
constexpr unsigned LMenu = 0xA4;
constexpr unsigned RMenu = 0xA5;  // AltGr on a European keyboard (with a left Ctrl the system adds)
}  // namespace vk

// The modifiers as the hook saw their keys go down and up. A key the hook
// keeps from another window never reaches the system's key state, so the
// state of the moment would not show a Shift held for the next letter.
class HookModifiers {
 public:
  // Starts afresh: nothing held, Caps Lock as the system has it.
  void Reset(bool capsLock);
  // Notes a key going down or up; true when it is a modifier (Caps Lock
  // toggles at each press).
  bool Note(unsigned vkCode, bool down);
  // The key-state array of the platform's translation (256 entries, bit 7
  // held, bit 0 toggled): both sides' and the side's own entry of each held
  // modifier (AltGr holds Ctrl and the right Alt), and Caps Lock.
  void Fill(unsigned char state[256]) const;
  bool Alt() const { return down_[kLMenu] || down_[kRMenu]; }
  bool Control() const { return down_[kLControl] || down_[kRControl]; }

 private:
  enum { kLShift, kRShift, kLControl, kRControl, kLMenu, kRMenu, kCount };
  bool down_[kCount] = {};
  bool capsLock_ = false;
  bool capsHeld_ = false;
};

// Keys that would switch away from the lock: Alt+Tab, Alt+Esc, Ctrl+Esc and
// the Windows keys.
bool SwitchesAway(unsigned vkCode, bool alt, bool control);

}  // namespace wzrv
