// Access to the user's profile settings (named sections of key = text value),
// kept behind an interface so that the logic that reads and writes settings
// builds and is tested without the platform. The Windows build reads and
// writes WIN.INI (see profile_win32.h); tests use MemoryProfile.
#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace wzrv {

// The profile section that holds every setting of the program.
extern const char SectionName[];  // "Windows-Zorvel"

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

// A profile held in memory. Section and key names compare without regard to
// ASCII case, as in WIN.INI. A null section or key reads the default and
// writes nothing.
class MemoryProfile : public ProfileStore {
 public:
  std::size_t GetString(const char* section, const char* key, const char* def, char* buf,
                        std::size_t size) override;
  bool WriteString(const char* section, const char* key, const char* value) override;

  // Inspection and set-up for tests.
  bool Has(const std::string& section, const std::string& key) const;
  std::string Value(const std::string& section, const std::string& key) const;
  void Set(const std::string& section, const std::string& key, const std::string& value);
  void Erase(const std::string& section, const std::string& key);
  std::size_t KeyCount(const std::string& section) const;
  int writes = 0;  // successful WriteString calls

 private:
  struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  using Section = std::map<std::string, std::string, NoCase>;
  std::map<std::string, Section, NoCase> sections_;
};

}  // namespace wzrv
