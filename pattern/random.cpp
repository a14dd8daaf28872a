#include "pattern/random.h"

namespace wzrv {

namespace detail {
std::uint32_t randState = 1;
std::uint64_t randCalls = 0;
}  // namespace detail

std::uint32_t RandState() { return detail::randState; }
void SetRandState(std::uint32_t state) { detail::randState = state; }
std::uint64_t RandCalls() { return detail::randCalls; }

}  // namespace wzrv
