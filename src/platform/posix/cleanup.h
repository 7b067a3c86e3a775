// The paths a signal handler removes before the process ends: the run's
// temporaries and its folder lock. Registering and removing are
// async-signal-safe: fixed slots, atomic flags, no allocation.
// `ending_held` keeps interrupts and termination requests waiting while a
// set is being renamed, so that a signal never splits it.
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
class ending_held {
 public:
  ending_held();
  ~ending_held();
  ending_held(const ending_held&) = delete;
  ending_held& operator=(const ending_held&) = delete;

 private:
  sigset_t before_;
};

}  // namespace scen::posix
