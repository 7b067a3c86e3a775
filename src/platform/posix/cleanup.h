// The paths a signal handler removes before the process ends: the run's
// temporaries and its folder lock. Registering and removing are
// async-signal-safe: fixed slots, atomic flags, no allocation.
#pragma once

#include <signal.h>

namespace scen::posix {

// Notes `path` for removal; false when no slot is free or the path is too
// long (the file is then left to the next run's clean-up).
bool register_cleanup(const char* path) noexcept;
void unregister_cleanup(const char* path) noexcept;
// Unlinks every noted path. Called from the signal handler.
void remove_registered() noexcept;

// Interrupts and termination requests wait while it lives: around creating
// a file and registering it, so that no signal falls between the two, and
// around the renames of a set.
class signals_held {
 public:
  signals_held();
  ~signals_held();
  signals_held(const signals_held&) = delete;
  signals_held& operator=(const signals_held&) = delete;

 private:
  sigset_t before_;
};

}  // namespace scen::posix
