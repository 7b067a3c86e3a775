// The paths removed when the console asks the process to end (Ctrl+C, the
// console closed, logoff): the run's temporaries and its folder lock. The
// console's handler runs on a thread of its own, so a lock guards the list;
// `ending_held` keeps the handler waiting while a set is being renamed, so
// that an interrupt never splits it.
#pragma once

#include <filesystem>
#include <mutex>

namespace scen::win32 {

void register_cleanup(const std::filesystem::path& path);
void unregister_cleanup(const std::filesystem::path& path);
// Deletes every registered path; called by the console's handler.
void remove_registered() noexcept;

// The console's handler waits while it lives, before it removes anything:
// around creating a file and registering it, and around the renames of a
// set.
class ending_held {
 public:
  ending_held();
  ~ending_held();
  ending_held(const ending_held&) = delete;
  ending_held& operator=(const ending_held&) = delete;

 private:
  std::unique_lock<std::recursive_mutex> lock_;
};

}  // namespace scen::win32
