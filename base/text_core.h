// Text helpers every part of the program uses: bounded copies into the fixed
// character arrays, and owned copies of names.
#pragma once

#include <cstddef>
#include <memory>

namespace wzrv {

// Bounded copy that always terminates (dst holds `size` bytes).
void CopyText(char* dst, std::size_t size, const char* src);

// An own copy of `text`, or null for a null `text`.
std::unique_ptr<char[]> CopyOf(const char* text);

}  // namespace wzrv
