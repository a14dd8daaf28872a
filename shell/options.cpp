#include "shell/options.h"

#include <cstddef>

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

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

// An unsigned decimal at p (after blanks or one ':'); 0 when there is none or
// it does not fit.
unsigned long long ReadWindow(const char* p) {
  if (*p == ':') ++p;
  while (Blank(*p)) ++p;
  unsigned long long value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    const unsigned digit = static_cast<unsigned>(*p - '0');
    if (value > (~0ULL - digit) / 10) return 0;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace

bool IsSaverFileName(const char* path) {
  if (path == nullptr) return false;
  std::size_t n = 0;
  while (path[n] != '\0') ++n;
  if (n < 4) return false;
  const char* end = path + n - 4;
  return end[0] == '.' && (end[1] | 0x20) == 's' && (end[2] | 0x20) == 'c' && (end[3] | 0x20) == 'r';
}

SaverCommand ScanSaverCommand(const char* cmdline) {
  SaverCommand command;
  if (cmdline == nullptr) return command;
  const char* p = cmdline;
  while (Blank(*p)) ++p;
  if (*p != '-' && *p != '/') return command;
  const char letter = static_cast<char>(p[1] | 0x20);
  const char* rest = p[1] != '\0' ? p + 2 : p + 1;
  switch (letter) {
    case 's': command.mode = SaverMode::Run; break;
    case 'p': command.mode = SaverMode::Preview; break;
    case 'a': command.mode = SaverMode::Password; break;
    default: command.mode = SaverMode::Settings; break;
  }
  if (command.mode != SaverMode::Run) command.window = ReadWindow(rest);
  return command;
}

}  // namespace wzrv
