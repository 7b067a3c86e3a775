#include "cleanup.h"

#include <limits.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>

namespace scen::posix {
namespace {

enum stato_slot : int { libero = 0, in_scrittura = 1, pronto = 2 };

struct slot {
  std::atomic<int> stato{libero};
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
    int atteso = libero;
    if (!s.stato.compare_exchange_strong(atteso, in_scrittura)) continue;
    std::memcpy(s.path, path, n + 1);
    s.stato.store(pronto);
    return true;
  }
  return false;
}

void unregister_cleanup(const char* path) noexcept {
  for (slot& s : slots) {
    if (s.stato.load() == pronto && std::strcmp(s.path, path) == 0) {
      s.stato.store(libero);
      return;
    }
  }
}

void remove_registered() noexcept {
  for (slot& s : slots) {
    if (s.stato.load() == pronto) ::unlink(s.path);
  }
}

signals_held::signals_held() {
  sigset_t insieme;
  sigemptyset(&insieme);
  sigaddset(&insieme, SIGINT);
  sigaddset(&insieme, SIGTERM);
  sigaddset(&insieme, SIGHUP);
  ::sigprocmask(SIG_BLOCK, &insieme, &before_);
}

signals_held::~signals_held() { ::sigprocmask(SIG_SETMASK, &before_, nullptr); }

}  // namespace scen::posix
