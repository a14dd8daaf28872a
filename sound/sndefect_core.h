// The sound table: five named slots, each with a wave file and an on/off
// switch, and a master switch that silences them all. Loads and saves itself
// in the profile section and decides what to play; the actual output goes
// through a SoundOutput (sndPlaySoundA on Windows).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "base/profile_core.h"

namespace wzrv {

// Flags of the platform's wave player (the values sndPlaySoundA takes).
namespace snd {
constexpr unsigned Async = 0x0001;      // return at once, play in the background
constexpr unsigned NoDefault = 0x0002;  // play nothing if the file cannot be played
constexpr unsigned Loop = 0x0008;       // repeat until stopped (with Async only)
}  // namespace snd

// Where sounds go. A null name stops the sound playing; starting a sound
// replaces the one playing.
class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  virtual void Play(const char* name, unsigned flags) = 0;
};

}  // namespace wzrv

// One sound slot.
struct SoundFile {
  static constexpr std::size_t FileNameSize = 500;  // 499 characters and NUL

  SoundFile() { FileName[0] = '\0'; }

  std::string SoundName;           // display name; empty when none was given
  char FileName[FileNameSize];     // wave file path, "" when none
  int SoundOnOff = 0;              // 1 = on, 0 = off
};

namespace wzrv {

// Settings keys and values.
extern const char KeySoundFormat[];      // "ApplicationSound(%d)"
extern const char KeyAllSoundDisable[];  // "AllSoundDisable"
extern const char ValueOn[];             // "On"
extern const char ValueOff[];            // "Off"

// A stored slot value is a flag character followed by the path, so reading
// it back needs room for the flag, a full path and the terminator.
constexpr std::size_t SoundValueSize = 1 + (SoundFile::FileNameSize - 1) + 1;
constexpr std::size_t SoundKeySize = 100;

// The platform-free sound table; the Windows SoundEffect adds its handles and
// the sound dialog.
class SoundEffectBase {
 public:
  // Copies the section name (may be null) and the `numsound` slot names, then
  // loads the settings. `profile` and `output` must outlive the object.
  SoundEffectBase(ProfileStore& profile, SoundOutput& output, const char* ininame,
                  const char* const* names, int numsound);
  virtual ~SoundEffectBase() = default;
  SoundEffectBase(const SoundEffectBase&) = delete;
  SoundEffectBase& operator=(const SoundEffectBase&) = delete;

  // Reads every slot and the master switch; rewrites all keys when a slot key
  // was missing or empty.
  void LoadSoundSetting();
  // Writes every slot key and the master switch.
  void SaveSoundSetting();
  // Starts slot `num` once, asynchronously; a negative `num` stops any sound;
  // a `num` past the last slot does nothing.
  void PlaySoundA(int num);
  // The same, but the slot repeats until stopped.
  void LoopSound(int num);

  int SoundNum = 0;
  int AllStop = 0;                  // 1 = every sound disabled
  std::vector<SoundFile> soundSet;  // SoundNum slots
  std::unique_ptr<char[]> ininame;  // section name copy, or null
  int dlgnow = 0;                 // slot shown by the sound dialog
  int status = 0;                 // outcome of the last sound dialog
  int setting = 0;

 protected:
  ProfileStore& profile_;
  SoundOutput& output_;

 private:
  void Start(int num, unsigned stopFlags, unsigned playFlags);
};

// Formats a slot value: '1' or '0' followed by the path ("%c%s").
void FormatSoundValue(const SoundFile& slot, char* value, std::size_t size);
// Parses a stored slot value into `slot`. The first character is the flag
// ('1' = on, anything else off) and the rest is the path. Returns false for
// an empty value (the slot is then off with no path).
bool ParseSoundValue(const char* value, SoundFile& slot);

}  // namespace wzrv
