#include "sound/sndefect_core.h"

#include <cstdio>
#include <cstring>

#include "base/text_core.h"

namespace wzrv {

const char KeySoundFormat[] = "ApplicationSound(%d)";
const char KeyAllSoundDisable[] = "AllSoundDisable";
const char ValueOn[] = "On";
const char ValueOff[] = "Off";

namespace {
void SlotKey(int i, char* key) { std::snprintf(key, SoundKeySize, KeySoundFormat, i); }
}  // namespace

void FormatSoundValue(const SoundFile& slot, char* value, std::size_t size) {
  std::snprintf(value, size, "%c%s", slot.SoundOnOff ? '1' : '0', slot.FileName);
}

bool ParseSoundValue(const char* value, SoundFile& slot) {
  if (value == nullptr || value[0] == '\0') {
    slot.FileName[0] = '\0';
    slot.SoundOnOff = 0;
    return false;
  }
  CopyText(slot.FileName, sizeof(slot.FileName), value + 1);
  slot.SoundOnOff = value[0] == '1' ? 1 : 0;
  return true;
}

SoundEffectBase::SoundEffectBase(ProfileStore& profile, SoundOutput& output,
                                 const char* ininame, const char* const* names, int numsound)
    : ininame(CopyOf(ininame)), profile_(profile), output_(output) {
  if (numsound < 0) numsound = 0;
  soundSet.resize(static_cast<std::size_t>(numsound));
  SoundNum = numsound;
  for (int i = 0; i < numsound; ++i) {
    if (names != nullptr && names[i] != nullptr) soundSet[i].SoundName = names[i];
  }
  LoadSoundSetting();
  dlgnow = 0;
}

void SoundEffectBase::LoadSoundSetting() {
  bool rewrite = false;
  char key[SoundKeySize];
  char value[SoundValueSize];
  for (int i = 0; i < SoundNum; ++i) {
    SlotKey(i, key);
    profile_.GetString(ininame.get(), key, "", value, sizeof(value));
    if (!ParseSoundValue(value, soundSet[i])) rewrite = true;
  }
  profile_.GetString(ininame.get(), KeyAllSoundDisable, ValueOff, value, sizeof(value));
  AllStop = std::strcmp(value, ValueOn) == 0 ? 1 : 0;
  if (rewrite) SaveSoundSetting();
}

void SoundEffectBase::SaveSoundSetting() {
  char key[SoundKeySize];
  char value[SoundValueSize];
  for (int i = 0; i < SoundNum; ++i) {
    SlotKey(i, key);
    FormatSoundValue(soundSet[i], value, sizeof(value));
    profile_.WriteString(ininame.get(), key, value);
  }
  profile_.WriteString(ininame.get(), KeyAllSoundDisable, AllStop ? ValueOn : ValueOff);
}

void SoundEffectBase::Start(int num, unsigned stopFlags, unsigned playFlags) {
  if (num >= SoundNum) return;
  if (num < 0) {
    output_.Play(nullptr, stopFlags);
    return;
  }
  const SoundFile& slot = soundSet[num];
  if (AllStop == 0 && slot.SoundOnOff != 0 && slot.FileName[0] != '\0') {
    output_.Play(slot.FileName, playFlags);
  }
}

void SoundEffectBase::PlaySoundA(int num) { Start(num, snd::Async, snd::Async | snd::NoDefault); }

void SoundEffectBase::LoopSound(int num) {
  Start(num, snd::Async | snd::Loop, snd::Async | snd::NoDefault | snd::Loop);
}

}  // namespace wzrv
