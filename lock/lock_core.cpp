#include "lock/lock_core.h"

namespace wzrv {

LockStep LockTransition(LockState state, LockEvent event, bool withReminder) {
  using S = LockState;
  using A = LockAction;
  if (event == LockEvent::EndSession) return {S::Unlocked, A::Quit};
  switch (state) {
    case S::Unlocked:
      switch (event) {
        case LockEvent::Request:
        case LockEvent::RequestAtStart: return {S::Locking, A::TakeScreen};
        case LockEvent::Quit: return {S::Unlocked, A::Quit};
        default: return {S::Unlocked, A::None};
      }
    case S::Locking:
      switch (event) {
        case LockEvent::ScreenTaken: return withReminder ? LockStep{S::Locking, A::ShowReminder}
                                                         : LockStep{S::Locked, A::Cover};
        case LockEvent::ScreenBusy: return {S::Unlocked, A::Decline};
        case LockEvent::ReminderClosed: return {S::Locked, A::Cover};
        default: return {S::Locking, A::None};  // a quit is dropped; the window is still minimised
      }
    case S::Locked:
      switch (event) {
        case LockEvent::Password: return {S::Unlocking, A::Uncover};
        case LockEvent::ShowChanged: return {S::Locked, A::CoverAgain};
        default: return {S::Locked, A::None};  // a quit or another lock request is dropped
      }
    case S::Unlocking:
      if (event == LockEvent::Uncovered) return {S::Unlocked, A::None};
      return {S::Unlocking, A::None};
  }
  return {state, A::None};
}

const char* LockStateName(LockState state) {
  switch (state) {
    case LockState::Unlocked: return "unlocked";
    case LockState::Locking: return "locking";
    case LockState::Locked: return "locked";
    case LockState::Unlocking: return "unlocking";
  }
  return "?";
}

namespace {
// One row a hide cost, one column a miss in a row; past the row's end it stays at its last.
constexpr int kEscalationSteps = 4;
constexpr Cover kEscalation[3][kEscalationSteps] = {
    /* Unknown */ {Cover::Raise, Cover::Restore, Cover::MapAnew, Cover::GiveUp},
    /* Fast    */ {Cover::Raise, Cover::Restore, Cover::MapAnew, Cover::GiveUp},
    /* Slow    */ {Cover::Raise, Cover::Restore, Cover::GiveUp, Cover::GiveUp},
};
}  // namespace

Cover CoverForMiss(int misses, HideCost cost, bool resized) {
  if (misses < 1) misses = 1;
  if (misses > kEscalationSteps) misses = kEscalationSteps;
  const Cover cover = kEscalation[static_cast<int>(cost)][misses - 1];
  // A window that a window manager holds framed is mapped: its hide is fast,
  // and a new map gives it the whole screen again. A restore comes back
  // iconified by the window manager (fvwm took up to a tenth of a second,
  // and now and then iconified twice), to be mapped anew after all.
  if (resized && cost == HideCost::Fast && cover == Cover::Restore) return Cover::MapAnew;
  return cover;
}

bool MapAnewForSize(bool resizedBefore, bool afterRaise, HideCost cost) {
  return cost == HideCost::Fast && (resizedBefore || afterRaise);
}

HideCost HideCostOf(unsigned long millis) { return millis > 1000 ? HideCost::Slow : HideCost::Fast; }

Placing PlacingFor(bool underWine, HideCost cost) {
  if (!underWine) return Placing::Plain;
  return cost == HideCost::Fast ? Placing::Anew : Placing::InPlace;
}

unsigned CoverSettleMillis(Cover cover) {
  switch (cover) {
    case Cover::Raise: return 40;
    case Cover::Restore:
    case Cover::MapAnew: return 120;
    case Cover::GiveUp: return 1000;
  }
  return 100;
}

void HookModifiers::Reset(bool capsLock) {
  for (bool& d : down_) d = false;
  capsLock_ = capsLock;
  capsHeld_ = false;
}

bool HookModifiers::Note(unsigned vkCode, bool down) {
  switch (vkCode) {
    case vk::Capital:
      if (down && !capsHeld_) capsLock_ = !capsLock_;  // a held key repeats its press
      capsHeld_ = down;
      return true;
    case vk::Shift:
    case vk::LShift: down_[kLShift] = down; return true;
    case vk::RShift: down_[kRShift] = down; return true;
    case vk::Control:
    case vk::LControl: down_[kLControl] = down; return true;
    case vk::RControl: down_[kRControl] = down; return true;
    case vk::Menu:
    case vk::LMenu: down_[kLMenu] = down; return true;
    case vk::RMenu: down_[kRMenu] = down; return true;
    default: return false;
  }
}

void HookModifiers::Fill(unsigned char state[256]) const {
  for (int i = 0; i < 256; ++i) state[i] = 0;
  const struct {
    int index;
    unsigned side, both;
  } keys[] = {{kLShift, vk::LShift, vk::Shift},     {kRShift, vk::RShift, vk::Shift},
              {kLControl, vk::LControl, vk::Control}, {kRControl, vk::RControl, vk::Control},
              {kLMenu, vk::LMenu, vk::Menu},          {kRMenu, vk::RMenu, vk::Menu}};
  for (const auto& k : keys) {
    if (!down_[k.index]) continue;
    state[k.side] = 0x80;
    state[k.both] = 0x80;
  }
  if (capsLock_) state[vk::Capital] = 0x01;
}

bool SwitchesAway(unsigned vkCode, bool alt, bool control) {
  return (vkCode == vk::Tab && alt) || (vkCode == vk::Escape && (alt || control)) || vkCode == vk::LWin ||
         vkCode == vk::RWin;
}

}  // namespace wzrv
