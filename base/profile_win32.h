// The user's profile (WIN.INI) through GetProfileStringA/WriteProfileStringA.
#pragma once

#include "base/profile_core.h"

namespace wzrv {
// The one profile store of the process.
ProfileStore& WindowsProfile();
// Writes what the profile functions may still hold in memory to the file: a
// setting stored before a dialog closes is on disk when the dialog vanishes.
void FlushProfile();
}  // namespace wzrv
