#include "base/text_core.h"

#include <cstring>

namespace wzrv {

const char MessageCaption[] = "Windows Zorvel";

NarrowMode NarrowModeFor(unsigned codePage) {
  constexpr unsigned Utf8 = 65001, ErrInvalidChars = 0x80, NoBestFitChars = 0x400;
  if (codePage == Utf8) return {ErrInvalidChars, false};
  return {NoBestFitChars, true};
}

void CopyText(char* dst, std::size_t size, const char* src) {
  if (size == 0) return;
  std::size_t i = 0;
  if (src != nullptr) {
    for (; i + 1 < size && src[i] != '\0'; ++i) dst[i] = src[i];
  }
  dst[i] = '\0';
}

std::unique_ptr<char[]> CopyOf(const char* text) {
  if (text == nullptr) return nullptr;
  const std::size_t n = std::strlen(text) + 1;
  std::unique_ptr<char[]> copy(new char[n]);
  std::memcpy(copy.get(), text, n);
  return copy;
}

}  // namespace wzrv
