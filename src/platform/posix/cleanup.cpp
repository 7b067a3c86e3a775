#include "platform/posix/cleanup.h"

#include <limits.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>

namespace scen::posix {
namespace {

enum slot_state : int { empty = 0, filling = 1, ready = 2 };

struct slot {
  std::atomic<int> state{empty};
  char path[PATH_MAX];
};

// A run holds a handful of temporaries at once (six at most) and one lock.
// Initialised at compile time, all zero: the table costs the program's start
// nothing until a slot is used (a run-time initialiser would touch all of its
// 128 KiB before main).
constinit std::array<slot, 32> slots{};

}  // namespace

bool register_cleanup(const char* path) noexcept {
  const std::size_t n = std::strlen(path);
  if (n >= PATH_MAX) return false;
  for (slot& s : slots) {
    int expected = empty;
    if (!s.state.compare_exchange_strong(expected, filling)) continue;
    std::memcpy(s.path, path, n + 1);
    s.state.store(ready);
    return true;
  }
  return false;
}

void unregister_cleanup(const char* path) noexcept {
  for (slot& s : slots) {
    if (s.state.load() == ready && std::strcmp(s.path, path) == 0) {
      s.state.store(empty);
      return;
    }
  }
}

void remove_registered() noexcept {
  for (slot& s : slots) {
    if (s.state.load() == ready) ::unlink(s.path);
  }
}

ending_held::ending_held() {
  sigset_t ending_signals;
  sigemptyset(&ending_signals);
  sigaddset(&ending_signals, SIGINT);
  sigaddset(&ending_signals, SIGTERM);
  sigaddset(&ending_signals, SIGHUP);
  ::sigprocmask(SIG_BLOCK, &ending_signals, &before_);
}

ending_held::~ending_held() { ::sigprocmask(SIG_SETMASK, &before_, nullptr); }

}  // namespace scen::posix
