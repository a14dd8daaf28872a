// The user's profile (WIN.INI) through GetProfileStringA/WriteProfileStringA.
#pragma once

#include "base/profile_core.h"

namespace wzrv {
// The one profile store of the process.
ProfileStore& WindowsProfile();
}  // namespace wzrv
