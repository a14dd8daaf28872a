// The platform-free half of the main window: its texts, its system-menu
// layout, the dispatch decisions, the lock reminder and the password input.
// The Win32 MainWindow derives from MainWindowBase and adds the handles.
#pragma once

#include <cstddef>

#include "base/text_core.h"  // MessageCaption
#include "pattern/pattern_core.h"
#include "resources/resource.h"

namespace wzrv {

// System-menu commands added by the program.
constexpr unsigned SM_ChangePass = IDM_CHANGEPASS;
constexpr unsigned SM_AboutWZRV = IDM_ABOUT;
constexpr unsigned SM_Lock = IDM_LOCK;
constexpr unsigned SM_Sound = IDM_SOUND;
constexpr unsigned SM_Color = IDM_COLOR;

// Message and command numbers the dispatch looks at (the platform's values).
namespace msg {
constexpr unsigned Destroy = 0x0002;
constexpr unsigned Create = 0x0001;
constexpr unsigned Paint = 0x000F;
constexpr unsigned Close = 0x0010;
constexpr unsigned EraseBackground = 0x0014;
constexpr unsigned DisplayChange = 0x007E;
constexpr unsigned Char = 0x0102;
constexpr unsigned SysCommand = 0x0112;
constexpr unsigned Timer = 0x0113;
constexpr unsigned LButtonDown = 0x0201;
constexpr unsigned RButtonDown = 0x0204;
constexpr unsigned MButtonDown = 0x0207;
constexpr unsigned QueryNewPalette = 0x030F;
constexpr unsigned PaletteChanged = 0x0311;
}  // namespace msg

namespace sc {
constexpr unsigned Size = 0xF000;
constexpr unsigned Minimize = 0xF020;
constexpr unsigned Maximize = 0xF030;
constexpr unsigned Restore = 0xF120;
}  // namespace sc

// Texts (Shift-JIS at run time).
extern const char KeyDefaultPassword[];
extern const char ReminderCaption[];

// Items the program inserts at the top of the system menu, in position order;
// a separator follows them.
struct SystemMenuItem {
  unsigned command;
  const char* text;
};
constexpr int SystemMenuItemCount = 5;
extern const SystemMenuItem SystemMenuItems[SystemMenuItemCount];
// Standard commands removed from the system menu, in the order removed.
constexpr int SystemMenuRemovedCount = 4;
extern const unsigned SystemMenuRemoved[SystemMenuRemovedCount];

// What the main window does with a message.
enum class Action {
  Destroy,        // post quit, delete bitmaps, destroy palette and sound objects
  DestroyWindow,  // close request while minimised
  Nothing,        // swallowed
  CharInput,      // a typed character during the lock
  ChangePassword,
  About,
  Lock,
  SoundDialog,
  ColorDialog,
  Impact,         // a mouse button went down
  Realize,        // realise the application palette
  PaintSnapshot,  // show the screen as it was when the lock began
  EraseSnapshot,
  DisplayChange,  // the monitors changed while locked: cover the new screen
  LockTimer,      // a timer while locked (screen check, keyboard)
  Default,        // hand it to the default window procedure
};

struct Decision {
  Action action;
  long result;  // what the window procedure returns (unused for Default)
};

// The dispatch table. `iconic` is the window's minimised state (not locked);
// `paletteChangedBySelf` tells whether WM_PALETTECHANGED names this window;
// `hasSnapshot` whether the window holds a picture of the screen to paint
// (taken when the lock began; without one the window never paints).
Decision Dispatch(unsigned message, unsigned wParam, bool iconic, bool paletteChangedBySelf,
                  bool hasSnapshot = false);

// The reminder shown before the lock, in a 200-character buffer.
constexpr std::size_t ReminderSize = 200;
void ComposeReminder(const char* password, char* buff /* ReminderSize bytes */);
// Where the user's password stands in a reminder that ComposeReminder made of
// `password` (length 0: it has none). Those bytes are the user's text, in the
// system's code page; the rest is the program's own.
struct TextSpan {
  std::size_t offset;
  std::size_t length;
};
TextSpan ReminderPasswordSpan(const char* password, const char* reminder);

// What one click plays: field r's sound slot and animation arguments.
struct ImpactPlan {
  int slot;
  int anipattern;
  int wait;   // milliseconds after each step
  int delay;  // entries drawn per step
};
ImpactPlan ImpactFor(int r);
// Draws r = rand() mod 3 from the program's generator and gives its plan.
ImpactPlan ChooseImpact();
// The pointer position of a mouse message: two unsigned 16-bit halves.
void ImpactPoint(unsigned long lParam, int* x, int* y);

// The pattern tables and the bitmap registry come with PatternSets.
class MainWindowBase : public PatternSets {
 public:
  static constexpr std::size_t PasswordSize = 100;   // 99 characters and NUL
  static constexpr std::size_t InputCapacity = 100;  // characters kept while locked

  MainWindowBase();
  virtual ~MainWindowBase() = default;

  // Characters typed since the last reset (one for the process).
  static char InputString[InputCapacity + 1];
  static void ResetInput();

  // Collects one WM_CHAR; Return unlocks when the collected text contains the
  // password, otherwise it resets the collected text.
  void CharInput(int c);

  // Makes `bitmap` hold the canvas's lower-left w x h and offers it to the
  // pattern cache. The copy needs the canvas header (`dibinfo`); without it
  // (or without the canvas) the frame stays empty, and the cache still gets
  // a record for it, an empty one: every frame drawn leaves exactly one
  // record, so the records after it stay at their places.
  void DIBToBitmap(const void* dibinfo, const unsigned char* dib, void* dc, BitmapHandle bitmap, int w,
                   int h);

  char Password[PasswordSize];
  int StartOption = 0;

 protected:
  // The platform's half of DIBToBitmap: the copy into the frame bitmap, and
  // appending a frame to the cache being written (NullBitmap: no usable
  // frame, an empty record). Neither does anything here.
  virtual void CopyCanvas(const void* /*dibinfo*/, const unsigned char* /*dib*/, void* /*dc*/,
                          BitmapHandle /*bitmap*/, int /*w*/, int /*h*/) {}
  virtual void SaveFrame(BitmapHandle /*bitmap*/) {}

  // Called when the password was typed: minimise and play the unlock sound.
  virtual void Unlock() = 0;
};

}  // namespace wzrv
