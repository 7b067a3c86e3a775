#include "platform/folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#ifdef __linux__
#include <linux/fs.h>
#endif
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <system_error>
#include <utility>

#include "platform/folder_system.h"
#include "platform/posix/cleanup.h"
#include "platform/posix/system_text.h"
#include "platform/temporary_name.h"

namespace scen {
namespace {

// Closes a descriptor on every way out.
class descriptor {
 public:
  explicit descriptor(int fd) : fd_(fd) {}
  ~descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  descriptor(const descriptor&) = delete;
  descriptor& operator=(const descriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// What stands at a name, in words.
std::string what_is_at(const std::filesystem::path& p) {
  struct stat st {};
  if (::lstat(p.c_str(), &st) != 0) return "something";
  if (S_ISDIR(st.st_mode)) return "a folder";
  if (S_ISLNK(st.st_mode)) return "a symbolic link";
  if (S_ISFIFO(st.st_mode)) return "a pipe";
  if (S_ISREG(st.st_mode)) return "a file";
  return "a special file";
}

// Writes one piece of a file; `before` bytes of the file are already written
// (the test seam counts from the start of the file).
// The most one write call is handed. Writing 10 MB in one call cost this
// system's file cache up to ten times what the same bytes cost in pieces of
// 1 MiB (measured on ext4: 50 ms against 4.5 ms for 20 MB, now and then);
// the line data file of the longest route is two such runs.
constexpr std::size_t largest_write = std::size_t{1} << 20;

void write_all(int fd, std::string_view byte, const std::filesystem::path& file, std::optional<std::size_t> fail_after,
               std::size_t before) {
  std::size_t written = 0;
  while (written < byte.size()) {
    std::size_t amount = std::min(byte.size() - written, largest_write);
    if (fail_after && before + written + amount > *fail_after) {
      amount = *fail_after - (before + written);
      if (amount == 0) throw platform_error(file, posix::reason(ENOSPC));
    }
    const ssize_t n = ::write(fd, byte.data() + written, amount);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw platform_error(file, posix::reason(errno));
    }
    written += static_cast<std::size_t>(n);
  }
}

// How many bytes of a file bound for the disk gather in the system's cache
// before their write-out is started.
constexpr std::size_t write_out_every = std::size_t{1} << 20;

// The pieces of one file, written to its temporary descriptor as they come.
// For a file bound for the disk, the write-out of every MiB is started at
// once (Linux): the disk then works while the rest is computed and written,
// and the flush at the end waits for the last MiB rather than for all of
// them (20 MB took 10 ms to flush after the last write, 4.7 ms so).
class file_sink final : public byte_sink {
 public:
  file_sink(int fd, const std::filesystem::path& file, std::optional<std::size_t> fail_after, reach how_far)
      : fd_(fd), file_(file), fail_after_(fail_after), how_far_(how_far) {}
  void write(std::string_view byte) override {
    write_all(fd_, byte, file_, fail_after_, written_);
    written_ += byte.size();
    if (how_far_ == reach::disk && written_ - started_ >= write_out_every) start_write_out();
  }

 private:
  // Only a start: what the disk says comes with the flush at the end.
  void start_write_out() {
#ifdef __linux__
    ::sync_file_range(fd_, static_cast<off_t>(started_), static_cast<off_t>(written_ - started_),
                      SYNC_FILE_RANGE_WRITE);
#endif
    started_ = written_;
  }

  int fd_;
  const std::filesystem::path& file_;
  std::optional<std::size_t> fail_after_;
  reach how_far_;
  std::size_t written_ = 0;
  std::size_t started_ = 0;
};

}  // namespace

folder::folder(std::filesystem::path base) : base_(std::move(base)) {}

std::filesystem::path folder::path_of(std::string_view name) const { return base_ / std::string(name); }

struct temporary_file::state {
  state(std::string name_, std::filesystem::path final_path_, std::filesystem::path temporary_, int fd_,
        std::optional<std::size_t> fail_after, reach how_far_)
      : name(std::move(name_)),
        final_path(std::move(final_path_)),
        temporary(std::move(temporary_)),
        fd(fd_),
        how_far(how_far_),
        sink(fd_, final_path, fail_after, how_far_) {}
  // Unfinished: the temporary goes.
  ~state() {
    if (fd.get() < 0) return;
    ::close(fd.release());
    ::unlink(temporary.c_str());
    posix::unregister_cleanup(temporary.c_str());
  }
  state(const state&) = delete;
  state& operator=(const state&) = delete;

  std::string name;
  std::filesystem::path final_path;
  std::filesystem::path temporary;
  descriptor fd;
  reach how_far;
  file_sink sink;
};

temporary_file::temporary_file(std::unique_ptr<state> s) : s_(std::move(s)) {}
temporary_file::temporary_file(temporary_file&&) noexcept = default;
temporary_file& temporary_file::operator=(temporary_file&&) noexcept = default;
temporary_file::~temporary_file() = default;

byte_sink& temporary_file::sink() { return s_->sink; }

staged_file temporary_file::finish() {
  state& s = *s_;
  if (s.how_far == reach::disk && ::fsync(s.fd.get()) != 0) throw platform_error(s.final_path, posix::reason(errno));
  // The descriptor is gone whatever close says: on failure only the temporary is left to remove.
  if (::close(s.fd.release()) != 0) {
    const int e = errno;
    ::unlink(s.temporary.c_str());
    posix::unregister_cleanup(s.temporary.c_str());
    throw platform_error(s.final_path, posix::reason(e));
  }
  staged_file done{std::move(s.name), std::move(s.temporary)};
  s_.reset();
  return done;
}

temporary_file folder::create_temporary(std::string_view name, reach how_far) {
  const auto final_path = path_of(name);
  // Only a regular file (or nothing) is ever replaced: renaming over a
  // device, a folder or a link would destroy what stands there.
  struct stat st {};
  if (::lstat(final_path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    throw platform_error(final_path, "exists and is not a regular file");
  }
  std::filesystem::path temporary;
  int created = -1;
  for (int attempt = 0; attempt < temporary_name_attempts && created < 0; ++attempt) {
    temporary = path_of(temporary_name_of(name, name_source_ ? name_source_() : sys::random_suffix()));
    // A signal between the creation and the registration would leave the
    // temporary behind.
    const posix::ending_held held;
    // Exclusive creation never opens what is there already: a link (not
    // even a dangling one), a pipe, a folder or another file.
    created = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (created >= 0) {
      posix::register_cleanup(temporary.c_str());
      break;
    }
    if (errno == EEXIST || errno == EINTR) continue;
    throw platform_error(final_path, posix::reason(errno));
  }
  if (created < 0) {
    throw platform_error(
        temporary, "the temporary name is taken by " + what_is_at(temporary) + ", and so was every other name tried");
  }
  const bool failing = fail_only_.empty() || fail_only_ == name;
  try {
    return temporary_file(std::make_unique<temporary_file::state>(std::string(name), final_path, temporary, created,
                                                                  failing ? fail_after_ : std::nullopt, how_far));
  } catch (...) {
    ::close(created);
    ::unlink(temporary.c_str());
    posix::unregister_cleanup(temporary.c_str());
    throw;
  }
}

void folder::replace(std::span<const staged_file> files, reach how_far) {
  if (files.empty()) return;
  const posix::ending_held held;
  for (const staged_file& f : files) {
    sys::rename_over(f.temporary, path_of(f.name));
    posix::unregister_cleanup(f.temporary.c_str());
  }
  if (how_far == reach::disk) sys::flush_folder(base_);
}

void folder::discard(const staged_file& file) noexcept {
  ::unlink(file.temporary.c_str());
  posix::unregister_cleanup(file.temporary.c_str());
}

std::vector<std::string> folder::remove_stale_temporaries(std::span<const std::string> names,
                                                          std::chrono::seconds age) {
  std::vector<std::string> removed;
  DIR* d = ::opendir(base_.empty() ? "." : base_.c_str());
  if (d == nullptr) return removed;
  const std::time_t limit = std::time(nullptr) - static_cast<std::time_t>(age.count());
  const std::vector<std::string> spared = names_in_journal();
  const bool spare_all = std::find(spared.begin(), spared.end(), "*") != spared.end();
  while (const dirent* entry = ::readdir(d)) {
    const std::string_view name(entry->d_name);
    if (spare_all || std::find(spared.begin(), spared.end(), name) != spared.end()) continue;
    bool ours = false;
    for (const std::string& owner : names) {
      const std::string prefix = temporary_name_of(owner, "");
      if (name.starts_with(prefix) && is_our_temporary_suffix(name.substr(prefix.size()))) ours = true;
    }
    if (!ours) continue;
    struct stat st {};
    if (::fstatat(::dirfd(d), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_mtime > limit) continue;
    if (::unlinkat(::dirfd(d), entry->d_name, 0) == 0) removed.emplace_back(name);
  }
  ::closedir(d);
  return removed;
}

bool folder::exists(std::string_view name) const {
  const auto file = path_of(name);
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0) return S_ISREG(st.st_mode);
  if (errno == ENOENT || errno == ENOTDIR) return false;
  throw platform_error(file, posix::reason(errno));
}

std::optional<std::string> folder::read(std::string_view name, std::size_t limit) const {
  const auto file = path_of(name);
  // Non-blocking: a pipe planted under the name must not hold the run.
  descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    throw platform_error(file, posix::reason(errno));
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw platform_error(file, posix::reason(errno));
  if (!S_ISREG(st.st_mode)) return std::nullopt;
  const bool failing = !failing_reads_.empty() && failing_reads_ == name;
  std::string byte;
  // Sized once: a string grown by doubling holds up to three times the file.
  byte.reserve(std::min(static_cast<std::size_t>(st.st_size), limit));
  char block[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd.get(), block, sizeof block);
    if (failing) {
      n = -1;
      errno = EIO;
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      throw platform_error(file, posix::reason(errno));
    }
    if (n == 0) break;
    if (byte.size() + static_cast<std::size_t>(n) > limit) {
      throw platform_error(file, "file is larger than " + std::to_string(limit) + " bytes");
    }
    byte.append(block, static_cast<std::size_t>(n));
  }
  return byte;
}

void folder::remove(std::string_view name) {
  const auto file = path_of(name);
  if (!exists(name)) return;
  if (::unlink(file.c_str()) != 0 && errno != ENOENT) throw platform_error(file, posix::reason(errno));
}

std::filesystem::path program_folder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) throw platform_error("/proc/self/exe", ec.message());
  return exe.parent_path();
}

namespace sys {

// 64 bits from the system's random source, as 16 hex digits.
std::string random_suffix() {
  unsigned char bits[temporary_suffix_digits / 2];
  std::size_t got = 0;
  while (got < sizeof bits) {
    const ssize_t n = ::getrandom(bits + got, sizeof bits - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw platform_error("getrandom", posix::reason(errno));
    }
    got += static_cast<std::size_t>(n);
  }
  static constexpr char hex[] = "0123456789abcdef";
  std::string s;
  for (const unsigned char b : bits) {
    s.push_back(hex[b >> 4]);
    s.push_back(hex[b & 0xF]);
  }
  return s;
}

void pause_for(int ms) {
  struct timespec t {
    ms / 1000, static_cast<long>(ms % 1000) * 1000000L
  };
  while (::nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

void rename_over(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) throw platform_error(to, posix::reason(errno));
}

bool hard_link(const std::filesystem::path& existing, const std::filesystem::path& link) {
  if (::link(existing.c_str(), link.c_str()) == 0) return true;
  const int e = errno;
  // EPERM is also what a file system without links (FAT) answers.
  if (e == EPERM || e == ENOTSUP || e == EOPNOTSUPP || e == EMLINK || e == EXDEV) return false;
  throw platform_error(existing, posix::reason(e));
}

void flush_folder(const std::filesystem::path& dir) {
  descriptor d(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (d.get() < 0) throw platform_error(dir, posix::reason(errno));
  // Some file systems cannot sync a folder and say so with EINVAL: nothing to wait for there.
  if (::fsync(d.get()) != 0 && errno != EINVAL) throw platform_error(dir, posix::reason(errno));
}

std::optional<std::string> why_not_replaceable(const std::filesystem::path& file) {
  struct stat st {};
  if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
#ifdef __linux__
  // A file marked immutable or append-only cannot be renamed over, nor linked.
  descriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
  int flags = 0;
  if (fd.get() >= 0 && ::ioctl(fd.get(), FS_IOC_GETFLAGS, &flags) == 0) {
    if ((flags & FS_IMMUTABLE_FL) != 0) return "is marked immutable (chattr +i)";
    if ((flags & FS_APPEND_FL) != 0) return "is marked append-only (chattr +a)";
  }
#endif
  // In a folder with the sticky bit only a file's owner (or the folder's)
  // may replace it.
  const std::filesystem::path dir = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  struct stat ds {};
  const uid_t me = ::geteuid();
  if (::stat(dir.c_str(), &ds) == 0 && (ds.st_mode & S_ISVTX) != 0 && me != 0 && st.st_uid != me && ds.st_uid != me) {
    return "belongs to another user, and the folder lets only a file's owner replace it";
  }
  return std::nullopt;
}

bool regular_file_at(const std::filesystem::path& file) {
  struct stat st {};
  return ::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool remove_file(const std::filesystem::path& file) noexcept { return ::unlink(file.c_str()) == 0 || errno == ENOENT; }

struct endings_held::state {
  posix::ending_held held;
};
endings_held::endings_held() : s_(std::make_unique<state>()) {}
endings_held::~endings_held() = default;

void remove_at_ending(const std::filesystem::path& file) { posix::register_cleanup(file.c_str()); }
void keep_at_ending(const std::filesystem::path& file) { posix::unregister_cleanup(file.c_str()); }

}  // namespace sys
}  // namespace scen
