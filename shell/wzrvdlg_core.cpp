#include "shell/wzrvdlg_core.h"

#include <cstring>

namespace wzrv {

void CopyPassword(char* dst, const char* src) {
  if (src == nullptr) src = "";
  std::size_t i = 0;
  for (; i < PasswordInfoSize && src[i] != '\0'; ++i) dst[i] = src[i];
  for (; i < PasswordInfoSize; ++i) dst[i] = '\0';
  dst[PasswordInfoSize - 1] = '\0';
}

void PasswordBegin(PasswordInfo& info, const char* pass) {
  CopyPassword(info.password, pass);
  info.save = 0;
}

DialogEnd PasswordCommand(PasswordInfo& info, int id, const char* edittext) {
  switch (id) {
    case IdPasswordSave:
      info.save = 1;
      [[fallthrough]];
    case IdPasswordSet: {
      // The edit text as the dialog reads it: at most 99 characters.
      char buff[PasswordInfoSize];
      CopyPassword(buff, edittext);
      CopyPassword(info.password, buff);
      return {true, 1};
    }
    case IdCancel:
      return {true, 0};
    default:
      return {false, 0};
  }
}

int PasswordFinish(const PasswordInfo& info, int endcode, char* pass) {
  if (endcode != 0 && pass != nullptr) CopyPassword(pass, info.password);
  return info.save;
}

DialogEnd AboutCommand(int id) {
  if (id == 1) return {true, 0};
  return {false, 0};
}

}  // namespace wzrv
