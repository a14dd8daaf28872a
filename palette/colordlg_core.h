// The edit logic of the colour dialog without the platform: the three
// channels with their scroll bars and number fields, the list of colour
// sets, "Default", "設定" and "Cancel", the backup taken when the dialog
// opens and the scroll steps. The dialog procedure hands every control
// change to these functions and lets a ColorDialogHost move values into
// the controls.
#pragma once

#include <vector>

#include "palette/palette_core.h"
#include "resources/resource.h"

namespace wzrv {

// Control ids of the colour dialog.
constexpr int IdColorList = IDC_COLOR_LIST;
constexpr int IdColorSwatch = IDC_COLOR_SWATCH;
constexpr int IdColorDefault = IDC_COLOR_DEFAULT;
constexpr int IdColorAccept = IDC_COLOR_ACCEPT;
constexpr int IdColorScrollR = IDC_COLOR_SCROLL_R;  // + 1 for green, + 2 for blue
constexpr int IdColorEditR = IDC_COLOR_EDIT_R;      // an edit field's scroll bar is its id - 100
static_assert(IDC_COLOR_SCROLL_G == IdColorScrollR + 1 && IDC_COLOR_SCROLL_B == IdColorScrollR + 2 &&
                  IDC_COLOR_EDIT_G == IdColorEditR + 1 && IDC_COLOR_EDIT_B == IdColorEditR + 2 &&
                  IdColorEditR == IdColorScrollR + 100,
              "the channels' controls are numbered in a row");

// Scroll codes (the values of the platform's SB_ codes).
namespace sb {
constexpr int LineLeft = 0;
constexpr int LineRight = 1;
constexpr int PageLeft = 2;
constexpr int PageRight = 3;
constexpr int ThumbPosition = 4;
constexpr int ThumbTrack = 5;
}  // namespace sb

// The dialog's controls and the palette, as the edit logic sees them.
// Setting a number field reports a change exactly as typing does: a host
// calls ColorEditChanged from SetEditNumber when the real control would.
class ColorDialogHost {
 public:
  virtual ~ColorDialogHost() = default;
  // Channel ch (0 red, 1 green, 2 blue): scroll range 0-255 and position.
  virtual void SetScrollRangeAndPos(int ch, int pos) = 0;
  virtual void SetScrollPos(int ch, int pos) = 0;
  virtual void SetEditNumber(int ch, unsigned value) = 0;
  // The number field's text.
  virtual void EditText(int ch, char* buf, int size) = 0;
  // Pushes the colour sets into the palette.
  virtual void AllSet() = 0;
  // Repaints the swatch in the selected set's colour.
  virtual void DrawColorView() = 0;
};

// Reads a number field as an unsigned decimal number: blanks around it are
// allowed, nothing else. False for an empty field, other characters or a
// number beyond 32 bits.
bool ParseChannelText(const char* text, unsigned* value);

// The channel value a number becomes: the channel is 8 bits, so numbers above
// 255 give 255.
unsigned char ChannelFromNumber(unsigned value);

// Channel ch of set n.
unsigned char& Channel(AppPaletteBase& pal, int n, int ch);

// One scroll step from v. `thumb` is the position a thumb release carries.
// Returns false for codes that change nothing (thumb tracking, top, bottom,
// end of scroll); otherwise *v is the new value. Steps that would leave
// 0-255 are not taken at all.
bool ScrollStep(int code, int thumb, int* v);

// Fills the three scroll bars and number fields from the selected set; the
// change reports this causes are ignored (`setting` is 1 meanwhile).
void SetScroll(AppPaletteBase& pal, ColorDialogHost& host);

// Reads the three number fields into the selected set; a field that holds
// no number leaves its channel as it was.
void ReadColorEdits(AppPaletteBase& pal, ColorDialogHost& host);

// A number field of channel ch reported a change. Returns false (ignored)
// while the dialog fills its own controls.
bool ColorEditChanged(AppPaletteBase& pal, ColorDialogHost& host, int ch);

// A scroll message from channel ch's scroll bar. Returns false when the
// dialog is filling its controls (the message is not handled).
bool ColorScroll(AppPaletteBase& pal, ColorDialogHost& host, int ch, int code, int thumb);

// The list reported selection `sel` (-1 when nothing is selected).
void ColorSelect(AppPaletteBase& pal, ColorDialogHost& host, int sel);

// "Default": every colour set back to its default.
void ColorDefault(AppPaletteBase& pal, ColorDialogHost& host);

// "設定": the fields once more into the selected set; the end code is 1.
int ColorAccept(AppPaletteBase& pal, ColorDialogHost& host);
// "Cancel", Esc or the close box: the end code is 0.
int ColorCancel(AppPaletteBase& pal);

// The colours in use when the dialog opened.
std::vector<PaletteSet> ColorBackup(const AppPaletteBase& pal);
// After the dialog: a non-zero end code (also -1, a dialog that could not
// be shown) pushes the colours into the palette and stores them; 0 puts the
// backup back and pushes it into the palette.
void ColorFinish(AppPaletteBase& pal, ColorDialogHost& host, int endcode,
                 const std::vector<PaletteSet>& backup);

}  // namespace wzrv
