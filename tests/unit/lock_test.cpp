#include <gtest/gtest.h>

#include "lock/lock_core.h"

namespace wzrv {
namespace {

using S = LockState;
using E = LockEvent;
using A = LockAction;

LockStep Step(S s, E e, bool withReminder = true) { return LockTransition(s, e, withReminder); }

void ExpectStep(S s, E e, S next, A action, bool withReminder = true) {
  const LockStep step = Step(s, e, withReminder);
  EXPECT_EQ(step.next, next) << LockStateName(s) << " event " << static_cast<int>(e);
  EXPECT_EQ(step.action, action) << LockStateName(s) << " event " << static_cast<int>(e);
}

TEST(LockTransition, LockWithReminderThenPasswordAndBack) {
  ExpectStep(S::Unlocked, E::Request, S::Locking, A::TakeScreen);
  ExpectStep(S::Locking, E::ScreenTaken, S::Locking, A::ShowReminder);
  ExpectStep(S::Locking, E::ReminderClosed, S::Locked, A::Cover);
  ExpectStep(S::Locked, E::Password, S::Unlocking, A::Uncover);
  ExpectStep(S::Unlocking, E::Uncovered, S::Unlocked, A::None);
}

TEST(LockTransition, LockAtStartCoversWithoutReminder) {
  ExpectStep(S::Unlocked, E::RequestAtStart, S::Locking, A::TakeScreen, false);
  ExpectStep(S::Locking, E::ScreenTaken, S::Locked, A::Cover, false);
}

TEST(LockTransition, SecondLockIsDeclinedWhileAnotherHoldsTheScreen) {
  ExpectStep(S::Locking, E::ScreenBusy, S::Unlocked, A::Decline);
  ExpectStep(S::Locking, E::ScreenBusy, S::Unlocked, A::Decline, false);
  // A request while one is being made or holds changes nothing.
  for (S s : {S::Locking, S::Locked, S::Unlocking}) {
    ExpectStep(s, E::Request, s, A::None);
    ExpectStep(s, E::RequestAtStart, s, A::None, false);
  }
}

TEST(LockTransition, NothingButThePasswordEndsOrUncoversALock) {
  // A quit from anyone is dropped from the reminder on until the unlock is done.
  for (S s : {S::Locking, S::Locked, S::Unlocking}) ExpectStep(s, E::Quit, s, A::None);
  ExpectStep(S::Unlocked, E::Quit, S::Unlocked, A::Quit);
  // A minimise, hide, restore or show covers again, and the lock holds.
  ExpectStep(S::Locked, E::ShowChanged, S::Locked, A::CoverAgain);
  ExpectStep(S::Locking, E::ShowChanged, S::Locking, A::None);
  ExpectStep(S::Unlocked, E::ShowChanged, S::Unlocked, A::None);
  // The password counts only while locked.
  for (S s : {S::Unlocked, S::Locking, S::Unlocking}) ExpectStep(s, E::Password, s, A::None);
  // The end of the session ends it in any state.
  for (S s : {S::Unlocked, S::Locking, S::Locked, S::Unlocking}) ExpectStep(s, E::EndSession, S::Unlocked, A::Quit);
}

TEST(LockGuard, EscalatesFromARaiseToGivingUpAndStaysThere) {
  EXPECT_EQ(CoverForMiss(1, HideCost::Unknown), Cover::Raise);
  EXPECT_EQ(CoverForMiss(2, HideCost::Unknown), Cover::Restore);
  EXPECT_EQ(CoverForMiss(3, HideCost::Unknown), Cover::MapAnew);
  EXPECT_EQ(CoverForMiss(4, HideCost::Unknown), Cover::GiveUp);
  EXPECT_EQ(CoverForMiss(50, HideCost::Unknown), Cover::GiveUp);
  EXPECT_EQ(CoverForMiss(0, HideCost::Unknown), Cover::Raise);
  // A hide comes after a restore even where hides are fast (one of a window
  // the window manager withdrew itself waits as long as without one); where
  // they are slow (no window manager under Wine), never.
  EXPECT_EQ(CoverForMiss(2, HideCost::Fast), Cover::Restore);
  EXPECT_EQ(CoverForMiss(3, HideCost::Fast), Cover::MapAnew);
  for (int n = 1; n <= 5; ++n) EXPECT_NE(CoverForMiss(n, HideCost::Slow), Cover::MapAnew) << n;
  EXPECT_EQ(CoverForMiss(3, HideCost::Slow), Cover::GiveUp);
  // A window a window manager holds at another size is mapped anew at once,
  // where hides are fast only.
  EXPECT_EQ(CoverForMiss(2, HideCost::Fast, true), Cover::MapAnew);
  EXPECT_EQ(CoverForMiss(1, HideCost::Fast, true), Cover::Raise);
  EXPECT_EQ(CoverForMiss(4, HideCost::Fast, true), Cover::GiveUp);
  EXPECT_EQ(CoverForMiss(2, HideCost::Unknown, true), Cover::Restore);
  EXPECT_EQ(CoverForMiss(2, HideCost::Slow, true), Cover::Restore);
  // A window at another size just after a raise, or at two checks in a row,
  // is mapped anew where hides are fast; once only, it gets its size again.
  EXPECT_TRUE(MapAnewForSize(false, true, HideCost::Fast));
  EXPECT_TRUE(MapAnewForSize(true, false, HideCost::Fast));
  EXPECT_FALSE(MapAnewForSize(false, false, HideCost::Fast));
  EXPECT_FALSE(MapAnewForSize(true, true, HideCost::Slow));
  EXPECT_FALSE(MapAnewForSize(true, true, HideCost::Unknown));
  // A raise is looked at again sooner than a window mapped again.
  EXPECT_LT(CoverSettleMillis(Cover::Raise), CoverSettleMillis(Cover::Restore));
}

// Under Wine a hide waits up to two seconds for a window manager's answer:
// one that takes longer than a second means there is none, and the lock then
// never hides the window; with one, the window is shown anew at each lock.
TEST(LockPlacing, TheHideTellsWhetherAWindowManagerRuns) {
  EXPECT_EQ(HideCostOf(3), HideCost::Fast);
  EXPECT_EQ(HideCostOf(1000), HideCost::Fast);
  EXPECT_EQ(HideCostOf(1001), HideCost::Slow);
  EXPECT_EQ(HideCostOf(2004), HideCost::Slow);
  for (HideCost cost : {HideCost::Unknown, HideCost::Fast, HideCost::Slow}) {
    EXPECT_EQ(PlacingFor(false, cost), Placing::Plain);
  }
  EXPECT_EQ(PlacingFor(true, HideCost::Fast), Placing::Anew);
  // Not yet known: the way that costs no hide.
  EXPECT_EQ(PlacingFor(true, HideCost::Unknown), Placing::InPlace);
  EXPECT_EQ(PlacingFor(true, HideCost::Slow), Placing::InPlace);
}

TEST(HookModifiers, AltGrShiftAndCapsLockReachTheTranslation) {
  HookModifiers m;
  m.Reset(false);
  unsigned char state[256];
  // AltGr: the system's left Ctrl and the right Alt.
  EXPECT_TRUE(m.Note(vk::LControl, true));
  EXPECT_TRUE(m.Note(vk::RMenu, true));
  EXPECT_FALSE(m.Note('Q', true));
  m.Fill(state);
  EXPECT_EQ(state[vk::Control], 0x80);
  EXPECT_EQ(state[vk::LControl], 0x80);
  EXPECT_EQ(state[vk::Menu], 0x80);
  EXPECT_EQ(state[vk::RMenu], 0x80);
  EXPECT_EQ(state[vk::LMenu], 0);
  EXPECT_TRUE(m.Alt() && m.Control());
  m.Note(vk::RMenu, false);
  m.Note(vk::LControl, false);
  // One Shift up leaves the other side's held.
  m.Note(vk::LShift, true);
  m.Note(vk::RShift, true);
  m.Note(vk::LShift, false);
  m.Fill(state);
  EXPECT_EQ(state[vk::Shift], 0x80);
  EXPECT_EQ(state[vk::RShift], 0x80);
  EXPECT_EQ(state[vk::Control], 0);
  EXPECT_EQ(state[vk::Menu], 0);
  // Caps Lock toggles once a press, however long it is held.
  m.Note(vk::Capital, true);
  m.Note(vk::Capital, true);
  m.Note(vk::Capital, false);
  m.Fill(state);
  EXPECT_EQ(state[vk::Capital], 0x01);
  m.Reset(true);
  m.Fill(state);
  EXPECT_EQ(state[vk::Shift], 0);
  EXPECT_EQ(state[vk::Capital], 0x01);
}

TEST(HookKeys, OnlyTheSwitchingKeysAreSwallowed) {
  EXPECT_TRUE(SwitchesAway(vk::Tab, true, false));
  EXPECT_FALSE(SwitchesAway(vk::Tab, false, false));
  EXPECT_TRUE(SwitchesAway(vk::Escape, true, false));
  EXPECT_TRUE(SwitchesAway(vk::Escape, false, true));
  EXPECT_FALSE(SwitchesAway(vk::Escape, false, false));
  EXPECT_TRUE(SwitchesAway(vk::LWin, false, false));
  EXPECT_TRUE(SwitchesAway(vk::RWin, false, false));
  EXPECT_FALSE(SwitchesAway('A', true, true));  // AltGr letters type
}

}  // namespace
}  // namespace wzrv
