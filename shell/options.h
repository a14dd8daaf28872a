// Command-line options of wzrv.exe.
#pragma once

namespace wzrv {

// StartOption bits.
constexpr int SO_Transparent = 1;  // -t, -T: WS_EX_TRANSPARENT, repaint all windows after each field
constexpr int SO_LockAtStart = 2;  // -o, -O: start locked, without reminder and lock sound
// Set by a start as a screen saver (never by the option scan).
constexpr int SO_Saver = 4;    // the saver: no first-start notice, the unlock ends the process
constexpr int SO_Preview = 8;  // fields at random inside another window, without sound

// Scans the command line for option letters. Each letter needs its own '-'
// or '/' prefix, wherever it stands ("-ot" sets only SO_LockAtStart, "name-t"
// sets SO_Transparent). A null pointer is an empty command line.
int ScanOptions(const char* cmdline);

// The program as a screen saver (its file named *.scr): what Windows asks of it.
enum class SaverMode {
  Run,       // /s: the saver itself, over the screen
  Settings,  // /c, /c:HWND, /c HWND, or no argument: the settings dialog
  Preview,   // /p HWND: inside the given window of the control panel
  Password,  // /a HWND: change the password
};
struct SaverCommand {
  SaverMode mode = SaverMode::Settings;
  unsigned long long window = 0;  // the window passed, 0 when none (or not a number)
};

// Whether a program file's name ends in ".scr", in any case. A null pointer
// is no name.
bool IsSaverFileName(const char* path);

// Reads a command line by the screen-saver conventions: the first word that
// starts with '-' or '/' gives the mode by its letter (either case); a window
// follows after ':' or blanks, as an unsigned decimal. Anything else, or no
// argument, asks for the settings.
SaverCommand ScanSaverCommand(const char* cmdline);

}  // namespace wzrv
