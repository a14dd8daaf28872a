// The colour dialog: moves values between its controls and the edit logic
// of colordlg_core.
#include "palette/appaldlg.h"
#include "palette/colordlg_core.h"
#include "base/profile_win32.h"
#include "base/text_win32.h"
#include "base/trace.h"
// Last: it may replace GDI calls by counting ones.
#include "base/gdi_win32.h"

static_assert(wzrv::sb::LineLeft == SB_LINELEFT && wzrv::sb::LineRight == SB_LINERIGHT &&
                  wzrv::sb::PageLeft == SB_PAGELEFT && wzrv::sb::PageRight == SB_PAGERIGHT &&
                  wzrv::sb::ThumbPosition == SB_THUMBPOSITION &&
                  wzrv::sb::ThumbTrack == SB_THUMBTRACK,
              "scroll codes");

namespace {

// The dialog's controls for the edit logic. Setting a number field makes
// the edit control report the change to DLGProc before SetDlgItemInt
// returns.
class DialogControls : public wzrv::ColorDialogHost {
 public:
  DialogControls(AppPalette* apal, HWND dlg) : apal_(apal), dlg_(dlg) {}
  void SetScrollRangeAndPos(int ch, int pos) override {
    HWND bar = GetDlgItem(dlg_, wzrv::IdColorScrollR + ch);
    ::SetScrollRange(bar, SB_CTL, 0, 255, FALSE);
    ::SetScrollPos(bar, SB_CTL, pos, TRUE);
  }
  void SetScrollPos(int ch, int pos) override {
    ::SetScrollPos(GetDlgItem(dlg_, wzrv::IdColorScrollR + ch), SB_CTL, pos, TRUE);
  }
  void SetEditNumber(int ch, unsigned value) override {
    SetDlgItemInt(dlg_, wzrv::IdColorEditR + ch, value, FALSE);
  }
  void EditText(int ch, char* buf, int size) override {
    buf[0] = '\0';
    GetDlgItemTextA(dlg_, wzrv::IdColorEditR + ch, buf, size);
  }
  void AllSet() override { apal_->AllSet(); }
  void DrawColorView() override {
    if (dlg_ != nullptr) AppPalette::DrawColorView(apal_, GetDlgItem(dlg_, wzrv::IdColorSwatch));
  }

 private:
  AppPalette* apal_;
  HWND dlg_;
};

// Paints `rc` of `dc` in the selected set's colour.
void PaintSwatch(AppPalette* apal, HDC dc, const RECT& rc) {
  const wzrv::SelectedPalette selected(dc, apal->AppPal);
  const PaletteSet& s = apal->NowUse[apal->dlgnow];
  const wzrv::GdiObject<HBRUSH> brush(CreateSolidBrush(PALETTERGB(s.r, s.g, s.b)));
  FillRect(dc, &rc, brush);
}

}  // namespace

int AppPalette::ChangeDialog() {
  Backup = wzrv::ColorBackup(*this);
  APDLG_LONG = reinterpret_cast<LONG_PTR>(this);
  hbr = CreateSolidBrush(RGB(255, 0, 0));
  hbg = CreateSolidBrush(RGB(0, 255, 0));
  hbb = CreateSolidBrush(RGB(0, 0, 255));
  wzrv::Trace("ColorDialog open");
  const int r = static_cast<int>(
      DialogBoxParamW(hInstance, L"" DLG_COLOR, hWnd, ::AppPaletteDLGProc, 0));
  DeleteObject(hbr);
  DeleteObject(hbg);
  DeleteObject(hbb);
  hbr = hbg = hbb = nullptr;
  DialogControls none(this, nullptr);
  wzrv::ColorFinish(*this, none, r, Backup);
  Backup.clear();
  Backup.shrink_to_fit();
  wzrv::Trace("ColorDialog closed %d", r);
  WZRV_GDI_TRACE("colordialog");
  return r;
}

void AppPalette::SetScroll(AppPalette* apal, HWND wnd) {
  DialogControls controls(apal, wnd);
  wzrv::SetScroll(*apal, controls);
}

void AppPalette::DrawColorView(AppPalette* apal, HWND hwndbx) {
  if (hwndbx == nullptr) return;
  const wzrv::WindowDC dc(hwndbx);
  if (dc == nullptr) return;
  PaintSwatch(apal, dc, apal->ownrect);
}

INT_PTR CALLBACK AppPalette::DLGProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  AppPalette* apal = reinterpret_cast<AppPalette*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, APDLG_LONG);
    apal = reinterpret_cast<AppPalette*>(APDLG_LONG);
    if (apal == nullptr) return TRUE;
    for (int i = 0; i < apal->PalNum; ++i) {
      wzrv::AddProgramString(hwnd, wzrv::IdColorList, apal->NowUse[i].PaletteName);
    }
    SendDlgItemMessageA(hwnd, wzrv::IdColorList, CB_SETCURSEL, apal->dlgnow, 0);
    SetScroll(apal, hwnd);
    return TRUE;
  }
  if (apal == nullptr) return FALSE;
  DialogControls controls(apal, hwnd);
  switch (msg) {
    case WM_DRAWITEM: {
      if (wParam != wzrv::IdColorSwatch) return FALSE;
      const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      PaintSwatch(apal, item->hDC, item->rcItem);
      apal->ownrect = item->rcItem;
      return FALSE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      switch (id) {
        case IDCANCEL:
          EndDialog(hwnd, wzrv::ColorCancel(*apal));
          return TRUE;
        case wzrv::IdColorList: {
          const LRESULT sel = SendDlgItemMessageA(hwnd, wzrv::IdColorList, CB_GETCURSEL, 0, 0);
          if (sel != CB_ERR) wzrv::ColorSelect(*apal, controls, static_cast<int>(sel));
          return TRUE;
        }
        case wzrv::IdColorDefault:
          wzrv::ColorDefault(*apal, controls);
          return TRUE;
        case wzrv::IdColorAccept: {
          // Stored, and on disk, before the dialog goes: the store after the
          // dialog's return writes the same values again.
          const int code = wzrv::ColorAccept(*apal, controls);
          apal->SavePaletteSetting();
          wzrv::FlushProfile();
          EndDialog(hwnd, code);
          return TRUE;
        }
        case wzrv::IdColorEditR:
        case wzrv::IdColorEditR + 1:
        case wzrv::IdColorEditR + 2:
          return wzrv::ColorEditChanged(*apal, controls, id - wzrv::IdColorEditR) ? TRUE : FALSE;
        default:
          return FALSE;
      }
    }
    case WM_HSCROLL: {
      const int ch = GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) - wzrv::IdColorScrollR;
      return wzrv::ColorScroll(*apal, controls, ch, LOWORD(wParam),
                               static_cast<short>(HIWORD(wParam)))
                 ? TRUE
                 : FALSE;
    }
    case WM_CTLCOLORSCROLLBAR: {
      switch (GetDlgCtrlID(reinterpret_cast<HWND>(lParam))) {
        case wzrv::IdColorScrollR:
          return reinterpret_cast<INT_PTR>(apal->hbr);
        case wzrv::IdColorScrollR + 1:
          return reinterpret_cast<INT_PTR>(apal->hbg);
        case wzrv::IdColorScrollR + 2:
          return reinterpret_cast<INT_PTR>(apal->hbb);
        default:
          return FALSE;
      }
    }
    default:
      return FALSE;
  }
}

extern "C" INT_PTR CALLBACK AppPaletteDLGProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return AppPalette::DLGProc(hwnd, msg, wParam, lParam);
}
