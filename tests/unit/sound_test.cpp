#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/memory_profile.h"
#include "base/text_core.h"
#include "sound/sndefect_core.h"
#include "sound/sound_core.h"

namespace {

using wzrv::MemoryProfile;
using wzrv::SoundEffectBase;

const char kSection[] = "Windows-Zorvel";

struct Call {
  std::string name;  // "(stop)" for a null name
  unsigned flags;
  bool operator==(const Call& o) const { return name == o.name && flags == o.flags; }
};

class RecordingOutput : public wzrv::SoundOutput {
 public:
  void Play(const char* name, unsigned flags) override {
    calls.push_back({name != nullptr ? name : "(stop)", flags});
  }
  std::vector<Call> calls;
};

std::string SlotKey(int i) { return "ApplicationSound(" + std::to_string(i) + ")"; }

class SoundTable : public ::testing::Test {
 protected:
  SoundEffectBase* Make() {
    table_.reset(new SoundEffectBase(profile, output, kSection, SoundNames, SoundSlotCount));
    return table_.get();
  }
  void StoreAllSlots(const std::string& value) {
    for (int i = 0; i < SoundSlotCount; ++i) profile.Set(kSection, SlotKey(i), value);
  }

  MemoryProfile profile;
  RecordingOutput output;
  std::unique_ptr<SoundEffectBase> table_;
};

TEST_F(SoundTable, EmptyProfileGivesSilentSlotsAndWritesEveryKey) {
  SoundEffectBase* s = Make();
  ASSERT_EQ(s->SoundNum, 5);
  EXPECT_EQ(s->AllStop, 0);
  EXPECT_EQ(s->dlgnow, 0);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(s->soundSet[i].SoundName, SoundNames[i]);
    EXPECT_STREQ(s->soundSet[i].FileName, "");
    EXPECT_EQ(s->soundSet[i].SoundOnOff, 0);
    EXPECT_EQ(profile.Value(kSection, SlotKey(i)), "0");
  }
  EXPECT_EQ(profile.Value(kSection, "AllSoundDisable"), "Off");
  EXPECT_EQ(profile.KeyCount(kSection), 6u);
  EXPECT_EQ(profile.writes, 6);
  EXPECT_STREQ(s->ininame.get(), kSection);
  EXPECT_TRUE(output.calls.empty());
}

TEST_F(SoundTable, FlagCharacterAndPath) {
  profile.Set(kSection, SlotKey(0), "1C:\\snd\\a.wav");
  profile.Set(kSection, SlotKey(1), "0C:\\snd\\b.wav");
  profile.Set(kSection, SlotKey(2), "1");  // on, but nothing to play
  profile.Set(kSection, SlotKey(3), "C:\\no-flag.wav");  // first character taken as the flag
  profile.Set(kSection, SlotKey(4), "x");
  profile.Set(kSection, "AllSoundDisable", "Off");
  SoundEffectBase* s = Make();
  EXPECT_EQ(s->soundSet[0].SoundOnOff, 1);
  EXPECT_STREQ(s->soundSet[0].FileName, "C:\\snd\\a.wav");
  EXPECT_EQ(s->soundSet[1].SoundOnOff, 0);
  EXPECT_STREQ(s->soundSet[1].FileName, "C:\\snd\\b.wav");
  EXPECT_EQ(s->soundSet[2].SoundOnOff, 1);
  EXPECT_STREQ(s->soundSet[2].FileName, "");
  EXPECT_EQ(s->soundSet[3].SoundOnOff, 0);
  EXPECT_STREQ(s->soundSet[3].FileName, ":\\no-flag.wav");
  EXPECT_EQ(s->soundSet[4].SoundOnOff, 0);
  EXPECT_STREQ(s->soundSet[4].FileName, "");
  EXPECT_EQ(profile.writes, 0) << "values that are present are never rewritten";

  s->PlaySoundA(2);
  EXPECT_TRUE(output.calls.empty()) << "an empty path plays nothing";
  s->PlaySoundA(0);
  EXPECT_EQ(output.calls, (std::vector<Call>{{"C:\\snd\\a.wav", 0x0003}}));
}

TEST_F(SoundTable, OneEmptySlotKeyRewritesTheWholeTable) {
  StoreAllSlots("1C:\\x.wav");
  profile.Set(kSection, SlotKey(2), "");
  profile.Set(kSection, "AllSoundDisable", "On");
  SoundEffectBase* s = Make();
  EXPECT_EQ(s->AllStop, 1);
  EXPECT_EQ(profile.writes, 6);
  EXPECT_EQ(profile.Value(kSection, SlotKey(2)), "0");
  EXPECT_EQ(profile.Value(kSection, SlotKey(4)), "1C:\\x.wav");
  EXPECT_EQ(profile.Value(kSection, "AllSoundDisable"), "On");
}

TEST_F(SoundTable, OnlyTheExactWordOnDisablesAllSounds) {
  StoreAllSlots("1C:\\x.wav");
  const std::pair<const char*, int> cases[] = {
      {"On", 1}, {"on", 0}, {"ON", 0}, {"Off", 0}, {"", 0}, {"On ", 0}, {"yes", 0}};
  for (const auto& c : cases) {
    profile.Set(kSection, "AllSoundDisable", c.first);
    EXPECT_EQ(Make()->AllStop, c.second) << '"' << c.first << '"';
  }
  EXPECT_EQ(profile.writes, 0);
}

TEST_F(SoundTable, MissingMasterSwitchWithAllSlotKeysWritesNothing) {
  StoreAllSlots("0");
  SoundEffectBase* s = Make();
  EXPECT_EQ(s->AllStop, 0);
  EXPECT_EQ(profile.writes, 0);
  EXPECT_FALSE(profile.Has(kSection, "AllSoundDisable"));
}

TEST_F(SoundTable, MasterSwitchSilencesSlotsButNotTheStopRequest) {
  StoreAllSlots("1C:\\x.wav");
  profile.Set(kSection, "AllSoundDisable", "On");
  SoundEffectBase* s = Make();
  for (int i = 0; i < 5; ++i) s->PlaySoundA(i);
  for (int i = 0; i < 5; ++i) s->LoopSound(i);
  EXPECT_TRUE(output.calls.empty());
  s->PlaySoundA(-1);
  s->LoopSound(-1);
  EXPECT_EQ(output.calls, (std::vector<Call>{{"(stop)", 0x0001}, {"(stop)", 0x0009}}));
}

TEST_F(SoundTable, SlotNumbersOutsideTheTable) {
  StoreAllSlots("1C:\\x.wav");
  SoundEffectBase* s = Make();
  s->PlaySoundA(5);
  s->PlaySoundA(1000);
  s->LoopSound(5);
  EXPECT_TRUE(output.calls.empty()) << "past the last slot nothing happens";
  s->PlaySoundA(-7);
  s->LoopSound(-7);
  EXPECT_EQ(output.calls, (std::vector<Call>{{"(stop)", 0x0001}, {"(stop)", 0x0009}}));
}

TEST_F(SoundTable, PlayAndLoopFlags) {
  profile.Set(kSection, SlotKey(0), "1Z:\\hex.wav");
  profile.Set(kSection, SlotKey(1), "1Z:\\oct.wav");
  profile.Set(kSection, SlotKey(2), "1Z:\\mini.wav");
  profile.Set(kSection, SlotKey(3), "1Z:\\rise.wav");
  profile.Set(kSection, SlotKey(4), "1Z:\\fade.wav");
  SoundEffectBase* s = Make();
  s->PlaySoundA(3);
  s->PlaySoundA(1);
  s->LoopSound(4);
  EXPECT_EQ(output.calls, (std::vector<Call>{{"Z:\\rise.wav", 0x0003},
                                             {"Z:\\oct.wav", 0x0003},
                                             {"Z:\\fade.wav", 0x000B}}));
}

TEST_F(SoundTable, SwitchedOffSlotKeepsItsPath) {
  profile.Set(kSection, SlotKey(0), "0C:\\kept.wav");
  for (int i = 1; i < 5; ++i) profile.Set(kSection, SlotKey(i), "0");
  SoundEffectBase* s = Make();
  s->PlaySoundA(0);
  EXPECT_TRUE(output.calls.empty());
  s->SaveSoundSetting();
  EXPECT_EQ(profile.Value(kSection, SlotKey(0)), "0C:\\kept.wav");

  s->soundSet[0].SoundOnOff = 1;
  s->PlaySoundA(0);
  EXPECT_EQ(output.calls, (std::vector<Call>{{"C:\\kept.wav", 0x0003}}));
}

TEST_F(SoundTable, LongestPathSurvivesSaveAndLoad) {
  const std::string full = "C:\\" + std::string(492, 'p') + ".wav";  // 499 characters
  ASSERT_EQ(full.size(), 499u);
  SoundEffectBase* s = Make();
  wzrv::CopyText(s->soundSet[3].FileName, sizeof(s->soundSet[3].FileName), full.c_str());
  s->soundSet[3].SoundOnOff = 1;
  s->SaveSoundSetting();
  EXPECT_EQ(profile.Value(kSection, SlotKey(3)), "1" + full);

  SoundEffectBase* again = Make();
  EXPECT_EQ(std::string(again->soundSet[3].FileName), full);
  EXPECT_EQ(again->soundSet[3].SoundOnOff, 1);
}

TEST_F(SoundTable, OverlongStoredValueIsCutToTheSlotSize) {
  StoreAllSlots("0");
  profile.Set(kSection, SlotKey(1), "1" + std::string(700, 'q'));
  SoundEffectBase* s = Make();
  EXPECT_EQ(std::string(s->soundSet[1].FileName), std::string(499, 'q'));
  EXPECT_EQ(profile.writes, 0);
}

TEST_F(SoundTable, ShiftJisPathsAreKeptByteForByte) {
  // "効果音" in code page 932, as the program receives it.
  const std::string path = "C:\\\x8C\xF8\x89\xCA\x89\xB9\\a.wav";
  StoreAllSlots("0");
  profile.Set(kSection, SlotKey(2), "1" + path);
  SoundEffectBase* s = Make();
  EXPECT_EQ(std::string(s->soundSet[2].FileName), path);
  s->SaveSoundSetting();
  EXPECT_EQ(profile.Value(kSection, SlotKey(2)), "1" + path);
}

TEST(SoundTableWithoutSection, NullSectionIsPassedOn) {
  MemoryProfile profile;
  RecordingOutput output;
  SoundEffectBase s(profile, output, nullptr, SoundNames, SoundSlotCount);
  EXPECT_EQ(s.ininame, nullptr);
  EXPECT_EQ(s.SoundNum, 5);
  EXPECT_EQ(s.soundSet[4].SoundOnOff, 0);
}

TEST(SoundValue, FormatAndParse) {
  SoundFile slot;
  char value[wzrv::SoundValueSize];
  wzrv::FormatSoundValue(slot, value, sizeof(value));
  EXPECT_STREQ(value, "0");
  slot.SoundOnOff = 7;  // any non-zero switch is stored as on
  wzrv::CopyText(slot.FileName, sizeof(slot.FileName), "a.wav");
  wzrv::FormatSoundValue(slot, value, sizeof(value));
  EXPECT_STREQ(value, "1a.wav");

  SoundFile back;
  EXPECT_TRUE(wzrv::ParseSoundValue(value, back));
  EXPECT_EQ(back.SoundOnOff, 1);
  EXPECT_STREQ(back.FileName, "a.wav");
  EXPECT_FALSE(wzrv::ParseSoundValue("", back));
  EXPECT_EQ(back.SoundOnOff, 0);
  EXPECT_STREQ(back.FileName, "");
  EXPECT_TRUE(back.SoundName.empty());
}

}  // namespace
