// wzrvprobe: what a user of wzrv.exe sees, read through the wide-character API
// and printed as UTF-8 lines of tab-separated key=value fields.
//
//   wzrvprobe windows          main windows ("Windows Z.R.V"), open boxes (#32770)
//                              with their controls, and the foreground window
//   wzrvprobe all              every visible top-level window
//   wzrvprobe boxes [PID]      open boxes (of one process) with their controls
//   wzrvprobe menu HWND        the window's system menu and its placement (the
//                              restored position), read inside its process
//   wzrvprobe click HWND ID|TEXT   press a box button (WM_COMMAND BN_CLICKED); a
//                              text that is not ASCII is given as hex:UTF-8-BYTES
//                              (Wine does not pass such command lines intact)
//   wzrvprobe post HWND MSG WPARAM LPARAM
//   wzrvprobe send HWND MSG WPARAM LPARAM [TIMEOUT_MS]
//   wzrvprobe settext HWND TEXT    set a window's text (WM_SETTEXT, sent); TEXT as
//                              for click (hex:UTF-8-BYTES beyond ASCII)
//   wzrvprobe gettext HWND     a window's text as its window procedure gives it
//                              (WM_GETTEXT, sent; an edit field's contents)
//   wzrvprobe geometry HWND    the window's rectangle and its client area's origin
//                              in screen coordinates, its client size, and the
//                              dialog base units of the system font
//   wzrvprobe intruder MODE MS another program's window over the screen (below)
//   wzrvprobe host W H MS      a window for a screen saver's preview (below)
//
// Numbers are C literals (0x.. allowed). Texts are escaped: \t \n \r \\.
// Exit status: 0 done, 1 usage or failure, 2 a send timed out.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "probe_shared.h"

namespace {

void Write(const std::string& s) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), s.data(), static_cast<DWORD>(s.size()), &written, nullptr);
}

// The performance counter in milliseconds.
double NowMillis() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

int Fail(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::string line = std::string("wzrvprobe: ") + text + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  return 1;
}

std::wstring FromUtf8(const char* s) {
  int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
  if (n <= 1) return std::wstring();
  std::wstring out(n - 1, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s, -1, &out[0], n);
  return out;
}

std::string Hex(unsigned long v) {
  char b[32];
  std::snprintf(b, sizeof b, "0x%lx", v);
  return b;
}

unsigned long Handle(HWND h) { return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(h)); }

std::wstring ClassOf(HWND h) {
  wchar_t name[256] = L"";
  GetClassNameW(h, name, 256);
  return name;
}

std::wstring TextOf(HWND h) {
  int n = GetWindowTextLengthW(h);
  std::wstring text(n + 2, L'\0');
  int got = GetWindowTextW(h, &text[0], n + 2);
  text.resize(got > 0 ? got : 0);
  return text;
}

bool ParseNumber(const char* s, unsigned long* out) {
  if (s == nullptr || *s == '\0') return false;
  char* end = nullptr;
  *out = std::strtoul(s, &end, 0);
  return end != nullptr && *end == '\0';
}

bool ParseWindow(const char* s, HWND* out) {
  unsigned long v = 0;
  if (!ParseNumber(s, &v)) return false;
  *out = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(v));
  return IsWindow(*out) != FALSE;
}

// One line describing a top-level window.
std::string Describe(const char* kind, HWND h) {
  DWORD pid = 0;
  DWORD tid = GetWindowThreadProcessId(h, &pid);
  RECT r = {};
  GetWindowRect(h, &r);
  char rect[96];
  std::snprintf(rect, sizeof rect, "%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
  HANDLE xwin = GetPropW(h, L"__wine_x11_whole_window");
  std::string line = kind;
  line += "\thwnd=" + Hex(Handle(h));
  line += "\tpid=" + Hex(pid);
  line += "\ttid=" + Hex(tid);
  line += "\tclass=" + Escape(Utf8(ClassOf(h)));
  line += "\ttitle=" + Escape(Utf8(TextOf(h)));
  line += std::string("\tvisible=") + (IsWindowVisible(h) ? "1" : "0");
  line += std::string("\ticonic=") + (IsIconic(h) ? "1" : "0");
  line += std::string("\tzoomed=") + (IsZoomed(h) ? "1" : "0");
  line += std::string("\tenabled=") + (IsWindowEnabled(h) ? "1" : "0");
  line += std::string("\trect=") + rect;
  line += "\tstyle=" + Hex(static_cast<unsigned long>(GetWindowLongW(h, GWL_STYLE)));
  line += "\texstyle=" + Hex(static_cast<unsigned long>(GetWindowLongW(h, GWL_EXSTYLE)));
  line += "\towner=" + Hex(Handle(GetWindow(h, GW_OWNER)));
  line += "\txwin=" + Hex(static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(xwin)));
  line += "\n";
  return line;
}

BOOL CALLBACK Collect(HWND h, LPARAM p) {
  reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
  return TRUE;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> list;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&list));
  return list;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> list;
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&list));
  return list;
}

std::string DescribeBox(HWND box) {
  std::string out = Describe("box", box);
  for (HWND c : Children(box)) {
    out += "control\tparent=" + Hex(Handle(box));
    out += "\thwnd=" + Hex(Handle(c));
    out += "\tid=" + Hex(static_cast<unsigned long>(GetDlgCtrlID(c)) & 0xFFFFu);
    out += "\tclass=" + Escape(Utf8(ClassOf(c)));
    out += "\tstyle=" + Hex(static_cast<unsigned long>(GetWindowLongW(c, GWL_STYLE)));
    out += std::string("\tvisible=") + (IsWindowVisible(c) ? "1" : "0");
    out += "\ttext=" + Escape(Utf8(TextOf(c))) + "\n";
  }
  return out;
}

bool IsBox(HWND h) { return ClassOf(h) == L"#32770" && IsWindowVisible(h); }

int ListBoxes(bool filter, DWORD pid, std::string* out) {
  int n = 0;
  for (HWND h : TopLevelWindows()) {
    if (!IsBox(h)) continue;
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    if (filter && owner != pid) continue;
    *out += DescribeBox(h);
    ++n;
  }
  return n;
}

int CmdWindows() {
  std::string out;
  for (HWND h : TopLevelWindows()) {
    if (ClassOf(h) == L"Windows Z.R.V") out += Describe("window", h);
  }
  ListBoxes(false, 0, &out);
  out += "foreground\thwnd=" + Hex(Handle(GetForegroundWindow())) + "\n";
  Write(out);
  return 0;
}

int CmdAll() {
  std::string out;
  for (HWND h : TopLevelWindows()) {
    if (IsWindowVisible(h)) out += Describe("window", h);
  }
  out += "foreground\thwnd=" + Hex(Handle(GetForegroundWindow())) + "\n";
  Write(out);
  return 0;
}

int CmdBoxes(int argc, char** argv) {
  unsigned long pid = 0;
  bool filter = argc > 2;
  if (filter && !ParseNumber(argv[2], &pid)) return Fail("bad process id '%s'", argv[2]);
  std::string out;
  ListBoxes(filter, static_cast<DWORD>(pid), &out);
  Write(out);
  return 0;
}

// Where a module is loaded in another process (0 when it is not). A remote
// LoadLibraryA's thread exit code cannot tell: it holds only the low 32 bits
// of the address, which in a 64-bit process is not the address.
ULONG_PTR RemoteModuleBase(DWORD pid, const char* name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  ULONG_PTR base = 0;
  MODULEENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32First(snapshot, &entry); more && base == 0; more = Module32Next(snapshot, &entry)) {
    if (lstrcmpiW(entry.szModule, FromUtf8(name).c_str()) == 0) {
      base = reinterpret_cast<ULONG_PTR>(entry.modBaseAddr);
    }
  }
  CloseHandle(snapshot);
  return base;
}

// Loads the hook into the window's process, runs its reader on a second remote
// thread and prints what it wrote into the request block.
int CmdMenu(int argc, char** argv) {
  HWND hwnd = nullptr;
  if (argc < 3 || !ParseWindow(argv[2], &hwnd)) return Fail("menu: no such window '%s'", argc > 2 ? argv[2] : "");
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return Fail("menu: cannot find own path");
  char* slash = std::strrchr(path, '\\');
  if (slash == nullptr) return Fail("menu: odd own path '%s'", path);
  std::strcpy(slash + 1, "wzrvprobehook.dll");

  HMODULE local = LoadLibraryA(path);
  if (local == nullptr) return Fail("menu: cannot load %s (%lu)", path, GetLastError());
  void* localProc = reinterpret_cast<void*>(GetProcAddress(local, PROBE_HOOK_EXPORT));
  if (localProc == nullptr) return Fail("menu: %s lacks %s", path, PROBE_HOOK_EXPORT);
  const ULONG_PTR offset = reinterpret_cast<ULONG_PTR>(localProc) - reinterpret_cast<ULONG_PTR>(local);

  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
  if (process == nullptr) return Fail("menu: cannot open process 0x%lx (%lu)", pid, GetLastError());

  int status = 0;
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "LoadLibraryA")));
  auto freeLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "FreeLibrary")));
  const SIZE_T blockSize = sizeof(ProbeMenuRequest) + MAX_PATH;
  void* block = VirtualAllocEx(process, nullptr, blockSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (block == nullptr) {
    CloseHandle(process);
    return Fail("menu: VirtualAllocEx failed (%lu)", GetLastError());
  }
  char* remotePath = static_cast<char*>(block) + sizeof(ProbeMenuRequest);
  ProbeMenuRequest* request = new ProbeMenuRequest();
  request->hwnd = static_cast<DWORD>(Handle(hwnd));
  request->length = 0;

  auto runRemote = [&](LPTHREAD_START_ROUTINE start, void* arg, DWORD* exitCode) -> bool {
    HANDLE thread = CreateRemoteThread(process, nullptr, 0, start, arg, 0, nullptr);
    if (thread == nullptr) return false;
    bool done = WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0;
    if (done) GetExitCodeThread(thread, exitCode);
    CloseHandle(thread);
    return done;
  };

  DWORD loaded = 0;
  ULONG_PTR remoteBase = 0;
  if (!WriteProcessMemory(process, remotePath, path, std::strlen(path) + 1, nullptr) ||
      !WriteProcessMemory(process, block, request, sizeof(ProbeMenuRequest), nullptr)) {
    status = Fail("menu: WriteProcessMemory failed (%lu)", GetLastError());
  } else if (!runRemote(loadLibrary, remotePath, &loaded) || loaded == 0 ||
             (remoteBase = RemoteModuleBase(pid, "wzrvprobehook.dll")) == 0) {
    status = Fail("menu: the hook did not load in process 0x%lx", pid);
  } else {
    auto remoteProc = reinterpret_cast<LPTHREAD_START_ROUTINE>(remoteBase + offset);
    DWORD result = 0;
    if (!runRemote(remoteProc, block, &result) || result != 1) {
      status = Fail("menu: the reader did not finish in process 0x%lx", pid);
    } else if (!ReadProcessMemory(process, block, request, sizeof(ProbeMenuRequest), nullptr)) {
      status = Fail("menu: ReadProcessMemory failed (%lu)", GetLastError());
    } else {
      Write(std::string(request->text, request->length < sizeof request->text ? request->length : 0));
    }
    DWORD ignored = 0;
    runRemote(freeLibrary, reinterpret_cast<void*>(remoteBase), &ignored);
  }
  VirtualFreeEx(process, block, 0, MEM_RELEASE);
  CloseHandle(process);
  delete request;
  return status;
}

std::wstring WithoutAmpersands(const std::wstring& s) {
  std::wstring out;
  for (wchar_t c : s) {
    if (c != L'&') out += c;
  }
  return out;
}

int CmdClick(int argc, char** argv) {
  HWND box = nullptr;
  if (argc < 4 || !ParseWindow(argv[2], &box)) return Fail("click: no such window '%s'", argc > 2 ? argv[2] : "");
  unsigned long id = 0;
  HWND button = nullptr;
  if (ParseNumber(argv[3], &id)) {
    button = GetDlgItem(box, static_cast<int>(id));
  } else {
    std::string text = argv[3];
    if (text.compare(0, 4, "hex:") == 0) {
      std::string bytes;
      for (size_t i = 4; i + 1 < text.size(); i += 2) {
        bytes += static_cast<char>(std::strtoul(text.substr(i, 2).c_str(), nullptr, 16));
      }
      text = bytes;
    }
    const std::wstring wanted = WithoutAmpersands(FromUtf8(text.c_str()));
    for (HWND c : Children(box)) {
      if (WithoutAmpersands(TextOf(c)) == wanted) {
        button = c;
        id = static_cast<unsigned long>(GetDlgCtrlID(c)) & 0xFFFFu;
        break;
      }
    }
  }
  if (button == nullptr) return Fail("click: no button '%s' in window %s", argv[3], argv[2]);
  if (!PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button))) {
    return Fail("click: PostMessage failed (%lu)", GetLastError());
  }
  return 0;
}

int CmdMessage(int argc, char** argv, bool send) {
  HWND hwnd = nullptr;
  unsigned long message = 0, wparam = 0, lparam = 0, timeout = 5000;
  if (argc < 6 || !ParseWindow(argv[2], &hwnd) || !ParseNumber(argv[3], &message) ||
      !ParseNumber(argv[4], &wparam) || !ParseNumber(argv[5], &lparam) ||
      (argc > 6 && !ParseNumber(argv[6], &timeout))) {
    return Fail("%s: usage HWND MSG WPARAM LPARAM%s (a live window, numbers)", argv[1], send ? " [TIMEOUT_MS]" : "");
  }
  if (!send) {
    const double at = NowMillis();
    if (!PostMessageW(hwnd, message, wparam, static_cast<LPARAM>(lparam))) {
      return Fail("post: PostMessage failed (%lu)", GetLastError());
    }
    char line[64];
    std::snprintf(line, sizeof line, "posted\tt=%.3f\n", at);
    Write(line);
    return 0;
  }
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, message, wparam, static_cast<LPARAM>(lparam), SMTO_NORMAL, timeout, &result)) {
    Fail("send: no answer within %lu ms (%lu)", timeout, GetLastError());
    return 2;
  }
  Write("result\tvalue=" + Hex(static_cast<unsigned long>(result)) + "\n");
  return 0;
}

std::string DecodeText(const char* arg) {
  std::string text = arg;
  if (text.compare(0, 4, "hex:") == 0) {
    std::string bytes;
    for (size_t i = 4; i + 1 < text.size(); i += 2) {
      bytes += static_cast<char>(std::strtoul(text.substr(i, 2).c_str(), nullptr, 16));
    }
    text = bytes;
  }
  return text;
}

int CmdSetText(int argc, char** argv) {
  HWND hwnd = nullptr;
  if (argc < 4 || !ParseWindow(argv[2], &hwnd)) return Fail("settext: no such window '%s'", argc > 2 ? argv[2] : "");
  const std::wstring text = FromUtf8(DecodeText(argv[3]).c_str());
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 5000,
                           &result)) {
    Fail("settext: no answer (%lu)", GetLastError());
    return 2;
  }
  return 0;
}

int CmdGetText(int argc, char** argv) {
  HWND hwnd = nullptr;
  if (argc < 3 || !ParseWindow(argv[2], &hwnd)) return Fail("gettext: no such window '%s'", argc > 2 ? argv[2] : "");
  std::wstring text(4096, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_NORMAL, 5000,
                           &got)) {
    Fail("gettext: no answer (%lu)", GetLastError());
    return 2;
  }
  text.resize(got < text.size() ? got : 0);
  Write("text\tvalue=" + Escape(Utf8(text)) + "\n");
  return 0;
}

// Another program's ShowWindow on a window (SW_MINIMIZE, SW_HIDE, ...).
int CmdShow(int argc, char** argv) {
  HWND hwnd = nullptr;
  unsigned long how = 0;
  if (argc < 4 || !ParseWindow(argv[2], &hwnd) || !ParseNumber(argv[3], &how)) {
    return Fail("show: usage HWND SW_NUMBER (a live window)");
  }
  ShowWindow(hwnd, static_cast<int>(how));
  return 0;
}

int CmdGeometry(int argc, char** argv) {
  HWND hwnd = nullptr;
  if (argc < 3 || !ParseWindow(argv[2], &hwnd)) return Fail("geometry: no such window '%s'", argc > 2 ? argv[2] : "");
  RECT r = {};
  GetWindowRect(hwnd, &r);
  RECT c = {};
  GetClientRect(hwnd, &c);
  POINT origin = {0, 0};
  ClientToScreen(hwnd, &origin);
  const LONG base = GetDialogBaseUnits();
  char line[256];
  std::snprintf(line, sizeof line, "geometry\trect=%ld,%ld,%ld,%ld\tclient=%ld,%ld\tsize=%ld,%ld\tbase=%d,%d\n",
                r.left, r.top, r.right, r.bottom, origin.x, origin.y, c.right, c.bottom, LOWORD(base),
                HIWORD(base));
  Write(line);
  return 0;
}

// The monitors as a program sees them: the virtual screen, then one line a
// monitor (its rectangle and whether it is the primary one), and the DPI.
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  MONITORINFO info;
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  char line[160];
  std::snprintf(line, sizeof line, "monitor\trect=%ld,%ld,%ld,%ld\tprimary=%d\n", info.rcMonitor.left,
                info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom,
                (info.dwFlags & MONITORINFOF_PRIMARY) ? 1 : 0);
  reinterpret_cast<std::string*>(data)->append(line);
  return TRUE;
}

int CmdMonitors() {
  char line[200];
  HDC screen = GetDC(nullptr);
  std::snprintf(line, sizeof line, "screen\tvirtual=%d,%d,%d,%d\tcount=%d\tprimary=%d,%d\tdpi=%d\n",
                GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
                GetSystemMetrics(SM_CMONITORS), GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                GetDeviceCaps(screen, LOGPIXELSX));
  ReleaseDC(nullptr, screen);
  std::string out = line;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&out));
  Write(out);
  return 0;
}

// The show and the hide of a trivial window, as a reference for the lock's
// and the unlock's latency under the same Wine: CYCLES times each, timed in
// this process until the calls and the messages they caused are done;
// prints the medians in milliseconds.
void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The reference of the lock's benchmark, timed from outside by the same X
// observer as the program: CYCLES times a topmost window the size of the
// screen that paints one colour, shown and hidden, then CYCLES times a plain
// message box, each closed by the probe itself after a while. Each action
// prints its moment on the performance counter (under Wine the host's raw
// monotonic clock), in milliseconds, before it is taken.
LRESULT CALLBACK ReferenceProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) return 1;
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &ps.rcPaint, brush);
    DeleteObject(brush);
    EndPaint(w, &ps);
    return 0;
  }
  return DefWindowProcA(w, msg, wp, lp);
}

void PumpFor(DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  for (DWORD now = GetTickCount(); static_cast<LONG>(end - now) > 0; now = GetTickCount()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
    Pump();
  }
}

void Moment(const char* what) {
  char line[64];
  std::snprintf(line, sizeof line, "%s\tt=%.3f\n", what, NowMillis());
  Write(line);
}

DWORD WINAPI CloseBoxLater(LPVOID) {
  for (int i = 0; i < 100; ++i) {
    Sleep(20);
    HWND box = FindWindowA("#32770", "wzrvprobe reference");
    if (box == nullptr) continue;
    Sleep(1500);
    Moment("boxend");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return 0;
  }
  return 0;
}

int CmdReference(int argc, char** argv) {
  const int cycles = argc > 2 ? std::atoi(argv[2]) : 5;
  const DWORD pause = argc > 3 ? static_cast<DWORD>(std::atoi(argv[3])) : 800;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = ReferenceProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "wzrvprobe reference";
  RegisterClassA(&wc);
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  HWND window = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "reference", WS_POPUP, 0, 0, w, h, nullptr,
                                nullptr, wc.hInstance, nullptr);
  if (window == nullptr) return Fail("reference: no window");
  for (int i = 0; i < cycles; ++i) {
    Moment("show");
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    PumpFor(pause);
    Moment("hide");
    ShowWindow(window, SW_HIDE);
    PumpFor(pause);
  }
  DestroyWindow(window);
  for (int i = 0; i < cycles; ++i) {
    HANDLE closer = CreateThread(nullptr, 0, CloseBoxLater, nullptr, 0, nullptr);
    Moment("box");
    MessageBoxA(nullptr, "reference", "wzrvprobe reference", MB_OK);
    if (closer != nullptr) {
      WaitForSingleObject(closer, 5000);
      CloseHandle(closer);
    }
    PumpFor(pause);
  }
  Moment("end");
  return 0;
}

int CmdTrivial(int argc, char** argv) {
  const int cycles = argc > 2 ? std::atoi(argv[2]) : 10;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = "wzrvprobe trivial";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(0, wc.lpszClassName, "trivial", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200, nullptr,
                           nullptr, wc.hInstance, nullptr);
  if (w == nullptr) return Fail("trivial: no window");
  LARGE_INTEGER f, a, b;
  QueryPerformanceFrequency(&f);
  std::vector<double> shows, hides;
  for (int i = 0; i < cycles; ++i) {
    QueryPerformanceCounter(&a);
    ShowWindow(w, SW_SHOWNORMAL);
    SetForegroundWindow(w);
    UpdateWindow(w);
    Pump();
    QueryPerformanceCounter(&b);
    shows.push_back(1000.0 * (b.QuadPart - a.QuadPart) / f.QuadPart);
    Sleep(100);
    Pump();
    QueryPerformanceCounter(&a);
    ShowWindow(w, SW_HIDE);
    Pump();
    QueryPerformanceCounter(&b);
    hides.push_back(1000.0 * (b.QuadPart - a.QuadPart) / f.QuadPart);
    Sleep(100);
    Pump();
  }
  DestroyWindow(w);
  char line[80];
  std::snprintf(line, sizeof line, "trivial\tshow=%.0f\thide=%.0f\n", Median(shows), Median(hides));
  Write(line);
  return 0;
}

// A white popup of this program's own, of class `name`, at (x, y), w x h.
HWND WhitePopup(const wchar_t* name, WNDPROC proc, DWORD exStyle, int x, int y, int w, int h) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = name;
  RegisterClassW(&wc);
  return CreateWindowExW(exStyle, name, name, WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr, wc.hInstance,
                         nullptr);
}

// Another program that wants to be seen over the lock, for MS milliseconds:
//   intruder popup MS    a white WS_EX_TOPMOST popup over the middle of the screen
//   intruder steal MS    the same popup, and it takes the foreground every 200 ms
//   intruder box MS      a message box with MB_SYSTEMMODAL | MB_TOPMOST
// Prints "char\tcode=N" for every character the popup receives, and
// "intruder\tchars=N" at the end.
int intruderChars = 0;

LRESULT CALLBACK IntruderProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CHAR) {
    ++intruderChars;
    char line[40];
    std::snprintf(line, sizeof line, "char\tcode=%u\n", static_cast<unsigned>(wp));
    Write(line);
    return 0;
  }
  if (msg == WM_TIMER && wp == 2) SetForegroundWindow(w);
  if (msg == WM_TIMER && wp == 1) PostQuitMessage(0);
  return DefWindowProcW(w, msg, wp, lp);
}

DWORD WINAPI QuitBoxLater(LPVOID ms) {
  Sleep(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(ms)));
  ExitProcess(0);
}

int CmdIntruder(int argc, char** argv) {
  if (argc < 4) return Fail("intruder: usage popup|steal|box MS");
  const std::string mode = argv[2];
  const DWORD ms = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
  if (mode == "box") {
    CreateThread(nullptr, 0, QuitBoxLater, reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(ms)), 0, nullptr);
    Write("intruder\tshown=1\n");
    MessageBoxW(nullptr, L"intruder", L"intruder", MB_OK | MB_SYSTEMMODAL | MB_TOPMOST);
    return 0;
  }
  if (mode != "popup" && mode != "steal") return Fail("intruder: unknown mode '%s'", argv[2]);
  const int w = 400, h = 300;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  HWND popup = WhitePopup(L"wzrvprobe intruder", IntruderProc, WS_EX_TOPMOST, x, y, w, h);
  if (popup == nullptr) return Fail("intruder: no window");
  SetForegroundWindow(popup);
  SetFocus(popup);
  SetTimer(popup, 1, ms, nullptr);
  if (mode == "steal") SetTimer(popup, 2, 200, nullptr);
  Write("intruder\tshown=1\n");
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  DestroyWindow(popup);
  char line[40];
  std::snprintf(line, sizeof line, "intruder\tchars=%d\n", intruderChars);
  Write(line);
  return 0;
}

// A window that a screen saver's preview draws into, W x H at (100, 100):
// prints "host\thwnd=N" (decimal, as a saver takes it), takes the foreground,
// prints "char\tcode=N" for every character it receives, destroys itself
// after MS milliseconds ("host\tdestroyed=1") and ends a second later.
LRESULT CALLBACK HostProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CHAR) {
    char line[40];
    std::snprintf(line, sizeof line, "char\tcode=%u\n", static_cast<unsigned>(wp));
    Write(line);
    return 0;
  }
  if (msg == WM_TIMER && wp == 1) {
    DestroyWindow(w);
    Write("host\tdestroyed=1\n");
    return 0;
  }
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(w, msg, wp, lp);
}

int CmdHost(int argc, char** argv) {
  if (argc < 5) return Fail("host: usage W H MS");
  const int w = std::atoi(argv[2]), h = std::atoi(argv[3]);
  const DWORD ms = static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10));
  HWND host = WhitePopup(L"wzrvprobe host", HostProc, 0, 100, 100, w, h);
  if (host == nullptr) return Fail("host: no window");
  SetForegroundWindow(host);
  SetFocus(host);
  SetTimer(host, 1, ms, nullptr);
  char line[64];
  std::snprintf(line, sizeof line, "host\thwnd=%llu\n",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(host)));
  Write(line);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  Sleep(1000);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    return Fail("usage: wzrvprobe windows|all|boxes|menu|click|post|send|settext|gettext|geometry|intruder|host ...");
  }
  const std::string cmd = argv[1];
  if (cmd == "windows") return CmdWindows();
  if (cmd == "all") return CmdAll();
  if (cmd == "boxes") return CmdBoxes(argc, argv);
  if (cmd == "menu") return CmdMenu(argc, argv);
  if (cmd == "click") return CmdClick(argc, argv);
  if (cmd == "post") return CmdMessage(argc, argv, false);
  if (cmd == "send") return CmdMessage(argc, argv, true);
  if (cmd == "settext") return CmdSetText(argc, argv);
  if (cmd == "geometry") return CmdGeometry(argc, argv);
  if (cmd == "show") return CmdShow(argc, argv);
  if (cmd == "gettext") return CmdGetText(argc, argv);
  if (cmd == "monitors") return CmdMonitors();
  if (cmd == "trivial") return CmdTrivial(argc, argv);
  if (cmd == "reference") return CmdReference(argc, argv);
  if (cmd == "intruder") return CmdIntruder(argc, argv);
  if (cmd == "host") return CmdHost(argc, argv);
  return Fail("unknown command '%s'", argv[1]);
}
