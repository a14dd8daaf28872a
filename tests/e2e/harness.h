// End-to-end test harness: runs the real wzrv.exe under Wine on the virtual
// display that scripts/wine-env.sh provides, and looks at it the way a user
// does — its windows, boxes, system menu, the screen, real mouse and keyboard
// input — plus the debug traces the program writes and the profile (WIN.INI).
//
// Narrow string literals in the end-to-end sources are UTF-8 (the targets are
// compiled with -fexec-charset=UTF-8), which is what the probe prints.
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "resources/resource.h"

struct _XDisplay;  // Xlib's Display

namespace e2e {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

// Default bound of every wait; generous, because a box's modal loop under Wine
// without a window manager returns only 1.5-2 s after the box was closed.
constexpr Millis kWait{15000};

// ---- Environment and paths -------------------------------------------------

// Directory that holds wzrv.exe, wzrvprobe.exe and wzrvprobehook.dll
// (env WZRV_WIN32_DIR, else the build's win32 directory).
std::string Win32Dir();
// Where the 32-bit build, the product, is made (whichever build Win32Dir() holds).
std::string ProductDir();
// wzrvtool of the native build: WZRV_TOOL, else next to the native build's
// top directory (the test program lives in tests/e2e below it).
std::string Tool();
std::string ExePath();    // wzrv.exe
std::string ProbePath();  // wzrvprobe.exe
std::string Env(const char* name, const std::string& fallback = "");
// Empty when the Wine environment of scripts/wine-env.sh is present, else
// what is missing.
std::string MissingEnvironment();
// WINEPREFIX/drive_c/windows/win.ini.
std::string WinIniPath();
// A directory for this test's logs and screenshots (created on demand).
std::string ArtifactDir();

// ---- Small utilities ---------------------------------------------------------

std::string ReadFile(const std::string& path, bool* exists = nullptr);
bool WriteFile(const std::string& path, const std::string& bytes);
bool RemoveFile(const std::string& path);
bool MakeDirs(const std::string& path);
std::vector<std::string> SplitLines(const std::string& text);

// Polls `condition` about every `interval` until it holds or `timeout` ends;
// true when it held.
bool WaitUntil(const std::function<bool()>& condition, Millis timeout = kWait, Millis interval = Millis(30));

// Runs a command to its end (bounded by `timeout`; killed after it).
struct RunResult {
  int exitCode = -1;   // -1: killed or did not start
  bool timedOut = false;
  std::string out;
  std::string err;
};
RunResult Run(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env = {},
              Millis timeout = Millis(20000));

// Starts a process in the background; stdout/stderr go to files (empty: /dev/null).
pid_t Spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
            const std::string& cwd, const std::string& outFile, const std::string& errFile);
// Ends a process that Spawn started and reaps it; a pid <= 0 is none.
void KillSpawned(pid_t pid);

// ---- The probe ---------------------------------------------------------------

// One line of probe output: its kind and fields.
struct Record {
  std::string kind;
  std::map<std::string, std::string> fields;
  std::string Get(const std::string& key) const;
  unsigned long Number(const std::string& key) const;  // 0 when absent
};
std::vector<Record> ParseRecords(const std::string& text);

struct Rect {
  long left = 0, top = 0, right = 0, bottom = 0;
  long Width() const { return right - left; }
  long Height() const { return bottom - top; }
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

struct WindowInfo {
  unsigned long hwnd = 0, pid = 0, tid = 0, owner = 0, xwin = 0;
  std::string cls, title;
  bool visible = false, iconic = false, zoomed = false, enabled = false;
  Rect rect;
  unsigned long style = 0, exstyle = 0;
  static WindowInfo From(const Record& r);
};

struct Control {
  unsigned long hwnd = 0, id = 0, style = 0;
  std::string cls, text;
  bool visible = false;
};

// A modal box or dialog (class #32770) with its controls.
struct Box {
  WindowInfo window;
  std::vector<Control> controls;
  // Concatenated texts of its Static controls (message boxes have one).
  std::string StaticText() const;
  bool HasButton(const std::string& text) const;  // '&' ignored
  std::string Describe() const;
};

struct Snapshot {
  std::vector<WindowInfo> windows;  // class "Windows Z.R.V"
  std::vector<Box> boxes;           // every open #32770 box
  unsigned long foreground = 0;
  bool ok = false;                  // the probe ran
  std::string error;
  const WindowInfo* Main() const;   // the first main window, or null
  std::string Describe() const;
};

struct MenuItem {
  int pos = 0;
  unsigned long id = 0, state = 0, type = 0;
  bool separator = false;
  std::string text;
};

namespace probe {
RunResult Invoke(const std::vector<std::string>& args, Millis timeout = Millis(20000));
Snapshot Windows();
// What only code inside the window's process sees: the system menu and the
// restored ("normal") position.
struct Inside {
  std::vector<MenuItem> menu;
  Rect normal;
  unsigned showCmd = 0;
  bool ok = false;
  std::string error;
};
Inside ReadInside(unsigned long hwnd);
// The system menu of a window; empty on failure (`error` tells why).
std::vector<MenuItem> Menu(unsigned long hwnd, std::string* error = nullptr);
// Presses a box's button: id ("1") or text ("OK"); `error` gets why not.
bool Click(unsigned long box, const std::string& button, std::string* error = nullptr);
bool Post(unsigned long hwnd, unsigned msg, unsigned long wparam, unsigned long lparam);
// Another program's ShowWindow(hwnd, how).
bool Show(unsigned long hwnd, int how);
// Sends and waits for the answer; false when there was none in `timeoutMs`
// (`error` gets why).
bool Send(unsigned long hwnd, unsigned msg, unsigned long wparam, unsigned long lparam,
          unsigned long timeoutMs = 5000, unsigned long* result = nullptr, std::string* error = nullptr);
}  // namespace probe

// Message numbers used by the tests.
constexpr unsigned WM_NULL_ = 0x0000, WM_CLOSE_ = 0x0010, WM_QUIT_ = 0x0012, WM_SYSCOMMAND_ = 0x0112;
constexpr int SW_HIDE_ = 0, SW_MINIMIZE_ = 6, SW_RESTORE_ = 9;
constexpr unsigned long SC_SIZE_ = 0xF000, SC_MOVE_ = 0xF010, SC_MINIMIZE_ = 0xF020, SC_MAXIMIZE_ = 0xF030,
                        SC_CLOSE_ = 0xF060, SC_RESTORE_ = 0xF120;
constexpr unsigned long WS_EX_TOPMOST_ = 0x08, WS_EX_TRANSPARENT_ = 0x20;

// ---- The program under test ----------------------------------------------------

struct LaunchOptions {
  std::string cwd;      // current directory; empty: the shared e2e directory in the prefix
  std::string locale;   // LC_ALL; empty: $WZRV_WINE_LOCALE
  std::map<std::string, std::string> env;  // added to the environment
  std::string exe;      // a file name in Win32Dir() or a full path; empty: wzrv.exe
};

// One `wine wzrv.exe ...` process, killed when the object goes.
class Program {
 public:
  Program() = default;
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Launch(const std::vector<std::string>& args, const LaunchOptions& options = {});
  pid_t Pid() const { return pid_; }
  bool Running();
  // Waits for the process to end; true with its exit code when it did.
  bool WaitExit(Millis timeout, int* exitCode);
  void Kill();

  // The program's trace lines ("PlaySound 3", ...) in order, without "wzrv: ".
  std::vector<std::string> Traces() const;
  // Index of the first trace at or after `from` that starts with `prefix`; -1 if none.
  int FindTrace(const std::string& prefix, size_t from = 0) const;
  bool WaitForTrace(const std::string& prefix, size_t from = 0, Millis timeout = kWait);
  std::string ErrPath() const { return errPath_; }

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
  int exitCode_ = -1;
  std::string errPath_;
};

// The directory wzrv.exe runs in by default (inside the prefix, shared by the
// tests of one run so the pattern cache written there is reused).
std::string DefaultProgramDir();

// ---- Profile (WIN.INI) ---------------------------------------------------------

constexpr const char* kSection = "Windows-Zorvel";
// Removes a section (header to the next header) from win.ini; true if the file
// is now without it.
bool RemoveProfileSection(const std::string& section = kSection);
// Writes key=value pairs into a section of win.ini (replacing the section).
bool SetProfileSection(const std::map<std::string, std::string>& values, const std::string& section = kSection);
// The section's key=value lines, in file order; empty if there is none.
std::vector<std::pair<std::string, std::string>> ProfileSection(const std::string& section = kSection);
// One value; `found` tells whether the key exists.
std::string ProfileValue(const std::string& key, bool* found = nullptr, const std::string& section = kSection);

// ---- X11: screen and real input -----------------------------------------------

struct Image {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;  // width*height*3
  unsigned Pixel(int x, int y) const;  // 0xRRGGBB
};
// Number of pixels that differ (all pixels when the sizes differ); `first`
// gets the first difference when given.
long CountDifferences(const Image& a, const Image& b, std::string* first = nullptr);
bool SavePng(const Image& image, const std::string& path);
// Saves a screenshot for a failure's message as ArtifactDir()/NAME-N.png, N
// counting the screenshots of that name; gives back the path.
std::string SaveNumberedPng(const Image& image, const std::string& name);

class X11 {
 public:
  X11();
  ~X11();
  bool Ok() const { return display_ != nullptr; }
  int ScreenWidth() const;
  int ScreenHeight() const;

  Image Screenshot();  // the whole root window
  void MouseMove(int x, int y);
  void Click(int x, int y, int button = 1);  // move, press, release
  void Type(const std::string& text);  // ASCII; '\n' or '\r' types Return, '\b' BackSpace
  void Key(const std::string& keysym, const std::vector<std::string>& modifiers = {});
  void AltF4() { Key("F4", {"Alt_L"}); }
  // Gives an X window the input focus and waits until the server reports it.
  bool Focus(unsigned long xwin, Millis timeout = Millis(3000));
  unsigned long FocusWindow();
  // A known desktop picture under the program's windows: the root window's
  // background colour (0xRRGGBB) and filled rectangles on it.
  void SetRootBackground(unsigned rgb);
  void FillRootRect(int x, int y, int width, int height, unsigned rgb);
  // Changes the size of the screen (its one monitor) through RandR, as a
  // change of resolution does; a mode that does not exist yet is made.
  bool SetScreenSize(int width, int height);
  // Whether a window manager holds the screen (WM_S0 / _NET_SUPPORTING_WM_CHECK).
  bool WindowManagerRunning();
  // Moves and sizes another client's X window, as a window manager may.
  void MoveResize(unsigned long xwin, const Rect& rect);
  // Whether a compositing manager holds the screen (_NET_WM_CM_S0).
  bool CompositorRunning();
  void Sync();

 private:
  void KeyCode(unsigned code, bool press);
  ::_XDisplay* display_ = nullptr;
};

// A window manager on the test display for tests that want one: fvwm (click
// to focus, no compositing) or xfwm4 with its compositor, each as it comes.
class WindowManager {
 public:
  enum Kind { Fvwm, CompositingXfwm };
  ~WindowManager() { Stop(); }
  bool Start(X11& x11, Kind kind = Fvwm, Millis timeout = Millis(15000));
  void Stop();
  static const char* Name(Kind kind) { return kind == Fvwm ? "fvwm" : "xfwm4 (compositing)"; }

 private:
  pid_t pid_ = -1;  // leads a process group of its own
};

// ---- The test fixture -------------------------------------------------------------

// Each test starts with no program running and without the program's profile
// section; it fails rather than hangs when a box it did not expect is open.
class WzrvTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts wzrv.exe with the arguments and waits until it is up: its main
  // window exists and it handles messages with no box open. A pattern
  // generation notice is confirmed with OK when `confirmNotices` is set.
  bool Start(const std::vector<std::string>& args = {}, const LaunchOptions& options = {},
             bool confirmNotices = true);

  // Current state; fails the test (and returns false) when an unexpected box is open.
  Snapshot State();
  // Waits for a state of the main window. Fails on timeout, on an unexpected
  // box, or when the program ends.
  bool WaitMain(const std::function<bool(const WindowInfo&)>& condition, const std::string& what,
                Millis timeout = kWait);
  bool WaitLocked(Millis timeout = kWait);    // restored and covering the screen
  bool WaitUnlocked(Millis timeout = kWait);  // minimised
  // The screen once it has settled: two equal screenshots 100 ms apart (or
  // the last one after 5 s).
  Image SettledScreen();
  // Waits until the screen is pixel for pixel `image`; on failure saves the
  // last screenshot in the test's artifacts and tells how far it is off.
  bool ScreenShows(const Image& image, const std::string& what, Millis timeout = Millis(5000));
  // Waits for a box whose caption is `caption` (any when empty); null on timeout.
  std::unique_ptr<Box> WaitBox(const std::string& caption = "", Millis timeout = kWait);
  // Presses a box's button and waits until the box is gone.
  bool Press(const Box& box, const std::string& button = "OK", Millis timeout = kWait);
  // Posts the lock command and waits for the reminder box.
  std::unique_ptr<Box> RequestLock(unsigned long command = IDM_LOCK);
  // Lock from the minimised state: command, reminder, OK, wait for the lock.
  bool LockWithReminder(std::string* reminderText = nullptr);

  // Types text as a user at the keyboard: the locked window has taken the
  // keyboard itself, with or without a window manager.
  void Type(const std::string& text);
  // Clicks at (x, y) and waits for the click's animation trace: everything
  // sent to the program before it has been handled when this returns.
  bool ClickAndWait(int x, int y, int button = 1, std::string* animationTrace = nullptr);
  // Waits for the first "wzrv: PREFIX..." trace with index >= from.
  bool WaitTrace(const std::string& prefix, size_t from = 0, Millis timeout = kWait);

  unsigned long MainHwnd() const { return mainHwnd_; }
  void ExpectBoxes(bool expected) { boxesExpected_ = expected; }
  Program& program() { return program_; }
  X11& x11();

  Program program_;
  unsigned long mainHwnd_ = 0;
  unsigned long mainXwin_ = 0;
  bool boxesExpected_ = false;
  std::unique_ptr<X11> x11_;
};

}  // namespace e2e
