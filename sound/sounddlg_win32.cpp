// The sound dialog: moves values between its controls and the edit logic
// of sounddlg_core.
#include "sound/sndefect.h"

#include <commdlg.h>
#include <mmsystem.h>

#include <new>
#include <string>
#include <vector>

#include "base/text_core.h"
#include "base/profile_win32.h"
#include "base/text_win32.h"
#include "base/trace.h"
#include "sound/sounddlg_core.h"

LONG_PTR SEDLG_LONG = 0;

namespace {

class DialogControls : public wzrv::SoundDialogHost {
 public:
  explicit DialogControls(HWND dlg) : dlg_(dlg) {}
  void AddSlotName(const char* name) override {
    wzrv::AddProgramString(dlg_, wzrv::IdSoundList, name);
  }
  void SelectSlot(int n) override {
    SendDlgItemMessageA(dlg_, wzrv::IdSoundList, CB_SETCURSEL, n, 0);
  }
  void SetMaster(bool on) override { Check(wzrv::IdSoundMaster, on); }
  bool Master() override { return Checked(wzrv::IdSoundMaster); }
  void GetPath(char* buf, std::size_t size) override {
    buf[0] = '\0';
    SendDlgItemMessageA(dlg_, wzrv::IdSoundPath, WM_GETTEXT, size, reinterpret_cast<LPARAM>(buf));
  }
  void SetPath(const char* path) override {
    SendDlgItemMessageA(dlg_, wzrv::IdSoundPath, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
  }
  bool Switch() override { return Checked(wzrv::IdSoundSwitch); }
  void SetSwitch(bool on) override { Check(wzrv::IdSoundSwitch, on); }

 private:
  void Check(int id, bool on) {
    SendDlgItemMessageA(dlg_, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  bool Checked(int id) { return SendDlgItemMessageA(dlg_, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  HWND dlg_;
};

}  // namespace

// The file dialog. Its filter is the program's own text and is shown through
// the wide dialog; the chosen path is the user's and reaches the settings in
// the system's ANSI code page, as a typed path does. A path with a character
// that code page lacks could not be opened by the sound functions: it counts
// as nothing chosen.
int GetSoundFilename(HWND hwnd, char* file) {
  static const char filter[] = "サウンドファイル\0*.wav\0";
  if (!wzrv::ProgramTextWidens()) {
    OPENFILENAMEA ofn;
    ZeroMemory(&ofn, sizeof(ofn));
    // The record without the Windows 2000 additions (76 bytes in the 32-bit program).
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = hwnd;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = wzrv::BrowseBufferSize;
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    return GetOpenFileNameA(&ofn) ? 1 : 0;
  }
  // Every byte of the array, its closing zeros too: the filter ends in two.
  const std::wstring wideFilter = wzrv::Widen(filter, wzrv::ProgramCodePage, static_cast<int>(sizeof filter));
  std::vector<wchar_t> chosen(wzrv::BrowseBufferSize, L'\0');
  OPENFILENAMEW ofn;
  ZeroMemory(&ofn, sizeof(ofn));
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  ofn.hwndOwner = hwnd;
  ofn.lpstrFilter = wideFilter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = chosen.data();
  ofn.nMaxFile = static_cast<DWORD>(chosen.size());
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  if (!GetOpenFileNameW(&ofn)) return 0;
  std::string path;
  if (!wzrv::Narrow(chosen.data(), &path) || path.size() >= wzrv::BrowseBufferSize) {
    wzrv::Trace("SoundDialog browse: the path has no form in the ANSI code page");
    return 0;
  }
  wzrv::CopyText(file, wzrv::BrowseBufferSize, path.c_str());
  return 1;
}

int SoundEffect::ChangeDialog() {
  std::vector<SoundFile> backup;
  try {
    backup = wzrv::SoundBackup(*this);
  } catch (const std::bad_alloc&) {
    return 0;  // no room for the copy that Cancel needs: no dialog
  }
  SEDLG_LONG = reinterpret_cast<LONG_PTR>(this);
  wzrv::Trace("SoundDialog open");
  const int r = static_cast<int>(
      DialogBoxParamW(hInstance, L"" DLG_SOUND, hWnd, ::SoundEffectDLGProc, 0));
  wzrv::SoundDialogFinish(*this, r, backup);
  wzrv::Trace("SoundDialog closed %d", r);
  return r;
}

void SoundEffect::ChangeCombo(HWND hwnd, SoundEffect* snd, int newn) {
  DialogControls controls(hwnd);
  wzrv::ChangeCombo(*snd, controls, newn);
}

INT_PTR CALLBACK SoundEffect::DLGProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
  SoundEffect* snd = reinterpret_cast<SoundEffect*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, SEDLG_LONG);
    snd = reinterpret_cast<SoundEffect*>(SEDLG_LONG);
    if (snd != nullptr) {
      DialogControls controls(hwnd);
      wzrv::SoundDialogInit(*snd, controls);
    }
    return TRUE;
  }
  if (msg != WM_COMMAND || snd == nullptr) return FALSE;
  DialogControls controls(hwnd);
  switch (LOWORD(wParam)) {
    case IDCANCEL:
      EndDialog(hwnd, wzrv::SoundDialogCancel(*snd));
      return TRUE;
    case wzrv::IdSoundList: {
      const LRESULT sel = SendDlgItemMessageA(hwnd, wzrv::IdSoundList, CB_GETCURSEL, 0, 0);
      if (sel != CB_ERR) ChangeCombo(hwnd, snd, static_cast<int>(sel));
      return TRUE;
    }
    case wzrv::IdSoundAccept: {
      // Stored, and on disk, before the dialog goes: the store after the
      // dialog's return writes the same values again.
      const int code = wzrv::SoundDialogAccept(*snd, controls);
      snd->SaveSoundSetting();
      wzrv::FlushProfile();
      EndDialog(hwnd, code);
      return TRUE;
    }
    case wzrv::IdSoundBrowse: {
      char file[wzrv::BrowseBufferSize];
      file[0] = '\0';
      if (GetSoundFilename(hwnd, file)) {
        if (wzrv::SlotHoldsPath(file)) {
          controls.SetPath(file);
        } else {
          wzrv::ProgramMessageBox(hwnd, wzrv::PathTooLongMessage, wzrv::MessageCaption, MB_OK | MB_ICONEXCLAMATION);
        }
      }
      wzrv::Trace("SoundDialog browse %s", file);
      return TRUE;
    }
    case wzrv::IdSoundTest: {
      char path[SoundFile::FileNameSize];
      controls.GetPath(path, sizeof(path));
      wzrv::Trace("sndPlaySound 0x%04X %s", SND_ASYNC, path);
      sndPlaySoundA(path, SND_ASYNC);
      return FALSE;
    }
    case wzrv::IdSoundStop:
      wzrv::Trace("sndPlaySound 0x%04X (stop)", SND_ASYNC);
      sndPlaySoundA(nullptr, SND_ASYNC);
      return FALSE;
    default:
      return FALSE;
  }
}

extern "C" INT_PTR CALLBACK SoundEffectDLGProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return SoundEffect::DLGProc(hwnd, msg, wParam, lParam);
}
