// Fuzz target for the command-line option scan: any bytes as a command line
// (up to the first NUL, as the program receives it).
//
// Checks that the scan stays inside the string, gives only the two known
// bits, and that a longer command line never loses a bit a shorter start of
// it already set. The same bytes as a screen saver's command line and file
// name stay inside the string too.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shell/options.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "options_fuzz: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size heap copy, so reading past the terminator is caught.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string line = text.substr(0, text.find('\0'));
  const int all = wzrv::ScanOptions(line.c_str());
  Check((all & ~(wzrv::SO_Transparent | wzrv::SO_LockAtStart)) == 0, "unknown option bit");
  Check(wzrv::ScanOptions(line.c_str()) == all, "same line, different options");

  for (std::size_t cut = 0; cut <= line.size(); cut += 1 + line.size() / 8) {
    const std::string head = line.substr(0, cut);
    const int part = wzrv::ScanOptions(head.c_str());
    Check((part & ~all) == 0, "a longer command line lost an option");
  }
  Check(wzrv::ScanOptions(nullptr) == 0, "no command line sets an option");

  // The same bytes read as a screen saver's command line and file name.
  const wzrv::SaverCommand saver = wzrv::ScanSaverCommand(line.c_str());
  Check(saver.mode != wzrv::SaverMode::Run || saver.window == 0, "a window for the saver itself");
  Check(!wzrv::IsSaverFileName(line.c_str()) || line.size() >= 4, "a name shorter than .scr is a saver");
  return 0;
}
