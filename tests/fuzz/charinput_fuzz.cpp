// Fuzz target for the lock's keyboard input: the first byte gives the
// password's length, the password follows, every further byte is one typed
// character (WM_CHAR code).
//
// Checks that the collected text never grows past its capacity and stays
// terminated, that Return unlocks exactly when the collected text contains
// the password and otherwise starts the collection afresh.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/wzrv_core.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "charinput_fuzz: %s\n", what);
    std::abort();
  }
}

class CountingWindow : public wzrv::MainWindowBase {
 public:
  int unlocks = 0;

 protected:
  void Unlock() override { ++unlocks; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using Base = wzrv::MainWindowBase;
  static CountingWindow window;  // one per process, as in the program
  Base::ResetInput();
  window.unlocks = 0;

  std::size_t at = 0;
  const std::size_t want = size > 0 ? data[at++] % Base::PasswordSize : 0;
  std::size_t len = 0;
  for (; len < want && at < size; ++len) window.Password[len] = static_cast<char>(data[at++]);
  window.Password[len] = '\0';
  const std::string password(window.Password);

  int expected = 0;
  for (; at < size; ++at) {
    const int c = data[at];
    const std::string before(Base::InputString);
    window.CharInput(c);
    const std::size_t n = std::strlen(Base::InputString);
    Check(Base::InputString[Base::InputCapacity] == '\0', "collected text not terminated");
    Check(n <= Base::InputCapacity, "collected text past its capacity");
    if (c == 0) continue;  // a NUL ends the text where it is stored
    // The new character is the last one kept; the oldest goes when full.
    std::string after = before.size() >= Base::InputCapacity ? before.substr(1) : before;
    after += static_cast<char>(c);
    if (c != 13) {
      Check(after == Base::InputString, "a typed character was not kept");
      continue;
    }
    if (after.find(password) != std::string::npos) {
      ++expected;
      Check(after == Base::InputString, "the text that unlocked was changed");
    } else {
      Check(n == 0, "a wrong Return kept the collected text");
    }
    Check(window.unlocks == expected, "Return unlocked when it should not or did not when it should");
  }
  return 0;
}
