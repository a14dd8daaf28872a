#include "base/profile_core.h"

namespace wzrv {

const char SectionName[] = "Windows-Zorvel";

}  // namespace wzrv
