#include "pattern/random.h"

namespace wzrv {

namespace {
std::uint32_t g_state = 1;
std::uint64_t g_calls = 0;
}  // namespace

int rand() {
  g_state = g_state * 22695477u + 1u;
  ++g_calls;
  return static_cast<int>((g_state >> 16) & 0x7FFFu);
}

std::uint32_t RandState() { return g_state; }
void SetRandState(std::uint32_t state) { g_state = state; }
std::uint64_t RandCalls() { return g_calls; }

}  // namespace wzrv
