#include "base/profile_core.h"

namespace wzrv {

const char SectionName[] = "Windows-Zorvel";

bool NamesProgramSection(const char* section) {
  if (section == nullptr) return false;
  const char* want = SectionName;
  for (; *section != '\0' && *want != '\0'; ++section, ++want) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(*section) != lower(*want)) return false;
  }
  return *section == '\0' && *want == '\0';
}

}  // namespace wzrv
