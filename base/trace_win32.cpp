#include "base/trace.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace wzrv {

void Trace(const char* format, ...) {
  char text[256];
  int n = std::snprintf(text, sizeof text, "wzrv: ");
  va_list args;
  va_start(args, format);
  std::vsnprintf(text + n, sizeof text - n, format, args);
  va_end(args);
  OutputDebugStringA(text);
}

}  // namespace wzrv
