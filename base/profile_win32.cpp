#include "base/profile_win32.h"

#include <windows.h>

namespace wzrv {

namespace {
class Win32Profile : public ProfileStore {
 public:
  std::size_t GetString(const char* section, const char* key, const char* def, char* buf,
                        std::size_t size) override {
    if (buf == nullptr || size == 0) return 0;
    return GetProfileStringA(section, key, def, buf, static_cast<DWORD>(size));
  }
  bool WriteString(const char* section, const char* key, const char* value) override {
    return WriteProfileStringA(section, key, value) != FALSE;
  }
};
}  // namespace

void FlushProfile() { WriteProfileStringA(nullptr, nullptr, nullptr); }

ProfileStore& WindowsProfile() {
  static Win32Profile profile;
  return profile;
}

}  // namespace wzrv
