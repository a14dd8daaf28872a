// The program's one pseudo-random generator.
//
// Never seeded: the state starts at 1 and each draw sets
// state = state * 22695477 + 1 (mod 2^32), yielding bits 16..30 (0..32767).
// The field drawing and the choice of field on each click draw from the same
// sequence, so every start makes the same frames. The C library's rand() is
// never used anywhere in the program.
#pragma once

#include <cstdint>

namespace wzrv {

constexpr int RandMax = 32767;

namespace detail {
extern std::uint32_t randState;  // the one state of the process
extern std::uint64_t randCalls;  // draws so far (tests and tools read it)
}  // namespace detail

// Inline: the field drawing makes well over a hundred thousand draws.
inline int rand() {
  detail::randState = detail::randState * 22695477u + 1u;
  ++detail::randCalls;
  return static_cast<int>((detail::randState >> 16) & 0x7FFFu);
}

// For tests and tools only: read or set the generator's state, count draws.
std::uint32_t RandState();
void SetRandState(std::uint32_t state);
std::uint64_t RandCalls();

}  // namespace wzrv
