// Text helpers every part of the program uses: bounded copies into the fixed
// character arrays, and owned copies of names.
#pragma once

#include <cstddef>
#include <memory>

namespace wzrv {

// The caption of the program's own message boxes (Shift-JIS at run time).
extern const char MessageCaption[];

// How a Unicode text is put into an ANSI code page: the conversion's flags,
// and whether it can report characters the code page lacks. Where the ANSI
// code page is UTF-8 (65001: Windows' "Unicode UTF-8 for worldwide language
// support") every character has its bytes, and the conversion takes neither
// the best-fit flag nor a used-default report (it fails with them); only an
// unpaired surrogate has no UTF-8, and fails as an invalid character.
struct NarrowMode {
  unsigned flags;
  bool reportsLoss;
};
NarrowMode NarrowModeFor(unsigned codePage);

// Bounded copy that always terminates (dst holds `size` bytes).
void CopyText(char* dst, std::size_t size, const char* src);

// An own copy of `text`, or null for a null `text`.
std::unique_ptr<char[]> CopyOf(const char* text);

}  // namespace wzrv
