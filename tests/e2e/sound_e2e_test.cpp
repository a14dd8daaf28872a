// The sound effects as heard: the program runs with Wine's ALSA driver
// pointed at an ALSA "file" device over "null", so whatever it plays is
// written to capture files (one per sound started) that the tests read. No
// sound hardware is needed. The null device has no clock, so the captures say
// whether and what was played, not when or for how long in real time.
#include <dirent.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

// The capture format the ALSA configuration below asks for.
constexpr double kCaptureRate = 44100.0;
constexpr int kCaptureFrameBytes = 4;  // 16-bit stereo
const char kCaptureName[] = "capture.raw";

const char* const kEffects[5] = {"wzrv-impact-hexagon.wav", "wzrv-impact-octagon.wav",
                                 "wzrv-impact-mini.wav", "wzrv-field-rise.wav",
                                 "wzrv-field-fade.wav"};

std::string SlotKey(int i) { return "ApplicationSound(" + std::to_string(i) + ")"; }

// The program's view of a Unix path (drive Z: is the Unix root under Wine).
std::string WinPath(const std::string& unixPath) {
  std::string p = "Z:" + unixPath;
  std::replace(p.begin(), p.end(), '/', '\\');
  return p;
}

// A path as it appears in a trace line: Wine prints a backslash doubled.
std::string Traced(const std::string& winPath) {
  std::string t;
  for (char c : winPath) {
    t += c;
    if (c == '\\') t += c;
  }
  return t;
}

std::string EffectPath(int slot) { return Win32Dir() + "/" + kEffects[slot]; }

std::uint32_t Le(const std::string& b, size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

// Playing time of a PCM WAV file in seconds; negative when it is not one.
double WavSeconds(const std::string& path) {
  const std::string b = ReadFile(path);
  if (b.size() < 12 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0) return -1;
  std::uint32_t rate = 0, align = 0;
  for (size_t at = 12; at + 8 <= b.size();) {
    const std::string id = b.substr(at, 4);
    const std::uint32_t size = Le(b, at + 4, 4);
    if (id == "fmt " && size >= 16 && at + 8 + 16 <= b.size()) {
      if (Le(b, at + 8, 2) != 1) return -1;  // PCM only
      rate = Le(b, at + 12, 4);
      align = Le(b, at + 20, 2);
    } else if (id == "data") {
      if (rate == 0 || align == 0) return -1;
      return static_cast<double>(size / align) / rate;
    }
    at += 8 + size + (size & 1);
  }
  return -1;
}

// Bytes the capture of a whole WAV file holds.
long ExpectedCaptureBytes(const std::string& wav) {
  return static_cast<long>(WavSeconds(wav) * kCaptureRate) * kCaptureFrameBytes;
}

long FileSize(const std::string& path) {
  bool exists = false;
  const std::string b = ReadFile(path, &exists);
  return exists ? static_cast<long>(b.size()) : -1;
}

// Wine's audio output captured to files. The ALSA "file" device with
// `truncate false` writes each opened stream to a new file: capture.raw,
// then capture.raw.0001, capture.raw.0002 ... so every sound the program
// starts leaves exactly one file, in order.
class SoundCapture {
 public:
  // Prepares an empty capture directory and its ALSA configuration, and makes
  // Wine (in this prefix) use its ALSA driver.
  ::testing::AssertionResult Prepare(const std::string& dir) {
    dir_ = dir + "/audio";
    Run({"rm", "-rf", dir_});
    const std::string conf = dir_ + "/xdg/alsa";
    if (!MakeDirs(conf)) return ::testing::AssertionFailure() << "cannot make " << conf;
    const std::string rc =
        "pcm.!default { type plug; slave { pcm \"wzrvcapture\"; format S16_LE; rate 44100; "
        "channels 2 } }\n"
        "pcm.wzrvcapture { type file; slave.pcm \"null\"; file \"" + dir_ + "/" + kCaptureName +
        "\"; format \"raw\"; truncate false }\n";
    if (!WriteFile(conf + "/asoundrc", rc)) return ::testing::AssertionFailure() << "cannot write asoundrc";
    const RunResult r = Run({"wine", "reg", "add", "HKCU\\Software\\Wine\\Drivers", "/v", "Audio", "/d",
                             "alsa", "/f"},
                            {{"WINEDEBUG", "-all"}});
    if (r.exitCode != 0) return ::testing::AssertionFailure() << "wine reg add failed: " << r.err;
    return ::testing::AssertionSuccess();
  }

  // What the program's environment needs so that ALSA reads the configuration
  // above (besides the user's own, which it overrides).
  LaunchOptions Options() const {
    LaunchOptions o;
    o.env["XDG_CONFIG_HOME"] = dir_ + "/xdg";
    return o;
  }

  // The capture files, in the order the sounds were started.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir_.c_str())) {
      while (dirent* e = readdir(d)) {
        const std::string n = e->d_name;
        if (n.compare(0, sizeof(kCaptureName) - 1, kCaptureName) == 0) names.push_back(n);
      }
      closedir(d);
    }
    std::sort(names.begin(), names.end());  // "capture.raw" < "capture.raw.0001" < ...
    for (std::string& n : names) n = dir_ + "/" + n;
    return names;
  }

  // Waits for capture number `index` (from 0) to appear and to stop growing;
  // its size in bytes, or -1 when it did not appear.
  long WaitCapture(size_t index, Millis timeout = Millis(10000)) {
    long size = -1, last = -2;
    Clock::time_point stableSince = Clock::now();
    const bool done = WaitUntil(
        [&] {
          const std::vector<std::string> files = Files();
          if (files.size() <= index) return false;
          size = FileSize(files[index]);
          const auto now = Clock::now();
          if (size != last) {
            last = size;
            stableSince = now;
            return false;
          }
          // A stream still open is written several times faster than real
          // time; a file unchanged for this long is complete.
          return size > 0 && now - stableSince >= Millis(400);
        },
        timeout, Millis(50));
    return done ? size : (Files().size() > index ? size : -1);
  }

 private:
  std::string dir_;
};

::testing::AssertionResult SameLength(long captured, long expected) {
  const double ratio = static_cast<double>(captured) / static_cast<double>(expected);
  if (ratio > 0.95 && ratio < 1.05) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "captured " << captured << " bytes ("
                                       << captured / kCaptureFrameBytes / kCaptureRate << " s), the file holds "
                                       << expected << " (" << expected / kCaptureFrameBytes / kCaptureRate
                                       << " s)";
}

class SoundTest : public WzrvTest {
 protected:
  void SetUp() override {
    WzrvTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(capture_.Prepare(ArtifactDir()));
    for (int i = 0; i < 5; ++i) {
      ASSERT_GT(WavSeconds(EffectPath(i)), 0.1) << EffectPath(i) << " is not a playable WAV file";
    }
  }

  // Profile values for the five slots: flag character and path.
  void SetSlots(const std::vector<std::string>& values, const std::string& allSoundDisable = "") {
    std::map<std::string, std::string> section;
    for (size_t i = 0; i < values.size(); ++i) section[SlotKey(static_cast<int>(i))] = values[i];
    if (!allSoundDisable.empty()) section["AllSoundDisable"] = allSoundDisable;
    ASSERT_TRUE(SetProfileSection(section));
  }

  bool StartWithCapture() { return Start({}, capture_.Options()); }

  // Lock from the system menu, one click, unlock with Return (no password is
  // stored). Returns the slot the click played.
  int LockClickUnlock() {
    size_t from = program_.Traces().size();
    EXPECT_TRUE(LockWithReminder());
    EXPECT_TRUE(WaitTrace("PlaySound 3", from));
    from = program_.Traces().size();
    EXPECT_TRUE(ClickAndWait(400, 300));
    const int at = program_.FindTrace("PlaySound ", from);
    EXPECT_GE(at, 0);
    const int slot = at >= 0 ? std::atoi(program_.Traces()[at].c_str() + 10) : -1;
    from = program_.Traces().size();
    Type("\r");
    EXPECT_TRUE(WaitUnlocked());
    EXPECT_TRUE(WaitTrace("PlaySound 4", from));
    return slot;
  }

  // Closes the minimised program and waits for its end, so that nothing it
  // started can still reach the capture.
  void CloseAndWait() {
    ASSERT_TRUE(probe::Post(MainHwnd(), WM_CLOSE_, 0, 0));
    int code = -1;
    ASSERT_TRUE(program_.WaitExit(kWait, &code));
    EXPECT_EQ(code, 0);
  }

  int CountTraces(const std::string& prefix) const {
    int n = 0;
    for (const std::string& t : program_.Traces()) n += t.compare(0, prefix.size(), prefix) == 0;
    return n;
  }

  SoundCapture capture_;
};

TEST_F(SoundTest, ShippedEffectsAreHeardWhenLockingClickingAndUnlocking) {
  std::vector<std::string> slots;
  for (int i = 0; i < 5; ++i) slots.push_back("1" + WinPath(EffectPath(i)));
  SetSlots(slots, "Off");
  ASSERT_TRUE(StartWithCapture());
  EXPECT_TRUE(capture_.Files().empty()) << "nothing plays at start";

  size_t from = program_.Traces().size();
  ASSERT_TRUE(LockWithReminder());
  ASSERT_TRUE(WaitTrace("PlaySound 3", from));
  const long lock = capture_.WaitCapture(0);
  ASSERT_GT(lock, 0) << "the lock sound was not heard";
  EXPECT_TRUE(SameLength(lock, ExpectedCaptureBytes(EffectPath(3))));
  EXPECT_GE(program_.FindTrace("sndPlaySound 0x0003 " + Traced(WinPath(EffectPath(3))), from), 0);

  from = program_.Traces().size();
  ASSERT_TRUE(ClickAndWait(400, 300));
  const int at = program_.FindTrace("PlaySound ", from);
  ASSERT_GE(at, 0);
  const int r = std::atoi(program_.Traces()[at].c_str() + 10);
  ASSERT_TRUE(r >= 0 && r <= 2) << program_.Traces()[at];
  const long click = capture_.WaitCapture(1);
  ASSERT_GT(click, 0) << "the impact sound was not heard";
  EXPECT_TRUE(SameLength(click, ExpectedCaptureBytes(EffectPath(r)))) << "slot " << r;

  from = program_.Traces().size();
  Type("\r");
  ASSERT_TRUE(WaitUnlocked());
  ASSERT_TRUE(WaitTrace("PlaySound 4", from));
  const long unlock = capture_.WaitCapture(2);
  ASSERT_GT(unlock, 0) << "the unlock sound was not heard";
  EXPECT_TRUE(SameLength(unlock, ExpectedCaptureBytes(EffectPath(4))));
  EXPECT_EQ(capture_.Files().size(), 3u);
  EXPECT_EQ(CountTraces("sndPlaySound "), 3);
}

TEST_F(SoundTest, AllSoundDisableOnSilencesEverySlot) {
  std::vector<std::string> slots;
  for (int i = 0; i < 5; ++i) slots.push_back("1" + WinPath(EffectPath(i)));
  SetSlots(slots, "On");
  ASSERT_TRUE(StartWithCapture());
  LockClickUnlock();
  CloseAndWait();
  EXPECT_EQ(CountTraces("sndPlaySound "), 0);
  EXPECT_TRUE(capture_.Files().empty()) << capture_.Files().size() << " sound(s) were heard";
  EXPECT_EQ(ProfileValue("AllSoundDisable"), "On");
  EXPECT_EQ(ProfileValue(SlotKey(3)), slots[3]) << "a present value is not rewritten";
}

TEST_F(SoundTest, SlotWhoseFileIsMissingIsSilentWithoutADefaultSound) {
  const std::string missing = WinPath(ArtifactDir() + "/no-such-sound.wav");
  SetSlots({"1" + missing, "1" + missing, "1" + missing, "1" + missing, "1" + WinPath(EffectPath(4))});
  ASSERT_TRUE(StartWithCapture());
  LockClickUnlock();
  // Lock and click asked for the missing file; only the unlock was heard.
  EXPECT_EQ(CountTraces("sndPlaySound 0x0003 " + Traced(missing)), 2);
  const long unlock = capture_.WaitCapture(0);
  ASSERT_GT(unlock, 0) << "the unlock sound was not heard";
  EXPECT_TRUE(SameLength(unlock, ExpectedCaptureBytes(EffectPath(4))));
  CloseAndWait();
  EXPECT_EQ(capture_.Files().size(), 1u);
}

TEST_F(SoundTest, SwitchedOffSlotIsSilentAndKeepsItsFile) {
  std::vector<std::string> slots;
  for (int i = 0; i < 4; ++i) slots.push_back("0" + WinPath(EffectPath(i)));
  slots.push_back("1" + WinPath(EffectPath(4)));
  SetSlots(slots);  // no AllSoundDisable: nothing is rewritten
  ASSERT_TRUE(StartWithCapture());
  LockClickUnlock();
  const long unlock = capture_.WaitCapture(0);
  ASSERT_GT(unlock, 0) << "the unlock sound was not heard";
  EXPECT_TRUE(SameLength(unlock, ExpectedCaptureBytes(EffectPath(4))));
  CloseAndWait();
  EXPECT_EQ(capture_.Files().size(), 1u);
  EXPECT_EQ(CountTraces("sndPlaySound "), 1);
  bool found = true;
  ProfileValue("AllSoundDisable", &found);
  EXPECT_FALSE(found);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(ProfileValue(SlotKey(i)), slots[i]);
}

TEST_F(SoundTest, FirstStartStoresFiveSilentSlots) {
  ASSERT_TRUE(StartWithCapture());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ProfileValue(SlotKey(i)), "0") << SlotKey(i);
  EXPECT_EQ(ProfileValue("AllSoundDisable"), "Off");
  LockClickUnlock();
  CloseAndWait();
  EXPECT_TRUE(capture_.Files().empty()) << "no sound is switched on by default";
}

}  // namespace
}  // namespace e2e
