// Debug trace through OutputDebugStringA: silent unless a debugger listens
// (under Wine, WINEDEBUG=+debugstr prints it), used by the end-to-end tests to
// see what the program did.
#pragma once

namespace wzrv {
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
}
