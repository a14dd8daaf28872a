#include "base/profile_win32.h"

#include <windows.h>

namespace wzrv {

namespace {
bool announcing = false;

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

void FlushProfile() {
  WriteProfileStringA(nullptr, nullptr, nullptr);
  // Programs that write WIN.INI tell the others which section changed: a
  // running wzrv.exe (the saver's settings, another copy's dialog) reads it
  // again. A window that does not answer holds it up for a second at most.
  announcing = true;
  SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(SectionName),
                      SMTO_ABORTIFHUNG, 1000, nullptr);
  announcing = false;
}

bool AnnouncingProfile() { return announcing; }

ProfileStore& WindowsProfile() {
  static Win32Profile profile;
  return profile;
}

}  // namespace wzrv
