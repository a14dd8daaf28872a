// A profile store held in memory, for the unit tests and the fuzz targets of
// everything that reads and writes settings.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "base/profile_core.h"

namespace wzrv {

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
