// The user's profile (WIN.INI) through GetProfileStringA/WriteProfileStringA.
#pragma once

#include "base/profile_core.h"

namespace wzrv {
// The one profile store of the process.
ProfileStore& WindowsProfile();
// Writes what the profile functions may still hold in memory to the file (a
// setting stored before a dialog closes is on disk when the dialog vanishes),
// and tells every program's windows that the program's section changed.
void FlushProfile();
// True while this process tells the others (its own windows hear it too).
bool AnnouncingProfile();
}  // namespace wzrv
