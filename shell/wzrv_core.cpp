#include "shell/wzrv_core.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/text_core.h"
#include "pattern/random.h"

namespace wzrv {

const char KeyDefaultPassword[] = "DefaultPassword";
const char ReminderCaption[] = "Confirm Password";

const SystemMenuItem SystemMenuItems[SystemMenuItemCount] = {
    {SM_Lock, "画面のロック"},
    {SM_ChangePass, "パスワードの変更"},
    {SM_Color, "色の設定"},
    {SM_Sound, "効果音の設定"},
    {SM_AboutWZRV, "Windows Z.R.V. について"},
};

const unsigned SystemMenuRemoved[SystemMenuRemovedCount] = {
    sc::Maximize, sc::Minimize, sc::Restore, sc::Size};

Decision Dispatch(unsigned message, unsigned wParam, bool iconic, bool paletteChangedBySelf,
                  bool hasSnapshot) {
  switch (message) {
    case msg::Paint:
      return {hasSnapshot ? Action::PaintSnapshot : Action::Default, 0};
    case msg::EraseBackground:
      return {hasSnapshot ? Action::EraseSnapshot : Action::Default, 1};
    case msg::Destroy:
      return {Action::Destroy, 0};
    case msg::DisplayChange:
      return {iconic ? Action::Default : Action::DisplayChange, 0};
    case msg::Timer:
      return {iconic ? Action::Default : Action::LockTimer, 0};
    case msg::Close:
      return {iconic ? Action::DestroyWindow : Action::Nothing, 0};
    case msg::Char:
      return {Action::CharInput, 0};
    case msg::SysCommand:
      if (!iconic) return {Action::Nothing, 0};
      switch (wParam) {
        case SM_ChangePass: return {Action::ChangePassword, 0};
        case SM_AboutWZRV: return {Action::About, 0};
        case SM_Lock:
        case sc::Restore: return {Action::Lock, 0};
        case SM_Sound: return {Action::SoundDialog, 0};
        case SM_Color: return {Action::ColorDialog, 0};
        default: return {Action::Default, 0};
      }
    case msg::LButtonDown:
    case msg::RButtonDown:
    case msg::MButtonDown:
      return {Action::Impact, 0};
    case msg::QueryNewPalette:
      return {Action::Realize, 1};
    case msg::PaletteChanged:
      if (paletteChangedBySelf) return {Action::Nothing, 0};
      return {Action::Realize, 1};
    default:
      return {Action::Default, 0};
  }
}

namespace {
const char ReminderBefore[] = "パスワードは '";
}  // namespace

void ComposeReminder(const char* password, char* buff) {
  if (password != nullptr && password[0] != '\0') {
    std::snprintf(buff, ReminderSize, "%s%s' + Return-Key です", ReminderBefore, password);
  } else {
    CopyText(buff, ReminderSize, "パスワードが設定されていません。Return-Keyのみで解除できます");
  }
}

TextSpan ReminderPasswordSpan(const char* password, const char* reminder) {
  if (password == nullptr || password[0] == '\0') return {0, 0};
  const std::size_t offset = sizeof ReminderBefore - 1;
  const std::size_t shown = std::strlen(reminder);
  if (shown <= offset) return {shown, 0};
  return {offset, std::min(std::strlen(password), shown - offset)};
}

ImpactPlan ImpactFor(int r) {
  switch (r) {
    case 0: return {0, 0, 20, 1};
    case 1: return {1, 1, 20, 1};
    default: return {2, 2, 10, 5};
  }
}

ImpactPlan ChooseImpact() { return ImpactFor(wzrv::rand() % 3); }

void ImpactPoint(unsigned long lParam, int* x, int* y) {
  *x = static_cast<int>(lParam & 0xFFFFu);
  *y = static_cast<int>((lParam >> 16) & 0xFFFFu);
}

char MainWindowBase::InputString[MainWindowBase::InputCapacity + 1] = "";

MainWindowBase::MainWindowBase() { Password[0] = '\0'; }

void MainWindowBase::DIBToBitmap(const void* dibinfo, const unsigned char* dib, void* dc,
                                 BitmapHandle bitmap, int w, int h) {
  if (dibinfo == nullptr || dib == nullptr) {
    SaveFrame(NullBitmap);
    return;
  }
  CopyCanvas(dibinfo, dib, dc, bitmap, w, h);
  SaveFrame(bitmap);
}

void MainWindowBase::ResetInput() { InputString[0] = '\0'; }

void MainWindowBase::CharInput(int c) {
  std::size_t len = std::strlen(InputString);
  if (len >= InputCapacity) {
    std::memmove(InputString, InputString + 1, InputCapacity - 1);
    len = InputCapacity - 1;
  }
  InputString[len] = static_cast<char>(c & 0xFF);
  InputString[len + 1] = '\0';

  if (c != 13) return;
  if (std::strstr(InputString, Password) != nullptr) {
    Unlock();  // the collected text stays until the next lock
  } else {
    ResetInput();
  }
}

}  // namespace wzrv
