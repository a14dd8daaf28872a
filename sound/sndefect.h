// The sound table. For now it only knows its slots; wave files, settings and
// the sound dialog come next.
#pragma once

#include <windows.h>

#include "sound/sound_core.h"

class SoundEffect {
 public:
  SoundEffect(HINSTANCE hinst, HWND hwnd, const char* ininame, const char* const* names,
              int numsound);

  void PlaySoundA(int num);
  int ChangeDialog();

  HINSTANCE hInstance;
  HWND hWnd;
  int SoundNum;
};
