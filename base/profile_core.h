// Access to the user's profile settings (named sections of key = text value),
// kept behind an interface so that the logic that reads and writes settings
// builds and is tested without the platform. The Windows build reads and
// writes WIN.INI (see profile_win32.h); the tests keep a profile in memory
// (tests/support/memory_profile.h).
#pragma once

#include <cstddef>

namespace wzrv {

// The profile section that holds every setting of the program.
extern const char SectionName[];  // "Windows-Zorvel"

// Whether the section named in a notice that settings changed (the text of
// WM_WININICHANGE / WM_SETTINGCHANGE; null for none) is the program's: section
// names compare without regard to case.
bool NamesProgramSection(const char* section);

class ProfileStore {
 public:
  virtual ~ProfileStore() = default;

  // Reads `key` of `section` into `buf` (`size` bytes): the stored text, or
  // `def` when the key is absent. At most size - 1 characters are copied and
  // the result is always terminated (when size > 0). Returns the number of
  // characters copied.
  virtual std::size_t GetString(const char* section, const char* key, const char* def,
                                char* buf, std::size_t size) = 0;
  // Stores `value` under `key` of `section`. Returns false on failure.
  virtual bool WriteString(const char* section, const char* key, const char* value) = 0;
};

}  // namespace wzrv
