// scenario_min_writer [--fsync] FOLDER NAME BYTES [NAME BYTES]...
//
// The yardstick of bench/compare.sh: the least a process can do to leave
// files of the given names and sizes in FOLDER, written the way the folder
// layer writes (only a regular file or nothing is replaced; a temporary name
// in the same folder, the bytes in pieces of at most 1 MiB, close, rename
// over the final name; with --fsync, each file flushed to disk before its
// rename and the folder after the last, for a folder layer that does so).
// The pieces all come from one buffer, reused, filled once with bytes that
// are not zero (as much of it as the largest file needs): what the bytes are
// does not change what writing them costs, but a buffer never written to is
// the kernel's one shared page of zeros, and copying from it costs less than
// any real data would. Nothing is computed and nothing is read. Linked as the programs are (C++ runtime inside), so
// that it starts the way they start.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t pezzo = std::size_t{1} << 20;
char buffer[pezzo];
bool su_disco = false;

bool scrivi(const char* cartella, const char* nome, std::size_t byte) {
  char finale[4096];
  char temporaneo[4096];
  std::snprintf(finale, sizeof finale, "%s/%s", cartella, nome);
  std::snprintf(temporaneo, sizeof temporaneo, "%s/.%s.tmp-%d", cartella, nome, static_cast<int>(::getpid()));
  struct stat st {};
  if (::lstat(finale, &st) == 0 && !S_ISREG(st.st_mode)) return false;
  const int fd = ::open(temporaneo, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  while (byte > 0) {
    const ssize_t n = ::write(fd, buffer, byte < pezzo ? byte : pezzo);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return false;
    }
    byte -= static_cast<std::size_t>(n);
  }
  if (su_disco && ::fsync(fd) != 0) {
    ::close(fd);
    return false;
  }
  return ::close(fd) == 0 && ::rename(temporaneo, finale) == 0;
}

bool scrivi_cartella(const char* cartella) {
  const int fd = ::open(cartella, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool fatto = ::fsync(fd) == 0;
  return ::close(fd) == 0 && fatto;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--fsync") == 0) {
    su_disco = true;
    --argc;
    ++argv;
  }
  if (argc < 2 || argc % 2 != 0) {
    std::fputs("usage: scenario_min_writer [--fsync] FOLDER NAME BYTES [NAME BYTES]...\n", stderr);
    return 2;
  }
  std::size_t pieno = 0;
  for (int i = 2; i < argc; i += 2) pieno = std::max<std::size_t>(pieno, std::strtoull(argv[i + 1], nullptr, 10));
  std::memset(buffer, 0x5A, std::min(pieno, pezzo));
  for (int i = 2; i < argc; i += 2) {
    const std::size_t byte = std::strtoull(argv[i + 1], nullptr, 10);
    if (!scrivi(argv[1], argv[i], byte)) {
      std::fprintf(stderr, "scenario_min_writer: %s/%s: %s\n", argv[1], argv[i], std::strerror(errno));
      return 2;
    }
  }
  if (su_disco && !scrivi_cartella(argv[1])) {
    std::fprintf(stderr, "scenario_min_writer: %s: %s\n", argv[1], std::strerror(errno));
    return 2;
  }
  return 0;
}
