// The sound table of the program: the platform-free table with its module
// instance and owner window, played through sndPlaySoundA and stored in
// WIN.INI.
#pragma once

#include <windows.h>

#include "sound/sndefect_core.h"
#include "sound/sound_core.h"

class SoundEffect : public wzrv::SoundEffectBase {
 public:
  SoundEffect(HINSTANCE hinst, HWND hwnd, const char* ininame, const char* const* names,
              int numsound);

  // Traces the request, then plays, stops or ignores it.
  void PlaySoundA(int num);
  void LoopSound(int num);
  int ChangeDialog();

  HINSTANCE hInstance;
  HWND hWnd;
};
