#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>

#include "platform/posix/cleanup.h"
#include "platform/posix/system_text.h"

namespace scen {
namespace {

// Why the lock file cannot be opened for writing: the system's reason, what
// it means for the lock, and when the file lets nobody write it, that it is
// read-only. Said at once: only a lock that another run holds is worth
// waiting for.
std::string cannot_open(const std::filesystem::path& file, int code) {
  std::string why = posix::reason(code) + "; the lock file cannot be opened for writing";
  struct stat st {};
  if ((code == EACCES || code == EPERM) && ::lstat(file.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) {
    why += " (it is read-only)";
  }
  return why;
}

// Opens the lock file: created exclusively when there is none, otherwise the
// one a run left (it holds no lock once its process is gone). Never through
// a link, never anything but a regular file.
int open_lock_file(const std::filesystem::path& file) {
  for (;;) {
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) return fd;
    if (errno == EINTR) continue;
    if (const int e = errno; e != EEXIST)
      throw platform_error(file, posix::reason(e) + "; the lock file cannot be created");
    fd = ::open(file.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      if (errno == ENOENT || errno == EINTR) continue;  // its run removed it meanwhile: create it anew
      const int e = errno;
      if (e == ELOOP) throw platform_error(file, "is a symbolic link, not a lock file");
      throw platform_error(file, cannot_open(file, e));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      throw platform_error(file, "exists and is not a regular file");
    }
    return fd;
  }
}

// True when `fd` is still the file under the lock's name: a run that ends
// removes its lock file, and a run that was waiting on that very file must
// not take a lock nobody else can see.
bool still_the_file(int fd, const std::filesystem::path& file) {
  struct stat opened {
  }, named{};
  if (::fstat(fd, &opened) != 0 || ::lstat(file.c_str(), &named) != 0) return false;
  return opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

}  // namespace

folder_lock::folder_lock(const std::filesystem::path& dir, std::chrono::milliseconds wait)
    : file_(dir / std::string(file_name)) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  auto delay = std::chrono::milliseconds(2);
  for (;;) {
    int e = 0;
    {
      // A signal between creating the lock file and registering it would
      // leave the file behind.
      const posix::ending_held held;
      const int fd = open_lock_file(file_);
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        if (still_the_file(fd, file_)) {
          handle_ = fd;
          posix::register_cleanup(file_.c_str());
          return;
        }
        ::close(fd);
        continue;
      }
      e = errno;
      ::close(fd);
    }
    if (e != EWOULDBLOCK && e != EINTR) throw platform_error(file_, posix::reason(e));
    if (std::chrono::steady_clock::now() >= deadline) throw folder_busy(dir);
    std::this_thread::sleep_for(delay);
    delay = std::min(delay * 2, std::chrono::milliseconds(50));
  }
}

folder_lock::~folder_lock() {
  if (handle_ < 0) return;
  // Removed while still held: a run waiting on this file sees it gone and
  // starts again on a new one.
  // No signal in between: the handler would remove the lock file of a run
  // that has taken the folder since.
  const posix::ending_held held;
  ::unlink(file_.c_str());
  posix::unregister_cleanup(file_.c_str());
  ::close(static_cast<int>(handle_));
}

}  // namespace scen
