#include "platform/folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

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

std::filesystem::path nome_temporaneo(const std::filesystem::path& finale) {
  static std::atomic<unsigned> contatore{0};
  // Built by appending: GCC 12 warns falsely (-Wrestrict) on "." + string in release builds.
  std::string nome = ".";
  nome += finale.filename().string();
  nome += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(contatore++);
  return finale.parent_path() / nome;
}

// Writes one piece of a file; `prima` bytes of the file are already written
// (the test seam counts from the start of the file).
void scrivi_tutto(int fd, std::string_view byte, const std::filesystem::path& file,
                  std::optional<std::size_t> guasto_dopo, std::size_t prima) {
  std::size_t scritti = 0;
  while (scritti < byte.size()) {
    std::size_t quanti = byte.size() - scritti;
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

// The pieces of one file, written to its temporary descriptor as they come.
class flusso_su_file final : public byte_sink {
 public:
  flusso_su_file(int fd, const std::filesystem::path& file, std::optional<std::size_t> guasto_dopo)
      : fd_(fd), file_(file), guasto_dopo_(guasto_dopo) {}
  void write(std::string_view byte) override {
    scrivi_tutto(fd_, byte, file_, guasto_dopo_, scritti_);
    scritti_ += byte.size();
  }

 private:
  int fd_;
  const std::filesystem::path& file_;
  std::optional<std::size_t> guasto_dopo_;
  std::size_t scritti_ = 0;
};

}  // namespace

folder::folder(std::filesystem::path base) : base_(std::move(base)) {}

std::filesystem::path folder::path_of(std::string_view nome) const { return base_ / std::string(nome); }

void folder::write(std::string_view nome, std::string_view byte) {
  write_in_pieces(nome, [byte](byte_sink& f) { f.write(byte); });
}

void folder::write_in_pieces(std::string_view nome, const std::function<void(byte_sink&)>& produci) {
  const auto finale = path_of(nome);
  // Only a regular file (or nothing) is ever replaced: renaming over a
  // device, a folder or a link would destroy what stands there.
  struct stat st {};
  if (::lstat(finale.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    throw platform_error(finale, "exists and is not a regular file");
  }
  const auto temporaneo = nome_temporaneo(finale);
  descrittore fd(::open(temporaneo.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (fd.get() < 0) throw platform_error(finale, motivo_errno(errno));
  try {
    flusso_su_file flusso(fd.get(), finale, guasto_dopo_);
    produci(flusso);
    if (::close(fd.rilascia()) != 0) throw platform_error(finale, motivo_errno(errno));
    if (::rename(temporaneo.c_str(), finale.c_str()) != 0) throw platform_error(finale, motivo_errno(errno));
  } catch (...) {
    ::unlink(temporaneo.c_str());
    throw;
  }
}

bool folder::exists(std::string_view nome) const {
  struct stat st {};
  return ::stat(path_of(nome).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> folder::read(std::string_view nome, std::size_t limite) const {
  const auto file = path_of(nome);
  if (!exists(nome)) return std::nullopt;
  descrittore fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw platform_error(file, motivo_errno(errno));
  std::string byte;
  char blocco[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd.get(), blocco, sizeof blocco);
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
  if (::unlink(file.c_str()) != 0) throw platform_error(file, motivo_errno(errno));
}

std::filesystem::path program_folder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) throw platform_error("/proc/self/exe", ec.message());
  return exe.parent_path();
}

}  // namespace scen
