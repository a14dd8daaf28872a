#include "sound/sounddlg_core.h"

#include <cstring>

#include "base/text_core.h"

namespace wzrv {

const char PathTooLongMessage[] = "ファイル名が長すぎます。499 バイトまでのパスのファイルを選んでください";

bool SlotHoldsPath(const char* path) { return std::strlen(path) < SoundFile::FileNameSize; }

std::vector<SoundFile> SoundBackup(const SoundEffectBase& snd) { return snd.soundSet; }

void ChangeCombo(SoundEffectBase& snd, SoundDialogHost& host, int newn) {
  if (snd.dlgnow >= 0 && snd.dlgnow < snd.SoundNum) {
    SoundFile& shown = snd.soundSet[snd.dlgnow];
    char path[SoundFile::FileNameSize];
    path[0] = '\0';
    host.GetPath(path, sizeof(path));
    path[sizeof(path) - 1] = '\0';
    CopyText(shown.FileName, sizeof(shown.FileName), path);
    shown.SoundOnOff = host.Switch() ? 1 : 0;
  }
  if (newn < 0 || newn >= snd.SoundNum) return;
  snd.dlgnow = newn;
  host.SetPath(snd.soundSet[newn].FileName);
  host.SetSwitch(snd.soundSet[newn].SoundOnOff != 0);
}

void SoundDialogInit(SoundEffectBase& snd, SoundDialogHost& host) {
  for (int i = 0; i < snd.SoundNum; ++i) {
    host.AddSlotName(snd.soundSet[i].SoundName.c_str());
  }
  int n = snd.dlgnow;
  if (n < 0 || n >= snd.SoundNum) n = 0;
  host.SelectSlot(n);
  host.SetMaster(snd.AllStop != 0);
  snd.dlgnow = -1;
  ChangeCombo(snd, host, n);
}

void SoundDialogSelect(SoundEffectBase& snd, SoundDialogHost& host, int sel) {
  if (sel < 0) return;
  ChangeCombo(snd, host, sel);
}

int SoundDialogAccept(SoundEffectBase& snd, SoundDialogHost& host) {
  ChangeCombo(snd, host, snd.dlgnow);
  snd.AllStop = host.Master() ? 1 : 0;
  snd.status = 1;
  return 1;
}

int SoundDialogCancel(SoundEffectBase& snd) {
  snd.status = 0;
  return 0;
}

void SoundDialogFinish(SoundEffectBase& snd, int endcode, const std::vector<SoundFile>& backup) {
  if (endcode != 0) {
    snd.SaveSoundSetting();
    if (snd.AllStop == 1) snd.PlaySoundA(-1);
  } else {
    snd.soundSet = backup;
  }
}

}  // namespace wzrv
