// One run at a time in a folder. A run holds the folder's lock from before
// its first write until its end; a second run waits for it a bounded time
// and then gives up with folder_busy. The lock is the system's own lock on
// an open file (".scenario.lock" in the folder), so it ends with the process
// that holds it, however that process ends: a run that crashed or was killed
// never blocks the next one.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string_view>

#include "platform/platform_error.h"

namespace scen {

// Another run held the folder for the whole wait.
class folder_busy : public std::runtime_error {
 public:
  explicit folder_busy(const std::filesystem::path& dir)
      : std::runtime_error(utf8_of(dir) + ": in use by another run; try again when it has ended"), dir_(dir) {}
  const std::filesystem::path& dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
};

class folder_lock {
 public:
  static constexpr std::string_view file_name = ".scenario.lock";
  // How long a run waits for the folder by default: far longer than a run.
  static constexpr std::chrono::milliseconds default_wait{5000};

  // Takes the lock of `dir`, waiting at most `wait` for another run to let
  // go. Throws folder_busy when it does not. Throws platform_error at once,
  // without waiting, when the lock file cannot be created or opened for
  // writing (a read-only file, a folder the process may not write, another
  // program holding the file unshared): no run holds the folder then, and
  // waiting would change nothing.
  folder_lock(const std::filesystem::path& dir, std::chrono::milliseconds wait = default_wait);
  // Removes the lock file and lets go.
  ~folder_lock();
  folder_lock(const folder_lock&) = delete;
  folder_lock& operator=(const folder_lock&) = delete;

 private:
  std::filesystem::path file_;
  std::intptr_t handle_ = -1;
};

}  // namespace scen
