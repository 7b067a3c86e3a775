// The immutable flag of a file or folder (Linux): nobody, root included, may
// create, rename or delete there. Not every file system has it, and setting
// it needs root.
#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <utility>

namespace scen::test_util {

// Keeps a path immutable for the life of the object; `on()` says whether
// the flag could be set.
class immutable {
 public:
  explicit immutable(std::filesystem::path p) : p_(std::move(p)), on_(set(true)) {}
  ~immutable() {
    if (on_) set(false);
  }
  immutable(const immutable&) = delete;
  immutable& operator=(const immutable&) = delete;
  bool on() const { return on_; }

 private:
  bool set(bool on) {
    const int fd = ::open(p_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
  }

  std::filesystem::path p_;
  bool on_;
};

}  // namespace scen::test_util
