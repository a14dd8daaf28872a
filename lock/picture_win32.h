// Pictures of the screen, the lock's: a 32-bit top-down copy of the whole
// screen, or of the parts of it that are asked for.
#pragma once

#include <windows.h>

#include <cstdint>

#include "shell/screen_core.h"

// Whoever holds one releases it.
struct ScreenCopy {
  HBITMAP bitmap = nullptr;
  std::uint32_t* bits = nullptr;
  wzrv::ScreenArea area;

  static ScreenCopy New(const wzrv::ScreenArea& area);  // not yet filled
  static ScreenCopy Copy(const wzrv::ScreenArea& area);
  // A box or menu that has just closed may still be on the screen: lets the
  // window system catch up, then waits (briefly, boundedly) until two
  // copies agree.
  static ScreenCopy CopySettled(const wzrv::ScreenArea& area);
  // Copies the screen's `part` (screen coordinates, inside the picture)
  // into the picture, settled as above if asked.
  void CopyPart(const wzrv::ScreenArea& part, bool settle);
  void Release();
};

// Lets the window system catch up with what this thread asked of it (Wine
// sends a thread's window requests to the X server only when the thread
// waits for messages): waits for input without taking any message.
void FlushWindowSystem();
