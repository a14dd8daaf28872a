// Fuzz target for the sound settings values: the input, split at line
// breaks, gives the stored "ApplicationSound(%d)" values of the five slots
// and then the "AllSoundDisable" value; the table is loaded, written back and
// loaded again, and every slot is played.
//
// Checks that a path never overflows its slot, that the table written loads
// back the same without a rewrite, and that nothing plays a slot that is off
// or while every sound is disabled.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/memory_profile.h"
#include "sound/sndefect_core.h"
#include "sound/sound_core.h"

namespace {

const char kSection[] = "Windows-Zorvel";

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "sound_fuzz: %s\n", what);
    std::abort();
  }
}

class CountingOutput : public wzrv::SoundOutput {
 public:
  int played = 0;  // sounds started (a null name only stops)
  void Play(const char* name, unsigned) override {
    if (name != nullptr) ++played;
  }
};

std::string Key(int i) {
  char key[wzrv::SoundKeySize];
  std::snprintf(key, sizeof key, wzrv::KeySoundFormat, i);
  return key;
}

bool Terminated(const SoundFile& slot) {
  return std::memchr(slot.FileName, '\0', SoundFile::FileNameSize) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr int kSlots = ::SoundSlotCount;
  const std::string text(reinterpret_cast<const char*>(data), size);
  wzrv::MemoryProfile profile;
  std::size_t start = 0;
  for (int i = 0; i <= kSlots && start <= text.size(); ++i) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string v = text.substr(start, end - start);
    v = v.substr(0, v.find('\0'));
    profile.Set(kSection, i < kSlots ? Key(i) : std::string(wzrv::KeyAllSoundDisable), v);
    start = end + 1;
  }

  CountingOutput output;
  std::string files[kSlots];
  int onoff[kSlots];
  int allStop;
  {
    wzrv::SoundEffectBase table(profile, output, kSection, ::SoundNames, kSlots);
    for (int i = 0; i < kSlots; ++i) {
      const SoundFile& slot = table.soundSet[i];
      Check(Terminated(slot), "a path fills its slot without a terminator");
      Check(slot.SoundOnOff == 0 || slot.SoundOnOff == 1, "a slot switch is neither on nor off");
      files[i] = slot.FileName;
      onoff[i] = slot.SoundOnOff;

      // A slot value formatted and parsed again is the same slot.
      char value[wzrv::SoundValueSize];
      wzrv::FormatSoundValue(slot, value, sizeof value);
      SoundFile back;
      wzrv::ParseSoundValue(value, back);
      Check(std::strcmp(back.FileName, slot.FileName) == 0 && back.SoundOnOff == slot.SoundOnOff,
            "a slot value does not parse back");
    }
    allStop = table.AllStop;
    Check(allStop == 0 || allStop == 1, "the master switch is neither on nor off");

    int expected = 0;
    for (int i = 0; i < kSlots; ++i) {
      const int before = output.played;
      table.PlaySoundA(i);
      if (output.played != before) {
        ++expected;
        Check(allStop == 0 && onoff[i] == 1, "a silenced slot was played");
      }
    }
    table.PlaySoundA(kSlots);  // past the last slot: nothing
    table.PlaySoundA(-1);      // stops
    Check(output.played == expected, "a slot past the end or a stop played a sound");
    table.SaveSoundSetting();
  }

  const int writes = profile.writes;
  wzrv::SoundEffectBase again(profile, output, kSection, ::SoundNames, kSlots);
  Check(profile.writes == writes, "written values were rewritten on the next load");
  Check(again.AllStop == allStop, "the master switch loads back differently");
  for (int i = 0; i < kSlots; ++i)
    Check(files[i] == again.soundSet[i].FileName && onoff[i] == again.soundSet[i].SoundOnOff,
          "a written slot loads back differently");
  return 0;
}
