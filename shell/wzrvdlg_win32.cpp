#include "shell/wzrvdlg.h"

#include "base/profile_win32.h"
#include "base/trace.h"
#include "shell/wzrv_core.h"

static_assert(IDC_OK == IDOK && IDC_CANCEL == IDCANCEL, "the dialog manager's own ids");

namespace {
// The password being edited; at most one password dialog is open at a time.
wzrv::PasswordInfo _pwinfo;
}  // namespace

void AboutDialog::Execute() {
  wzrv::Trace("AboutDialog open");
  DialogBoxParamW(hInstance, L"" DLG_ABOUT, hWnd, ::AboutDLGProc, 0);
  wzrv::Trace("AboutDialog closed");
}

INT_PTR CALLBACK AboutDialog::DLGProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (wzrv::AboutCommand(LOWORD(wParam)).ends) EndDialog(hwnd, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

int PasswordDialog::Execute(char* pass) {
  wzrv::PasswordBegin(_pwinfo, pass);
  wzrv::Trace("PasswordDialog open");
  const INT_PTR r = DialogBoxParamW(hInstance, L"" DLG_PASSWORD, hWnd, ::PasswordDLGProc, 0);
  const int save = wzrv::PasswordFinish(_pwinfo, static_cast<int>(r), pass);
  wzrv::Trace("PasswordDialog closed %d save=%d", static_cast<int>(r), save);
  return save;
}

INT_PTR CALLBACK PasswordDialog::DLGProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      SendDlgItemMessageA(hwnd, wzrv::IdPasswordEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(_pwinfo.password));
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      char _buff[wzrv::PasswordInfoSize] = "";
      if (id == wzrv::IdPasswordSet || id == wzrv::IdPasswordSave) {
        SendDlgItemMessageA(hwnd, wzrv::IdPasswordEdit, WM_GETTEXT, sizeof(_buff),
                            reinterpret_cast<LPARAM>(_buff));
      }
      const wzrv::DialogEnd end = wzrv::PasswordCommand(_pwinfo, id, _buff);
      if (end.ends && end.code != 0 && _pwinfo.save == 1) {
        // "保存": the password is on disk before the dialog goes (the caller
        // stores the same value again after the dialog's return).
        WriteProfileStringA(wzrv::SectionName, wzrv::KeyDefaultPassword, _pwinfo.password);
        wzrv::FlushProfile();
      }
      if (end.ends) EndDialog(hwnd, end.code);
      return FALSE;
    }
    default:
      return FALSE;
  }
}

extern "C" INT_PTR CALLBACK AboutDLGProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return AboutDialog::DLGProc(hwnd, msg, wParam, lParam);
}

extern "C" INT_PTR CALLBACK PasswordDLGProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return PasswordDialog::DLGProc(hwnd, msg, wParam, lParam);
}
