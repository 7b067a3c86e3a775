// The paths removed when the console asks the process to end (Ctrl+C, the
// console closed, logoff): the run's temporaries and its folder lock. The
// console's handler runs on a thread of its own, so a lock guards the list;
// `hold_ending` keeps the handler waiting while a set is being renamed, so
// that an interrupt never splits it.
#pragma once

#include <filesystem>
#include <mutex>

namespace scen::win32 {

void register_cleanup(const std::filesystem::path& path);
void unregister_cleanup(const std::filesystem::path& path);
// Deletes every registered path; called by the console's handler.
void remove_registered() noexcept;

// While one lives, the console's handler waits before it removes anything.
std::unique_lock<std::recursive_mutex> hold_ending();

}  // namespace scen::win32
