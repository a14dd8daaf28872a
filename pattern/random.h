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

// One step of the generator on a given state: what rand() does to the
// process's state.
inline int NextRand(std::uint32_t& state) {
  state = state * 22695477u + 1u;
  return static_cast<int>((state >> 16) & 0x7FFFu);
}

// Inline: the field drawing makes well over a hundred thousand draws.
inline int rand() {
  ++detail::randCalls;
  return NextRand(detail::randState);
}

// A run of draws kept in a register: a loop that writes through byte pointers
// (which may alias anything) would otherwise reload and store the state on
// every draw. Draws from the process's generator, in order; the state goes
// back when the run ends.
class RandRun {
 public:
  RandRun() : state_(detail::randState) {}
  ~RandRun() {
    detail::randState = state_;
    detail::randCalls += calls_;
  }
  RandRun(const RandRun&) = delete;
  RandRun& operator=(const RandRun&) = delete;
  int operator()() {
    ++calls_;
    return NextRand(state_);
  }

 private:
  std::uint32_t state_;
  std::uint32_t calls_ = 0;
};

// For tests and tools only: read or set the generator's state, count draws.
std::uint32_t RandState();
void SetRandState(std::uint32_t state);
std::uint64_t RandCalls();

}  // namespace wzrv
