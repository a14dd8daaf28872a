#include "shell/options.h"

namespace wzrv {

int ScanOptions(const char* cmdline) {
  int bits = 0;
  if (cmdline == nullptr) return 0;
  for (const char* p = cmdline; *p != '\0'; ++p) {
    if (*p != '-' && *p != '/') continue;
    const char letter = p[1];
    if (letter == '\0') break;  // a prefix as the last character ends the scan
    switch (letter) {
      case 'o': case 'O': bits |= SO_LockAtStart; break;
      case 't': case 'T': bits |= SO_Transparent; break;
      default: break;
    }
    ++p;  // continue after the option letter
  }
  return bits;
}

}  // namespace wzrv
