#include "base/text_win32.h"

#include "base/text_core.h"

namespace wzrv {

bool ProgramTextWidens() {
  static const bool widens = IsValidCodePage(ProgramCodePage) != FALSE;
  return widens;
}

std::wstring Widen(const char* text, UINT codePage, int length) {
  if (text == nullptr || length == 0) return std::wstring();
  const int n = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text, length, &wide[0], n);
  if (length < 0) wide.resize(static_cast<std::size_t>(n) - 1);  // the terminating zero
  return wide;
}

bool Narrow(const wchar_t* wide, std::string* text) {
  text->clear();
  const NarrowMode mode = NarrowModeFor(GetACP());
  BOOL lost = FALSE;
  BOOL* lostFlag = mode.reportsLoss ? &lost : nullptr;
  const int n = WideCharToMultiByte(CP_ACP, mode.flags, wide, -1, nullptr, 0, nullptr, lostFlag);
  if (n <= 0 || lost) return false;
  text->assign(static_cast<std::size_t>(n), '\0');
  if (WideCharToMultiByte(CP_ACP, mode.flags, wide, -1, &(*text)[0], n, nullptr, lostFlag) != n) return false;
  text->resize(static_cast<std::size_t>(n) - 1);
  return !lost;
}

int ProgramMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  if (!ProgramTextWidens()) return MessageBoxA(owner, text, caption, type);
  return MessageBoxW(owner, Widen(text, ProgramCodePage).c_str(), Widen(caption, ProgramCodePage).c_str(), type);
}

int MixedMessageBox(HWND owner, const char* text, std::size_t offset, std::size_t length, const char* caption,
                    UINT type) {
  if (!ProgramTextWidens()) return MessageBoxA(owner, text, caption, type);
  const std::wstring wide = Widen(text, ProgramCodePage, static_cast<int>(offset)) +
                            Widen(text + offset, CP_ACP, static_cast<int>(length)) +
                            Widen(text + offset + length, ProgramCodePage);
  return MessageBoxW(owner, wide.c_str(), Widen(caption, ProgramCodePage).c_str(), type);
}

BOOL InsertProgramMenuItem(HMENU menu, UINT position, UINT flags, UINT_PTR id, const char* text) {
  if (!ProgramTextWidens()) return InsertMenuA(menu, position, flags, id, text);
  return InsertMenuW(menu, position, flags, id, Widen(text, ProgramCodePage).c_str());
}

LRESULT AddProgramString(HWND dialog, int id, const char* text) {
  if (!ProgramTextWidens()) {
    return SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  const std::wstring wide = Widen(text, ProgramCodePage);
  return SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

}  // namespace wzrv
