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
  // Plays as PlaySoundA does, and returns when the sound has ended (the last
  // sound of a process that ends after it).
  void PlaySoundToTheEnd(int num);
  // Runs the sound dialog on this table: 1 after "設定", 0 after "Cancel".
  int ChangeDialog();
  static INT_PTR CALLBACK DLGProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // Stores the shown slot from dialog `hwnd`'s controls and shows slot `newn`.
  static void ChangeCombo(HWND hwnd, SoundEffect* snd, int newn);

  HINSTANCE hInstance;
  HWND hWnd;
};

// The sound table whose dialog is being opened.
extern LONG_PTR SEDLG_LONG;

// Runs the open-file dialog for wave files; `file` (1024 characters) holds
// the initial name and, on success, the chosen path. Non-zero when a file
// was chosen.
int GetSoundFilename(HWND hwnd, char* file);

// The exported name of the sound dialog's procedure.
extern "C" __declspec(dllexport) INT_PTR CALLBACK SoundEffectDLGProc(HWND, UINT, WPARAM, LPARAM);
