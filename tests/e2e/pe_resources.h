// Resources of a built PE file, read from its resource section: what a
// system or Explorer reads from wzrv.exe, independent of the resource script.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace e2e {

struct PeResource {
  unsigned type = 0;  // numeric type (RT_*); named types are skipped
  unsigned id = 0;    // numeric name; named ones are skipped
  unsigned language = 0;
  std::string bytes;
};
// Every numbered resource of the file; false when it is not a PE file with a
// resource section (`error` tells why).
bool ReadPeResources(const std::string& path, std::vector<PeResource>* out, std::string* error);

// What the file headers say of the program.
struct PeHeader {
  unsigned machine = 0;    // 0x14C i386, 0x8664 x86-64
  unsigned magic = 0;      // 0x10B PE32, 0x20B PE32+
  unsigned subsystem = 0;  // 2 GUI, 3 console
};
bool ReadPeHeader(const std::string& path, PeHeader* out, std::string* error);

// A VS_VERSIONINFO resource taken apart.
struct VersionInfo {
  unsigned fileVersion[4] = {};
  unsigned productVersion[4] = {};
  unsigned fileOs = 0, fileType = 0;
  // "041104B0" -> {"ProductName" -> "Windows Z.R.V", ...}, values as UTF-8.
  std::map<std::string, std::map<std::string, std::string>> strings;
  std::vector<unsigned> translations;  // language << 16 | code page
};
bool ParseVersionInfo(const std::string& bytes, VersionInfo* info, std::string* error);

}  // namespace e2e
