#include "platform/folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <system_error>
#include <utility>

#include "cleanup.h"
#include "platform/temporary_name.h"

namespace scen {
namespace {

std::string motivo_errno(int e) { return std::system_category().message(e); }

// Closes a descriptor on every way out.
class descrittore {
 public:
  explicit descrittore(int fd) : fd_(fd) {}
  ~descrittore() {
    if (fd_ >= 0) ::close(fd_);
  }
  descrittore(const descrittore&) = delete;
  descrittore& operator=(const descrittore&) = delete;
  int get() const { return fd_; }
  int rilascia() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// 64 bits from the system's random source, as 16 hex digits.
std::string suffisso_casuale() {
  unsigned char byte[temporary_suffix_digits / 2];
  std::size_t letti = 0;
  while (letti < sizeof byte) {
    const ssize_t n = ::getrandom(byte + letti, sizeof byte - letti, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw platform_error("getrandom", motivo_errno(errno));
    }
    letti += static_cast<std::size_t>(n);
  }
  static constexpr char cifre[] = "0123456789abcdef";
  std::string s;
  for (const unsigned char b : byte) {
    s.push_back(cifre[b >> 4]);
    s.push_back(cifre[b & 0xF]);
  }
  return s;
}

// What stands at a name, in words.
std::string cosa_ce(const std::filesystem::path& p) {
  struct stat st {};
  if (::lstat(p.c_str(), &st) != 0) return "something";
  if (S_ISDIR(st.st_mode)) return "a folder";
  if (S_ISLNK(st.st_mode)) return "a symbolic link";
  if (S_ISFIFO(st.st_mode)) return "a pipe";
  if (S_ISREG(st.st_mode)) return "a file";
  return "a special file";
}

// Writes one piece of a file; `prima` bytes of the file are already written
// (the test seam counts from the start of the file).
// The most one write call is handed. Writing 10 MB in one call cost this
// system's file cache up to ten times what the same bytes cost in pieces of
// 1 MiB (measured on ext4: 50 ms against 4.5 ms for 20 MB, now and then);
// the line data file of the longest route is two such runs.
constexpr std::size_t pezzo_massimo = std::size_t{1} << 20;

void scrivi_tutto(int fd, std::string_view byte, const std::filesystem::path& file,
                  std::optional<std::size_t> guasto_dopo, std::size_t prima) {
  std::size_t scritti = 0;
  while (scritti < byte.size()) {
    std::size_t quanti = std::min(byte.size() - scritti, pezzo_massimo);
    if (guasto_dopo && prima + scritti + quanti > *guasto_dopo) {
      quanti = *guasto_dopo - (prima + scritti);
      if (quanti == 0) throw platform_error(file, motivo_errno(ENOSPC));
    }
    const ssize_t n = ::write(fd, byte.data() + scritti, quanti);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw platform_error(file, motivo_errno(errno));
    }
    scritti += static_cast<std::size_t>(n);
  }
}

// How many bytes of a file bound for the disk gather in the system's cache
// before their write-out is started.
constexpr std::size_t byte_per_avvio = std::size_t{1} << 20;

// The pieces of one file, written to its temporary descriptor as they come.
// For a file bound for the disk, the write-out of every MiB is started at
// once (Linux): the disk then works while the rest is computed and written,
// and the flush at the end waits for the last MiB rather than for all of
// them (20 MB took 10 ms to flush after the last write, 4.7 ms so).
class flusso_su_file final : public byte_sink {
 public:
  flusso_su_file(int fd, const std::filesystem::path& file, std::optional<std::size_t> guasto_dopo, reach fino)
      : fd_(fd), file_(file), guasto_dopo_(guasto_dopo), fino_(fino) {}
  void write(std::string_view byte) override {
    scrivi_tutto(fd_, byte, file_, guasto_dopo_, scritti_);
    scritti_ += byte.size();
    if (fino_ == reach::disk && scritti_ - avviati_ >= byte_per_avvio) avvia_scrittura();
  }

 private:
  // Only a start: what the disk says comes with the flush at the end.
  void avvia_scrittura() {
#ifdef __linux__
    ::sync_file_range(fd_, static_cast<off_t>(avviati_), static_cast<off_t>(scritti_ - avviati_),
                      SYNC_FILE_RANGE_WRITE);
#endif
    avviati_ = scritti_;
  }

  int fd_;
  const std::filesystem::path& file_;
  std::optional<std::size_t> guasto_dopo_;
  reach fino_;
  std::size_t scritti_ = 0;
  std::size_t avviati_ = 0;
};

}  // namespace

folder::folder(std::filesystem::path base) : base_(std::move(base)) {}

std::filesystem::path folder::path_of(std::string_view nome) const { return base_ / std::string(nome); }

struct temporary_file::state {
  state(std::string nome_, std::filesystem::path finale_, std::filesystem::path temporaneo_, int fd_,
        std::optional<std::size_t> guasto_dopo, reach fino_)
      : nome(std::move(nome_)),
        finale(std::move(finale_)),
        temporaneo(std::move(temporaneo_)),
        fd(fd_),
        fino(fino_),
        flusso(fd_, finale, guasto_dopo, fino_) {}
  // Unfinished: the temporary goes.
  ~state() {
    if (fd.get() < 0) return;
    ::close(fd.rilascia());
    ::unlink(temporaneo.c_str());
    posix::unregister_cleanup(temporaneo.c_str());
  }
  state(const state&) = delete;
  state& operator=(const state&) = delete;

  std::string nome;
  std::filesystem::path finale;
  std::filesystem::path temporaneo;
  descrittore fd;
  reach fino;
  flusso_su_file flusso;
};

temporary_file::temporary_file(std::unique_ptr<state> s) : s_(std::move(s)) {}
temporary_file::temporary_file(temporary_file&&) noexcept = default;
temporary_file& temporary_file::operator=(temporary_file&&) noexcept = default;
temporary_file::~temporary_file() = default;

byte_sink& temporary_file::sink() { return s_->flusso; }

staged_file temporary_file::finish() {
  state& s = *s_;
  if (s.fino == reach::disk && ::fsync(s.fd.get()) != 0) throw platform_error(s.finale, motivo_errno(errno));
  // The descriptor is gone whatever close says: on failure only the temporary is left to remove.
  if (::close(s.fd.rilascia()) != 0) {
    const int e = errno;
    ::unlink(s.temporaneo.c_str());
    posix::unregister_cleanup(s.temporaneo.c_str());
    throw platform_error(s.finale, motivo_errno(e));
  }
  staged_file fatto{std::move(s.nome), std::move(s.temporaneo)};
  s_.reset();
  return fatto;
}

temporary_file folder::create_temporary(std::string_view nome, reach fino) {
  const auto finale = path_of(nome);
  // Only a regular file (or nothing) is ever replaced: renaming over a
  // device, a folder or a link would destroy what stands there.
  struct stat st {};
  if (::lstat(finale.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    throw platform_error(finale, "exists and is not a regular file");
  }
  std::filesystem::path temporaneo;
  int aperto = -1;
  for (int tentativo = 0; tentativo < temporary_name_attempts && aperto < 0; ++tentativo) {
    temporaneo = path_of(temporary_name_of(nome, fonte_nomi_ ? fonte_nomi_() : suffisso_casuale()));
    // A signal between the creation and the registration would leave the
    // temporary behind.
    posix::signals_held attesa;
    // Exclusive creation never opens what is there already: a link (not
    // even a dangling one), a pipe, a folder or another file.
    aperto = ::open(temporaneo.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (aperto >= 0) {
      posix::register_cleanup(temporaneo.c_str());
      break;
    }
    if (errno == EEXIST || errno == EINTR) continue;
    throw platform_error(finale, motivo_errno(errno));
  }
  if (aperto < 0) {
    throw platform_error(
        temporaneo, "the temporary name is taken by " + cosa_ce(temporaneo) + ", and so was every other name tried");
  }
  const bool guasto = guasto_solo_.empty() || guasto_solo_ == nome;
  try {
    return temporary_file(std::make_unique<temporary_file::state>(std::string(nome), finale, temporaneo, aperto,
                                                                  guasto ? guasto_dopo_ : std::nullopt, fino));
  } catch (...) {
    ::close(aperto);
    ::unlink(temporaneo.c_str());
    posix::unregister_cleanup(temporaneo.c_str());
    throw;
  }
}

void folder::replace(std::span<const staged_file> files, reach fino) {
  if (files.empty()) return;
  posix::signals_held attesa;
  for (const staged_file& f : files) {
    const auto finale = path_of(f.nome);
    if (::rename(f.temporary.c_str(), finale.c_str()) != 0) throw platform_error(finale, motivo_errno(errno));
    posix::unregister_cleanup(f.temporary.c_str());
  }
  if (fino == reach::cache) return;
  // The renames reach the disk with the folder's own entries.
  descrittore dir(::open(base_.empty() ? "." : base_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) throw platform_error(base_, motivo_errno(errno));
  // Some file systems cannot sync a folder and say so with EINVAL: nothing to wait for there.
  if (::fsync(dir.get()) != 0 && errno != EINVAL) throw platform_error(base_, motivo_errno(errno));
}

void folder::discard(const staged_file& file) noexcept {
  ::unlink(file.temporary.c_str());
  posix::unregister_cleanup(file.temporary.c_str());
}

std::vector<std::string> folder::remove_stale_temporaries(std::span<const std::string> nomi, std::chrono::seconds eta) {
  std::vector<std::string> tolti;
  DIR* d = ::opendir(base_.empty() ? "." : base_.c_str());
  if (d == nullptr) return tolti;
  const std::time_t limite = std::time(nullptr) - static_cast<std::time_t>(eta.count());
  while (const dirent* voce = ::readdir(d)) {
    const std::string_view n(voce->d_name);
    bool nostro = false;
    for (const std::string& nome : nomi) {
      const std::string prefisso = temporary_name_of(nome, "");
      if (n.starts_with(prefisso) && is_our_temporary_suffix(n.substr(prefisso.size()))) nostro = true;
    }
    if (!nostro) continue;
    struct stat st {};
    if (::fstatat(::dirfd(d), voce->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_mtime > limite) continue;
    if (::unlinkat(::dirfd(d), voce->d_name, 0) == 0) tolti.emplace_back(n);
  }
  ::closedir(d);
  return tolti;
}

bool folder::exists(std::string_view nome) const {
  const auto file = path_of(nome);
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0) return S_ISREG(st.st_mode);
  if (errno == ENOENT || errno == ENOTDIR) return false;
  throw platform_error(file, motivo_errno(errno));
}

std::optional<std::string> folder::read(std::string_view nome, std::size_t limite) const {
  const auto file = path_of(nome);
  // Non-blocking: a pipe planted under the name must not hold the run.
  descrittore fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    throw platform_error(file, motivo_errno(errno));
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw platform_error(file, motivo_errno(errno));
  if (!S_ISREG(st.st_mode)) return std::nullopt;
  const bool guasta = !lettura_guasta_.empty() && lettura_guasta_ == nome;
  std::string byte;
  // Sized once: a string grown by doubling holds up to three times the file.
  byte.reserve(std::min(static_cast<std::size_t>(st.st_size), limite));
  char blocco[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd.get(), blocco, sizeof blocco);
    if (guasta) {
      n = -1;
      errno = EIO;
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      throw platform_error(file, motivo_errno(errno));
    }
    if (n == 0) break;
    if (byte.size() + static_cast<std::size_t>(n) > limite) {
      throw platform_error(file, "file is larger than " + std::to_string(limite) + " bytes");
    }
    byte.append(blocco, static_cast<std::size_t>(n));
  }
  return byte;
}

void folder::remove(std::string_view nome) {
  const auto file = path_of(nome);
  if (!exists(nome)) return;
  if (::unlink(file.c_str()) != 0 && errno != ENOENT) throw platform_error(file, motivo_errno(errno));
}

std::filesystem::path program_folder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) throw platform_error("/proc/self/exe", ec.message());
  return exe.parent_path();
}

}  // namespace scen
