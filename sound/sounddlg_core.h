// The edit logic of the sound dialog without the platform: one slot shown
// at a time and stored from the controls when the selection changes or the
// dialog is accepted, the master switch taken over on "設定", and the backup
// that "Cancel" puts back.
#pragma once

#include <cstddef>
#include <vector>

#include "resources/resource.h"
#include "sound/sndefect_core.h"

namespace wzrv {

// Control ids of the sound dialog.
constexpr int IdSoundList = IDC_SOUND_LIST;
constexpr int IdSoundMaster = IDC_SOUND_MASTER;
constexpr int IdSoundAccept = IDC_SOUND_ACCEPT;
constexpr int IdSoundPath = IDC_SOUND_PATH;
constexpr int IdSoundSwitch = IDC_SOUND_SWITCH;
constexpr int IdSoundBrowse = IDC_SOUND_BROWSE;
constexpr int IdSoundTest = IDC_SOUND_TEST;
constexpr int IdSoundStop = IDC_SOUND_STOP;
constexpr std::size_t BrowseBufferSize = 1024;

// A path chosen with Browse that a slot cannot hold whole (SoundFile keeps
// FileNameSize - 1 bytes) is refused with this message, and the slot keeps
// what it had: cut short, it would name a file that does not exist.
extern const char PathTooLongMessage[];
bool SlotHoldsPath(const char* path);

// The dialog's controls as the edit logic sees them.
class SoundDialogHost {
 public:
  virtual ~SoundDialogHost() = default;
  virtual void AddSlotName(const char* name) = 0;
  virtual void SelectSlot(int n) = 0;
  virtual void SetMaster(bool on) = 0;
  virtual bool Master() = 0;
  // The path box: read with a buffer of `size` characters (terminator
  // included), and set.
  virtual void GetPath(char* buf, std::size_t size) = 0;
  virtual void SetPath(const char* path) = 0;
  virtual bool Switch() = 0;
  virtual void SetSwitch(bool on) = 0;
};

// The slots when the dialog opens: a copy of every slot.
std::vector<SoundFile> SoundBackup(const SoundEffectBase& snd);

// Stores the shown slot from the controls (unless none is shown yet) and
// shows slot `newn`.
void ChangeCombo(SoundEffectBase& snd, SoundDialogHost& host, int newn);

// Fills the dialog: the slot names, the slot last shown, the master switch.
void SoundDialogInit(SoundEffectBase& snd, SoundDialogHost& host);
// The list reported selection `sel` (-1 when nothing is selected).
void SoundDialogSelect(SoundEffectBase& snd, SoundDialogHost& host, int sel);
// "設定": stores the shown slot and the master switch; the end code is 1.
int SoundDialogAccept(SoundEffectBase& snd, SoundDialogHost& host);
// "Cancel", Esc or the close box: the end code is 0.
int SoundDialogCancel(SoundEffectBase& snd);

// After the dialog: a non-zero end code (also -1, a dialog that could not be
// shown) writes the whole table and, with every sound disabled, stops the
// sound playing; 0 puts every slot back from the backup.
void SoundDialogFinish(SoundEffectBase& snd, int endcode, const std::vector<SoundFile>& backup);

}  // namespace wzrv
