#include "tests/e2e/harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

#ifndef WZRV_E2E_WIN32_DIR
#define WZRV_E2E_WIN32_DIR ""
#endif
#ifndef WZRV_E2E_ARTIFACTS
#define WZRV_E2E_ARTIFACTS "/tmp/wzrv-e2e-artifacts"
#endif

namespace e2e {

// ---- Environment and paths -------------------------------------------------

std::string Env(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return (v != nullptr && *v != '\0') ? std::string(v) : fallback;
}

std::string Win32Dir() { return Env("WZRV_WIN32_DIR", WZRV_E2E_WIN32_DIR); }
std::string ProductDir() { return WZRV_E2E_WIN32_DIR; }
std::string ExePath() { return Win32Dir() + "/wzrv.exe"; }
std::string ProbePath() { return Win32Dir() + "/wzrvprobe.exe"; }

std::string Tool() {
  const std::string env = Env("WZRV_TOOL");
  if (!env.empty()) return env;
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "wzrvtool";
  std::string dir(self, static_cast<size_t>(n));
  for (int up = 0; up < 3; ++up) dir = dir.substr(0, dir.rfind('/'));
  return dir + "/wzrvtool";
}

std::string MissingEnvironment() {
  std::string missing;
  for (const char* name : {"DISPLAY", "WINEPREFIX", "WZRV_WINE_LOCALE"}) {
    if (Env(name).empty()) missing += std::string(missing.empty() ? "" : ", ") + name;
  }
  if (!missing.empty()) {
    return "no Wine environment (" + missing + " unset): run the end-to-end tests through "
           "scripts/wine-env.sh (make e2e)";
  }
  for (const std::string& path : {ExePath(), ProbePath(), Win32Dir() + "/wzrvprobehook.dll"}) {
    if (access(path.c_str(), R_OK) != 0) return path + " is missing: build it first (make win32)";
  }
  return "";
}

std::string WinIniPath() { return Env("WINEPREFIX") + "/drive_c/windows/win.ini"; }

std::string ArtifactDir() {
  std::string dir = Env("WZRV_E2E_ARTIFACTS", WZRV_E2E_ARTIFACTS);
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (info != nullptr) dir += "/" + std::string(info->test_suite_name()) + "." + info->name();
  MakeDirs(dir);
  return dir;
}

std::string SaveNumberedPng(const Image& image, const std::string& name) {
  static std::map<std::string, int> serials;
  const std::string path = ArtifactDir() + "/" + name + "-" + std::to_string(++serials[name]) + ".png";
  SavePng(image, path);
  return path;
}

std::string DefaultProgramDir() {
  std::string dir = Env("WINEPREFIX") + "/drive_c/wzrv-e2e";
  MakeDirs(dir);
  return dir;
}

// ---- Small utilities ---------------------------------------------------------

std::string ReadFile(const std::string& path, bool* exists) {
  std::ifstream in(path, std::ios::binary);
  if (exists != nullptr) *exists = static_cast<bool>(in);
  if (!in) return "";
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0 || errno == ENOENT; }

bool MakeDirs(const std::string& path) {
  std::string partial;
  std::stringstream s(path);
  std::string part;
  if (!path.empty() && path[0] == '/') partial = "/";
  while (std::getline(s, part, '/')) {
    if (part.empty()) continue;
    partial += part + "/";
    if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool WaitUntil(const std::function<bool()>& condition, Millis timeout, Millis interval) {
  const auto end = Clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (Clock::now() >= end) return false;
    std::this_thread::sleep_for(interval);
  }
}

namespace {

std::vector<std::string> BuildEnv(const std::map<std::string, std::string>& overrides) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string entry = *e;
    const std::string key = entry.substr(0, entry.find('='));
    if (overrides.count(key) == 0) env.push_back(entry);
  }
  for (const auto& kv : overrides) env.push_back(kv.first + "=" + kv.second);
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> p;
  for (auto& s : strings) p.push_back(&s[0]);
  p.push_back(nullptr);
  return p;
}

std::map<std::string, std::string> WineEnv(const std::string& debug, const std::string& locale = "") {
  return {{"LC_ALL", locale.empty() ? Env("WZRV_WINE_LOCALE", "ja_JP.UTF-8") : locale}, {"WINEDEBUG", debug}};
}

}  // namespace

void KillSpawned(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGKILL);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

pid_t Spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
            const std::string& cwd, const std::string& outFile, const std::string& errFile) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.empty() ? "/dev/null" : outFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.empty() ? "/dev/null" : errFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  std::vector<std::string> args = argv;
  std::vector<std::string> envs = BuildEnv(env);
  auto argp = Pointers(args);
  auto envp = Pointers(envs);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

RunResult Run(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
              Millis timeout) {
  RunResult result;
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) return result;
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  std::vector<std::string> args = argv;
  std::vector<std::string> envs = BuildEnv(env);
  auto argp = Pointers(args);
  auto envp = Pointers(envs);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  if (rc != 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    result.err = "cannot start " + argv[0];
    return result;
  }
  // Wine may start its services from this process; they inherit the pipes and
  // keep them open, so the end of the output is the end of the process, not EOF.
  fcntl(outPipe[0], F_SETFL, O_NONBLOCK);
  fcntl(errPipe[0], F_SETFL, O_NONBLOCK);
  const auto end = Clock::now() + timeout;
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  char buf[8192];
  auto drain = [&] {
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0) continue;
      for (;;) {
        const ssize_t n = read(fds[i].fd, buf, sizeof buf);
        if (n > 0) {
          (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(n));
          continue;
        }
        if (n == 0) {
          close(fds[i].fd);
          fds[i].fd = -1;
        }
        break;
      }
    }
  };
  int status = 0;
  bool exited = false;
  while (!exited) {
    const auto left = std::chrono::duration_cast<Millis>(end - Clock::now()).count();
    if (left <= 0) {
      result.timedOut = true;
      break;
    }
    poll(fds, 2, static_cast<int>(left < 5 ? left : 5));
    drain();
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) exited = true;
  }
  drain();
  for (auto& f : fds) {
    if (f.fd >= 0) close(f.fd);
  }
  if (!exited) {
    kill(pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  } else if (WIFEXITED(status)) {
    result.exitCode = WEXITSTATUS(status);
  }
  return result;
}

// ---- The probe ---------------------------------------------------------------

std::string Record::Get(const std::string& key) const {
  auto it = fields.find(key);
  return it == fields.end() ? std::string() : it->second;
}

unsigned long Record::Number(const std::string& key) const {
  return std::strtoul(Get(key).c_str(), nullptr, 0);
}

namespace {

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char c = s[++i];
      out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

std::vector<Record> ParseRecords(const std::string& text) {
  std::vector<Record> records;
  for (const std::string& line : SplitLines(text)) {
    if (line.empty()) continue;
    Record r;
    size_t start = 0;
    bool first = true;
    while (start <= line.size()) {
      size_t tab = line.find('\t', start);
      if (tab == std::string::npos) tab = line.size();
      const std::string field = line.substr(start, tab - start);
      if (first) {
        r.kind = field;
        first = false;
      } else {
        const size_t eq = field.find('=');
        if (eq != std::string::npos) r.fields[field.substr(0, eq)] = Unescape(field.substr(eq + 1));
      }
      start = tab + 1;
    }
    records.push_back(r);
  }
  return records;
}

WindowInfo WindowInfo::From(const Record& r) {
  WindowInfo w;
  w.hwnd = r.Number("hwnd");
  w.pid = r.Number("pid");
  w.tid = r.Number("tid");
  w.owner = r.Number("owner");
  w.xwin = r.Number("xwin");
  w.cls = r.Get("class");
  w.title = r.Get("title");
  w.visible = r.Get("visible") == "1";
  w.iconic = r.Get("iconic") == "1";
  w.zoomed = r.Get("zoomed") == "1";
  w.enabled = r.Get("enabled") == "1";
  std::sscanf(r.Get("rect").c_str(), "%ld,%ld,%ld,%ld", &w.rect.left, &w.rect.top, &w.rect.right,
              &w.rect.bottom);
  w.style = r.Number("style");
  w.exstyle = r.Number("exstyle");
  return w;
}

std::string Box::StaticText() const {
  std::string text;
  for (const Control& c : controls) {
    if (c.cls == "Static" && !c.text.empty()) text += (text.empty() ? "" : "\n") + c.text;
  }
  return text;
}

namespace {
std::string NoAmpersand(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c != '&') out += c;
  }
  return out;
}
}  // namespace

bool Box::HasButton(const std::string& text) const {
  for (const Control& c : controls) {
    if (c.cls == "Button" && NoAmpersand(c.text) == NoAmpersand(text)) return true;
  }
  return false;
}

std::string Box::Describe() const {
  std::string s = "box \"" + window.title + "\" (pid " + std::to_string(window.pid) + ")";
  for (const Control& c : controls) s += " [" + c.cls + " " + std::to_string(c.id) + " \"" + c.text + "\"]";
  return s;
}

const WindowInfo* Snapshot::Main() const { return windows.empty() ? nullptr : &windows.front(); }

std::string Snapshot::Describe() const {
  if (!ok) return "probe failed: " + error;
  std::ostringstream s;
  for (const WindowInfo& w : windows) {
    s << "window 0x" << std::hex << w.hwnd << std::dec << " \"" << w.title << "\" iconic=" << w.iconic
      << " visible=" << w.visible << " rect=" << w.rect.left << "," << w.rect.top << "," << w.rect.right << ","
      << w.rect.bottom << " exstyle=0x" << std::hex << w.exstyle << std::dec << "\n";
  }
  for (const Box& b : boxes) s << b.Describe() << "\n";
  if (windows.empty() && boxes.empty()) s << "(no main window, no box)\n";
  return s.str();
}

namespace probe {

RunResult Invoke(const std::vector<std::string>& args, Millis timeout) {
  std::vector<std::string> argv = {"wine", ProbePath()};
  argv.insert(argv.end(), args.begin(), args.end());
  return Run(argv, WineEnv("-all"), timeout);
}

Snapshot Windows() {
  Snapshot snap;
  RunResult r = Invoke({"windows"});
  if (r.exitCode != 0) {
    snap.error = r.err.empty() ? "wzrvprobe windows failed" : r.err;
    return snap;
  }
  snap.ok = true;
  for (const Record& rec : ParseRecords(r.out)) {
    if (rec.kind == "window") {
      snap.windows.push_back(WindowInfo::From(rec));
    } else if (rec.kind == "box") {
      Box b;
      b.window = WindowInfo::From(rec);
      snap.boxes.push_back(b);
    } else if (rec.kind == "control" && !snap.boxes.empty()) {
      Control c;
      c.hwnd = rec.Number("hwnd");
      c.id = rec.Number("id");
      c.style = rec.Number("style");
      c.cls = rec.Get("class");
      c.text = rec.Get("text");
      c.visible = rec.Get("visible") == "1";
      snap.boxes.back().controls.push_back(c);
    } else if (rec.kind == "foreground") {
      snap.foreground = rec.Number("hwnd");
    }
  }
  return snap;
}

static std::string Hex(unsigned long v) {
  char b[32];
  std::snprintf(b, sizeof b, "0x%lx", v);
  return b;
}

Inside ReadInside(unsigned long hwnd) {
  Inside inside;
  RunResult r = Invoke({"menu", Hex(hwnd)});
  if (r.exitCode != 0) {
    inside.error = r.err.empty() ? "wzrvprobe menu failed" : r.err;
    return inside;
  }
  inside.ok = true;
  for (const Record& rec : ParseRecords(r.out)) {
    if (rec.kind == "error") {
      inside.ok = false;
      inside.error = rec.Get("message").empty() ? r.out : rec.Get("message");
    } else if (rec.kind == "placement") {
      inside.showCmd = static_cast<unsigned>(rec.Number("show"));
      std::sscanf(rec.Get("normal").c_str(), "%ld,%ld,%ld,%ld", &inside.normal.left, &inside.normal.top,
                  &inside.normal.right, &inside.normal.bottom);
    } else if (rec.kind == "item") {
      MenuItem m;
      m.pos = static_cast<int>(rec.Number("pos"));
      m.id = rec.Number("id");
      m.state = rec.Number("state");
      m.type = rec.Number("type");
      m.separator = rec.Get("separator") == "1";
      m.text = rec.Get("text");
      inside.menu.push_back(m);
    }
  }
  return inside;
}

std::vector<MenuItem> Menu(unsigned long hwnd, std::string* error) {
  Inside inside = ReadInside(hwnd);
  if (error != nullptr) *error = inside.error;
  return inside.menu;
}

bool Click(unsigned long box, const std::string& button, std::string* error) {
  // Wine garbles command-line bytes beyond ASCII: such texts travel as hex.
  std::string arg = button;
  for (unsigned char c : button) {
    if (c >= 0x80) {
      arg = "hex:";
      for (unsigned char b : button) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", b);
        arg += two;
      }
      break;
    }
  }
  const RunResult r = Invoke({"click", Hex(box), arg});
  if (r.exitCode != 0 && error != nullptr) {
    *error = "exit " + std::to_string(r.exitCode) + (r.timedOut ? " (timed out)" : "") + ": " + r.err;
  }
  return r.exitCode == 0;
}

bool Post(unsigned long hwnd, unsigned msg, unsigned long wparam, unsigned long lparam) {
  return Invoke({"post", Hex(hwnd), Hex(msg), Hex(wparam), Hex(lparam)}).exitCode == 0;
}

bool Show(unsigned long hwnd, int how) { return Invoke({"show", Hex(hwnd), std::to_string(how)}).exitCode == 0; }

bool Send(unsigned long hwnd, unsigned msg, unsigned long wparam, unsigned long lparam, unsigned long timeoutMs,
          unsigned long* result, std::string* error) {
  RunResult r = Invoke({"send", Hex(hwnd), Hex(msg), Hex(wparam), Hex(lparam), std::to_string(timeoutMs)},
                       Millis(timeoutMs + 20000));
  if (r.exitCode != 0) {
    if (error != nullptr) {
      *error = r.timedOut        ? "wzrvprobe send did not end"
               : r.err.empty() ? "wzrvprobe send ended with " + std::to_string(r.exitCode)
                               : r.err;
    }
    return false;
  }
  for (const Record& rec : ParseRecords(r.out)) {
    if (rec.kind != "result") continue;
    if (result != nullptr) *result = rec.Number("value");
    return true;
  }
  if (error != nullptr) *error = "wzrvprobe send printed no result: " + r.out;
  return false;
}

}  // namespace probe

// ---- The program under test ----------------------------------------------------

Program::~Program() { Kill(); }

bool Program::Launch(const std::vector<std::string>& args, const LaunchOptions& options) {
  Kill();
  exited_ = false;
  exitCode_ = -1;
  static int serial = 0;
  errPath_ = ArtifactDir() + "/wzrv-stderr-" + std::to_string(++serial) + ".txt";
  // The build's own program, another file of the build, or any file (a full path).
  const std::string exe = options.exe.empty()       ? ExePath()
                          : options.exe[0] == '/' ? options.exe
                                                  : Win32Dir() + "/" + options.exe;
  std::vector<std::string> argv = {"wine", exe};
  argv.insert(argv.end(), args.begin(), args.end());
  auto env = WineEnv(Env("WZRV_E2E_WINEDEBUG", "-all,+debugstr"), options.locale);
  for (const auto& kv : options.env) env[kv.first] = kv.second;
  pid_ = Spawn(argv, env, options.cwd.empty() ? DefaultProgramDir() : options.cwd, "", errPath_);
  return pid_ > 0;
}

bool Program::Running() {
  if (pid_ <= 0 || exited_) return false;
  int status = 0;
  const pid_t r = waitpid(pid_, &status, WNOHANG);
  if (r == pid_) {
    exited_ = true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
  }
  return r == 0;
}

bool Program::WaitExit(Millis timeout, int* exitCode) {
  const bool ended = WaitUntil([&] { return !Running(); }, timeout, Millis(20));
  if (ended && exitCode != nullptr) *exitCode = exitCode_;
  return ended && exited_;
}

void Program::Kill() {
  if (pid_ > 0 && Running()) {
    kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    exited_ = true;
    exitCode_ = -1;
  }
}

std::vector<std::string> Program::Traces() const {
  std::vector<std::string> traces;
  // Wine prints: 0024:warn:debugstr:OutputDebugStringA "wzrv: PlaySound 3"
  for (const std::string& line : SplitLines(ReadFile(errPath_))) {
    const size_t at = line.find("\"wzrv: ");
    if (at == std::string::npos) continue;
    std::string text = line.substr(at + 7);
    const size_t end = text.rfind('"');
    if (end != std::string::npos) text.resize(end);
    while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\\n") == 0) text.resize(text.size() - 2);
    traces.push_back(text);
  }
  return traces;
}

int Program::FindTrace(const std::string& prefix, size_t from) const {
  const auto traces = Traces();
  for (size_t i = from; i < traces.size(); ++i) {
    if (traces[i].compare(0, prefix.size(), prefix) == 0) return static_cast<int>(i);
  }
  return -1;
}

bool Program::WaitForTrace(const std::string& prefix, size_t from, Millis timeout) {
  return WaitUntil([&] { return FindTrace(prefix, from) >= 0; }, timeout, Millis(20));
}

// ---- Profile (WIN.INI) ---------------------------------------------------------

namespace {

bool IsHeader(const std::string& line, std::string* name) {
  size_t i = line.find_first_not_of(" \t");
  if (i == std::string::npos || line[i] != '[') return false;
  const size_t close = line.find(']', i);
  if (close == std::string::npos) return false;
  *name = line.substr(i + 1, close - i - 1);
  return true;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Splits win.ini into lines that keep their line ends.
std::vector<std::string> RawLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size() - 1;
    lines.push_back(text.substr(start, nl - start + 1));
    start = nl + 1;
  }
  return lines;
}

std::string WithoutSection(const std::string& text, const std::string& section) {
  std::string out;
  bool skipping = false;
  for (const std::string& line : RawLines(text)) {
    std::string name;
    if (IsHeader(line, &name)) skipping = SameName(name, section);
    if (!skipping) out += line;
  }
  return out;
}

}  // namespace

bool RemoveProfileSection(const std::string& section) {
  bool exists = false;
  const std::string text = ReadFile(WinIniPath(), &exists);
  if (!exists) return true;
  const std::string rest = WithoutSection(text, section);
  return rest == text || WriteFile(WinIniPath(), rest);
}

bool SetProfileSection(const std::map<std::string, std::string>& values, const std::string& section) {
  std::string text = WithoutSection(ReadFile(WinIniPath()), section);
  if (!text.empty() && text.back() != '\n') text += "\r\n";
  text += "[" + section + "]\r\n";
  for (const auto& kv : values) text += kv.first + "=" + kv.second + "\r\n";
  return WriteFile(WinIniPath(), text);
}

std::vector<std::pair<std::string, std::string>> ProfileSection(const std::string& section) {
  std::vector<std::pair<std::string, std::string>> values;
  bool inside = false;
  for (const std::string& line : SplitLines(ReadFile(WinIniPath()))) {
    std::string name;
    if (IsHeader(line, &name)) {
      inside = SameName(name, section);
      continue;
    }
    if (!inside) continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    values.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
  return values;
}

std::string ProfileValue(const std::string& key, bool* found, const std::string& section) {
  if (found != nullptr) *found = false;
  for (const auto& kv : ProfileSection(section)) {
    if (SameName(kv.first, key)) {
      if (found != nullptr) *found = true;
      return kv.second;
    }
  }
  return "";
}

// ---- The test fixture -------------------------------------------------------------

void WzrvTest::SetUp() {
  const std::string missing = MissingEnvironment();
  ASSERT_TRUE(missing.empty()) << missing;
  // No program of an earlier test may still be around.
  Snapshot left;
  const bool clean = WaitUntil([&] {
    left = probe::Windows();
    return left.ok && left.windows.empty() && left.boxes.empty();
  });
  ASSERT_TRUE(clean) << "windows left from before the test:\n" << left.Describe();
  ASSERT_TRUE(RemoveProfileSection()) << "cannot edit " << WinIniPath();
}

void WzrvTest::TearDown() {
  Snapshot snap = probe::Windows();
  if (!boxesExpected_ && !snap.boxes.empty()) {
    ADD_FAILURE() << "a box was left open:\n" << snap.Describe();
  }
  if (HasFailure() && x11_ != nullptr && x11_->Ok()) {
    SavePng(x11_->Screenshot(), ArtifactDir() + "/failure.png");
  }
  program_.Kill();
  if (x11_ != nullptr) x11_->SetRootBackground(0);  // the desktop black again
  // Wait until Wine has taken the windows away, so the next test starts clean.
  WaitUntil([&] {
    Snapshot s = probe::Windows();
    return s.ok && s.windows.empty() && s.boxes.empty();
  });
}

X11& WzrvTest::x11() {
  if (x11_ == nullptr) x11_ = std::make_unique<X11>();
  return *x11_;
}

Snapshot WzrvTest::State() {
  Snapshot snap = probe::Windows();
  EXPECT_TRUE(snap.ok) << snap.error;
  if (!boxesExpected_ && !snap.boxes.empty()) ADD_FAILURE() << "unexpected box:\n" << snap.Describe();
  if (const WindowInfo* w = snap.Main()) {
    mainHwnd_ = w->hwnd;
    mainXwin_ = w->xwin;
  }
  return snap;
}

bool WzrvTest::Start(const std::vector<std::string>& args, const LaunchOptions& options, bool confirmNotices) {
  if (!program_.Launch(args, options)) {
    ADD_FAILURE() << "cannot start wine " << ExePath();
    return false;
  }
  mainHwnd_ = 0;
  Snapshot snap;
  bool up = WaitUntil([&] {
    snap = probe::Windows();
    return snap.ok && snap.Main() != nullptr;
  }, Millis(30000));
  if (!up) {
    ADD_FAILURE() << "no main window after start:\n" << snap.Describe();
    return false;
  }
  mainHwnd_ = snap.Main()->hwnd;
  mainXwin_ = snap.Main()->xwin;
  // The program is up when it answers a message with no box open.
  const auto end = Clock::now() + Millis(60000);
  while (Clock::now() < end) {
    if (!program_.Running()) {
      ADD_FAILURE() << "the program ended during start";
      return false;
    }
    const bool answered = probe::Send(mainHwnd_, WM_NULL_, 0, 0, 20000);
    snap = probe::Windows();
    if (!snap.ok) continue;
    if (snap.boxes.empty()) {
      if (answered) return true;
      continue;
    }
    const Box& box = snap.boxes.front();
    if (confirmNotices && box.window.title == "Windows Zorvel" && box.StaticText() == "パターン生成します") {
      Press(box, "OK");
      continue;
    }
    ADD_FAILURE() << "unexpected box during start:\n" << snap.Describe();
    return false;
  }
  ADD_FAILURE() << "the program did not become ready:\n" << snap.Describe();
  return false;
}

bool WzrvTest::WaitMain(const std::function<bool(const WindowInfo&)>& condition, const std::string& what,
                        Millis timeout) {
  Snapshot snap;
  std::string problem;
  const bool met = WaitUntil([&] {
    snap = probe::Windows();
    if (!snap.ok) return false;
    if (!boxesExpected_ && !snap.boxes.empty()) {
      problem = "an unexpected box is open";
      return true;
    }
    if (snap.Main() == nullptr) {
      if (!program_.Running()) {
        problem = "the program ended";
        return true;
      }
      return false;
    }
    mainHwnd_ = snap.Main()->hwnd;
    mainXwin_ = snap.Main()->xwin;
    return condition(*snap.Main());
  }, timeout);
  if (met && problem.empty()) return true;
  ADD_FAILURE() << "waiting for " << what << ": " << (problem.empty() ? "timed out" : problem) << "\n"
                << snap.Describe();
  return false;
}

Image WzrvTest::SettledScreen() {
  Image a, b;
  WaitUntil([&] {
    a = x11().Screenshot();
    const bool same = !b.rgb.empty() && CountDifferences(a, b) == 0;
    b = a;
    return same;
  }, Millis(5000), Millis(100));
  return a;
}

bool WzrvTest::WaitLocked(Millis timeout) {
  const Rect screen{0, 0, std::stol(Env("WZRV_SCREEN_W", "1024")), std::stol(Env("WZRV_SCREEN_H", "768"))};
  const auto covering = [&](const WindowInfo& w) { return !w.iconic && w.visible && w.rect == screen; };
  if (!WaitMain(covering, "the lock (restored window covering the screen)", timeout)) return false;
  // The window may be restored before the lock steps have finished (under Wine
  // more work on its X window follows): a message answered means the program
  // is back in its message loop, and then the lock must still hold.
  if (!probe::Send(mainHwnd_, WM_NULL_, 0, 0, static_cast<unsigned long>(timeout.count()))) {
    ADD_FAILURE() << "the program did not answer after the lock";
    return false;
  }
  return WaitMain(covering, "the lock after the program answered", timeout);
}

bool WzrvTest::WaitUnlocked(Millis timeout) {
  return WaitMain([](const WindowInfo& w) { return w.iconic; }, "the minimised window", timeout);
}

std::unique_ptr<Box> WzrvTest::WaitBox(const std::string& caption, Millis timeout) {
  std::unique_ptr<Box> found;
  Snapshot snap;
  bool ended = false;
  WaitUntil([&] {
    snap = probe::Windows();
    for (const Box& b : snap.boxes) {
      if (caption.empty() || b.window.title == caption) {
        found = std::make_unique<Box>(b);
        return true;
      }
    }
    ended = program_.Pid() > 0 && !program_.Running();
    return ended;
  }, timeout);
  if (found == nullptr) {
    ADD_FAILURE() << "no box \"" << caption << "\" appeared" << (ended ? " (the program ended)" : "") << ":\n"
                  << snap.Describe();
  }
  return found;
}

bool WzrvTest::Press(const Box& box, const std::string& button, Millis timeout) {
  // The probe posts the click and ends; a probe that reported a failure may
  // still have posted it (seen once: the box went, the probe's status was
  // not 0). What counts is that the box goes.
  std::string error;
  const bool clicked = probe::Click(box.window.hwnd, button, &error);
  if (!clicked) std::printf("note: the probe's click on \"%s\" said: %s\n", button.c_str(), error.c_str());
  const bool gone = WaitUntil([&] {
    Snapshot s = probe::Windows();
    if (!s.ok) return false;
    for (const Box& b : s.boxes) {
      if (b.window.hwnd == box.window.hwnd) return false;
    }
    return true;
  }, clicked ? timeout : Millis(3000));
  if (!gone) {
    ADD_FAILURE() << box.Describe() << " stayed open after \"" << button << "\""
                  << (clicked ? "" : " (the click failed: " + error + ")");
  }
  return gone;
}

std::unique_ptr<Box> WzrvTest::RequestLock(unsigned long command) {
  if (!probe::Post(mainHwnd_, WM_SYSCOMMAND_, command, 0)) {
    ADD_FAILURE() << "cannot post the lock command";
    return nullptr;
  }
  return WaitBox("Confirm Password");
}

bool WzrvTest::LockWithReminder(std::string* reminderText) {
  const size_t before = program_.Traces().size();
  auto box = RequestLock();
  if (box == nullptr) return false;
  if (reminderText != nullptr) *reminderText = box->StaticText();
  if (!Press(*box, "OK")) return false;
  if (!WaitLocked()) return false;
  // The lock sound is the lock's last step: after it the window is in place
  // (under Wine the restore is followed by more work on the X window).
  if (!WaitTrace("PlaySound 3", before)) {
    ADD_FAILURE() << "the lock did not finish (no lock sound)";
    return false;
  }
  return true;
}

bool WzrvTest::ScreenShows(const Image& image, const std::string& what, Millis timeout) {
  Image shot;
  const bool same = WaitUntil([&] {
    shot = x11().Screenshot();
    return CountDifferences(shot, image) == 0;
  }, timeout, Millis(50));
  if (!same) {
    std::string first;
    const long n = CountDifferences(shot, image, &first);
    const std::string path = SaveNumberedPng(shot, "screen");
    ADD_FAILURE() << "the screen is not " << what << ": " << n << " pixels differ, first " << first
                  << " (screenshot " << path << ")";
  }
  return same;
}

void WzrvTest::Type(const std::string& text) { x11().Type(text); }

bool WzrvTest::WaitTrace(const std::string& prefix, size_t from, Millis timeout) {
  if (program_.WaitForTrace(prefix, from, timeout)) return true;
  std::string all;
  for (const std::string& t : program_.Traces()) all += "  " + t + "\n";
  ADD_FAILURE() << "no trace \"" << prefix << "\" from #" << from << "; traces:\n" << all;
  return false;
}

bool WzrvTest::ClickAndWait(int x, int y, int button, std::string* animationTrace) {
  const size_t before = program_.Traces().size();
  x11().Click(x, y, button);
  if (!WaitTrace("PlayBitmapAnimation", before)) return false;
  if (animationTrace != nullptr) *animationTrace = program_.Traces()[program_.FindTrace("PlayBitmapAnimation", before)];
  return true;
}

}  // namespace e2e
