#include "sound/sndefect.h"

#include <mmsystem.h>

#include "base/profile_win32.h"
#include "base/trace.h"

static_assert(wzrv::snd::Async == SND_ASYNC && wzrv::snd::NoDefault == SND_NODEFAULT &&
                  wzrv::snd::Loop == SND_LOOP,
              "player flags");

namespace {
// Wave output through the multimedia library; the result is not looked at.
class WaveOutput : public wzrv::SoundOutput {
 public:
  void Play(const char* name, unsigned flags) override {
    if (toTheEnd) flags &= ~static_cast<unsigned>(SND_ASYNC);
    wzrv::Trace("sndPlaySound 0x%04X %s", flags, name != nullptr ? name : "(stop)");
    sndPlaySoundA(name, flags);
  }
  bool toTheEnd = false;  // play synchronously
};

WaveOutput& Output() {
  static WaveOutput output;
  return output;
}
}  // namespace

SoundEffect::SoundEffect(HINSTANCE hinst, HWND hwnd, const char* ininame,
                         const char* const* names, int numsound)
    : wzrv::SoundEffectBase(wzrv::WindowsProfile(), Output(), ininame, names, numsound),
      hInstance(hinst),
      hWnd(hwnd) {}

void SoundEffect::PlaySoundA(int num) {
  wzrv::Trace("PlaySound %d", num);
  wzrv::SoundEffectBase::PlaySoundA(num);
}

void SoundEffect::PlaySoundToTheEnd(int num) {
  wzrv::Trace("PlaySound %d", num);
  Output().toTheEnd = true;
  wzrv::SoundEffectBase::PlaySoundA(num);
  Output().toTheEnd = false;
}

void SoundEffect::LoopSound(int num) {
  wzrv::Trace("LoopSound %d", num);
  wzrv::SoundEffectBase::LoopSound(num);
}

