#include "sound/sndefect.h"

#include "shell/trace.h"

SoundEffect::SoundEffect(HINSTANCE hinst, HWND hwnd, const char*, const char* const*, int numsound)
    : hInstance(hinst), hWnd(hwnd), SoundNum(numsound) {}

void SoundEffect::PlaySoundA(int num) { wzrv::Trace("PlaySound %d", num); }

int SoundEffect::ChangeDialog() {
  wzrv::Trace("SoundDialog");
  return 0;
}
