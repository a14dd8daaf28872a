#include "base/text_core.h"

namespace wzrv {

void CopyText(char* dst, std::size_t size, const char* src) {
  if (size == 0) return;
  std::size_t i = 0;
  if (src != nullptr) {
    for (; i + 1 < size && src[i] != '\0'; ++i) dst[i] = src[i];
  }
  dst[i] = '\0';
}

}  // namespace wzrv
