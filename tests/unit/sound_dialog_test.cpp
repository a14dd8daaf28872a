#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/memory_profile.h"
#include "sound/sound_core.h"
#include "sound/sounddlg_core.h"

namespace {

using wzrv::MemoryProfile;
using wzrv::SoundEffectBase;

const char kSection[] = "Windows-Zorvel";

class RecordingOutput : public wzrv::SoundOutput {
 public:
  void Play(const char* name, unsigned) override { calls.push_back(name ? name : "(stop)"); }
  std::vector<std::string> calls;
};

// The dialog's controls: a list, a path box, the slot switch and the master
// switch, edited by the test as a user would.
class FakeDialog : public wzrv::SoundDialogHost {
 public:
  void AddSlotName(const char* name) override { names.push_back(name); }
  void SelectSlot(int n) override { selected = n; }
  void SetMaster(bool on) override { master = on; }
  bool Master() override { return master; }
  void GetPath(char* buf, std::size_t size) override {
    std::snprintf(buf, size, "%s", path.c_str());
  }
  void SetPath(const char* p) override { path = p; }
  bool Switch() override { return on; }
  void SetSwitch(bool v) override { on = v; }

  std::vector<std::string> names;
  int selected = -1;
  bool master = false;
  std::string path;
  bool on = false;
};

std::string SlotKey(int i) { return "ApplicationSound(" + std::to_string(i) + ")"; }

class SoundDialog : public ::testing::Test {
 protected:
  SoundDialog() : snd(profile, output, kSection, SoundNames, SoundSlotCount) {
    for (int i = 0; i < SoundSlotCount; ++i) {
      std::snprintf(snd.soundSet[i].FileName, sizeof(snd.soundSet[i].FileName), "C:\\s%d.wav", i);
    }
  }
  // Opens the dialog on a fresh set of controls.
  void Open() {
    dlg = FakeDialog();
    backup = wzrv::SoundBackup(snd);
    wzrv::SoundDialogInit(snd, dlg);
    writes = profile.writes;
  }

  MemoryProfile profile;
  RecordingOutput output;
  SoundEffectBase snd;
  FakeDialog dlg;
  std::vector<SoundFile> backup;
  int writes = 0;
};

TEST_F(SoundDialog, FirstOpeningShowsSlotZero) {
  Open();
  ASSERT_EQ(dlg.names.size(), 5u);
  EXPECT_EQ(dlg.names[0], SoundNames[0]);
  EXPECT_EQ(dlg.selected, 0);
  EXPECT_EQ(dlg.path, "C:\\s0.wav");
  EXPECT_EQ(snd.dlgnow, 0);
  wzrv::SoundDialogFinish(snd, wzrv::SoundDialogCancel(snd), backup);
}

TEST_F(SoundDialog, AcceptWithSlotThreeChangedWritesAllKeysAndIsShownNextTime) {
  Open();
  wzrv::SoundDialogSelect(snd, dlg, 3);
  dlg.path = "C:\\new.wav";
  dlg.on = true;
  const int code = wzrv::SoundDialogAccept(snd, dlg);
  EXPECT_EQ(code, 1);
  wzrv::SoundDialogFinish(snd, code, backup);
  EXPECT_STREQ(snd.soundSet[3].FileName, "C:\\new.wav");
  EXPECT_EQ(profile.Value(kSection, SlotKey(3)), "1C:\\new.wav");
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(profile.Has(kSection, SlotKey(i)));
  EXPECT_EQ(profile.writes - writes, 6);  // five slots and the master switch
  EXPECT_EQ(snd.soundSet[3].SoundName, SoundNames[3]);  // names survive the backup
  Open();
  EXPECT_EQ(dlg.selected, 3);
  EXPECT_EQ(dlg.path, "C:\\new.wav");
  EXPECT_TRUE(dlg.on);
  wzrv::SoundDialogFinish(snd, wzrv::SoundDialogCancel(snd), backup);
}

TEST_F(SoundDialog, SelectEditSwitchThenCancelUndoesEverything) {
  Open();
  wzrv::SoundDialogSelect(snd, dlg, 1);
  dlg.path = "C:\\edited.wav";
  dlg.on = true;
  wzrv::SoundDialogSelect(snd, dlg, 2);
  EXPECT_STREQ(snd.soundSet[1].FileName, "C:\\edited.wav");  // stored on switching
  EXPECT_EQ(dlg.path, "C:\\s2.wav");
  dlg.master = true;
  wzrv::SoundDialogFinish(snd, wzrv::SoundDialogCancel(snd), backup);
  EXPECT_EQ(snd.status, 0);
  EXPECT_STREQ(snd.soundSet[1].FileName, "C:\\s1.wav");
  EXPECT_EQ(snd.soundSet[1].SoundOnOff, 0);
  EXPECT_EQ(snd.AllStop, 0);
  EXPECT_EQ(profile.writes, writes);
  EXPECT_EQ(snd.dlgnow, 2);  // the slot last shown stays for the next opening
  EXPECT_EQ(snd.soundSet[1].SoundName, SoundNames[1]);
}

TEST_F(SoundDialog, MasterSwitchOnAcceptStoresOnAndStopsTheSoundPlaying) {
  Open();
  dlg.master = true;
  wzrv::SoundDialogFinish(snd, wzrv::SoundDialogAccept(snd, dlg), backup);
  EXPECT_EQ(snd.AllStop, 1);
  EXPECT_EQ(profile.Value(kSection, "AllSoundDisable"), "On");
  ASSERT_FALSE(output.calls.empty());
  EXPECT_EQ(output.calls.back(), "(stop)");
}

TEST_F(SoundDialog, NoSelectionAndOverlongPathsAreHandled) {
  Open();
  wzrv::SoundDialogSelect(snd, dlg, -1);
  EXPECT_EQ(snd.dlgnow, 0);
  dlg.path = std::string(800, 'p');
  wzrv::SoundDialogSelect(snd, dlg, 0);  // the same slot: stored and shown again
  EXPECT_EQ(std::string(snd.soundSet[0].FileName), std::string(499, 'p'));
  EXPECT_EQ(dlg.path.size(), 499u);
  wzrv::SoundDialogFinish(snd, wzrv::SoundDialogCancel(snd), backup);
  EXPECT_STREQ(snd.soundSet[0].FileName, "C:\\s0.wav");
}

TEST_F(SoundDialog, DialogThatCannotBeShownStoresTheUnchangedTable) {
  backup = wzrv::SoundBackup(snd);
  const int before = profile.writes;
  wzrv::SoundDialogFinish(snd, -1, backup);
  EXPECT_EQ(profile.writes - before, 6);
  EXPECT_EQ(profile.Value(kSection, SlotKey(4)), "0C:\\s4.wav");
}

}  // namespace

namespace wzrv {
namespace {

// A chosen path is taken only where a slot holds it whole: 499 bytes and the terminator.
TEST(SoundDialogBrowse, SlotHoldsAPathOfItsSizeAndNoLonger) {
  const std::string fits(SoundFile::FileNameSize - 1, 'a');
  EXPECT_TRUE(SlotHoldsPath(fits.c_str()));
  EXPECT_FALSE(SlotHoldsPath((fits + "b").c_str()));
  EXPECT_TRUE(SlotHoldsPath(""));
}

}  // namespace
}  // namespace wzrv
