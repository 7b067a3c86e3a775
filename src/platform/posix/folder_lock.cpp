#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

#include "cleanup.h"

namespace scen {
namespace {

std::string motivo_errno(int e) { return std::system_category().message(e); }

// Opens the lock file: created exclusively when there is none, otherwise the
// one a run left (it holds no lock once its process is gone). Never through
// a link, never anything but a regular file.
int apri_file_lock(const std::filesystem::path& file) {
  for (;;) {
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) return fd;
    if (errno == EINTR) continue;
    if (errno != EEXIST) throw platform_error(file, motivo_errno(errno));
    fd = ::open(file.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      if (errno == ENOENT || errno == EINTR) continue;  // its run removed it meanwhile: create it anew
      if (errno == ELOOP) throw platform_error(file, "is a symbolic link, not a lock file");
      throw platform_error(file, motivo_errno(errno));
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
bool ancora_il_file(int fd, const std::filesystem::path& file) {
  struct stat aperto {
  }, nome{};
  if (::fstat(fd, &aperto) != 0 || ::lstat(file.c_str(), &nome) != 0) return false;
  return aperto.st_dev == nome.st_dev && aperto.st_ino == nome.st_ino;
}

}  // namespace

folder_lock::folder_lock(const std::filesystem::path& dir, std::chrono::milliseconds attesa)
    : file_(dir / std::string(file_name)) {
  const auto scadenza = std::chrono::steady_clock::now() + attesa;
  auto pausa = std::chrono::milliseconds(2);
  for (;;) {
    int e = 0;
    {
      // A signal between creating the lock file and registering it would
      // leave the file behind.
      posix::signals_held segnali;
      const int fd = apri_file_lock(file_);
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        if (ancora_il_file(fd, file_)) {
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
    if (e != EWOULDBLOCK && e != EINTR) throw platform_error(file_, motivo_errno(e));
    if (std::chrono::steady_clock::now() >= scadenza) throw folder_busy(dir);
    std::this_thread::sleep_for(pausa);
    pausa = std::min(pausa * 2, std::chrono::milliseconds(50));
  }
}

folder_lock::~folder_lock() {
  if (handle_ < 0) return;
  // Removed while still held: a run waiting on this file sees it gone and
  // starts again on a new one.
  // No signal in between: the handler would remove the lock file of a run
  // that has taken the folder since.
  posix::signals_held attesa;
  ::unlink(file_.c_str());
  posix::unregister_cleanup(file_.c_str());
  ::close(static_cast<int>(handle_));
}

}  // namespace scen
