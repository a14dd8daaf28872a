// The edit logic of the password dialog and the About box, without the
// platform: the record that carries the password between the dialog and its
// caller, and what each command of the two dialogs does.
#pragma once

#include <cstddef>

#include "resources/resource.h"

namespace wzrv {

constexpr std::size_t PasswordInfoSize = 100;  // 99 characters and NUL

// Carries the password between PasswordDialog::Execute and its procedure.
struct PasswordInfo {
  char password[PasswordInfoSize];
  int save;  // 1 when the dialog was closed with "保存"
};

// Copies `src` into a 100-byte password buffer as a fixed-length copy: up to
// the terminator, the rest filled with NULs, then the last byte set to NUL,
// so the result always ends within the buffer (at most 99 characters). A
// null `src` gives the empty password.
void CopyPassword(char* dst, const char* src);

// Fills the record from the caller's password before the dialog opens.
void PasswordBegin(PasswordInfo& info, const char* pass);

// Ids of the password dialog's commands.
constexpr int IdPasswordEdit = IDC_PASSWORD_EDIT;
constexpr int IdPasswordSet = IDC_PASSWORD_SET;
constexpr int IdCancel = IDC_CANCEL;
constexpr int IdPasswordSave = IDC_PASSWORD_SAVE;

// What a command of the password dialog asks for: keep the dialog open, or
// end it with the given code.
struct DialogEnd {
  bool ends;
  int code;
};

// Handles command `id` of the password dialog; `edittext` is the edit
// field's text (read only for "設定" and "保存"; may be null otherwise).
DialogEnd PasswordCommand(PasswordInfo& info, int id, const char* edittext);

// After the dialog: with a non-zero end code the edited password goes back
// into `pass` (100 bytes). Returns 1 when it is also to be stored.
int PasswordFinish(const PasswordInfo& info, int endcode, char* pass);

// The About box closes only with "OK" (or Return, which reports the same id).
DialogEnd AboutCommand(int id);

}  // namespace wzrv
