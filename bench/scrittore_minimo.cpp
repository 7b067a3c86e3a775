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
// any real data would. Nothing is computed and nothing is read. Linked as
// the programs are (C++ runtime inside), so that it starts the way they
// start. On Windows it writes as the Windows folder layer does (see there);
// the Windows build has no benchmarks, so it is built by hand there:
//   x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -static -mwindows
//     bench/scrittore_minimo.cpp -o scenario_min_writer.exe
// (-mwindows: a desktop program, started as scenario.exe is.)
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t pezzo = std::size_t{1} << 20;
char buffer[pezzo];
bool su_disco = false;

#ifdef _WIN32
// As the Windows folder layer writes: the final name checked, a new
// temporary file, the pieces, flushed to disk (always, as that layer does),
// then moved over the final name.
bool scrivi(const char* cartella, const char* nome, std::size_t quanti) {
  char finale[4096];
  char temporaneo[4096];
  std::snprintf(finale, sizeof finale, "%s\\%s", cartella, nome);
  std::snprintf(temporaneo, sizeof temporaneo, "%s\\.%s.tmp-%lu", cartella, nome, ::GetCurrentProcessId());
  const DWORD attr = ::GetFileAttributesA(finale);
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  HANDLE h = ::CreateFileA(temporaneo, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  while (quanti > 0) {
    DWORD n = 0;
    if (!::WriteFile(h, buffer, static_cast<DWORD>(quanti < pezzo ? quanti : pezzo), &n, nullptr)) {
      ::CloseHandle(h);
      return false;
    }
    quanti -= n;
  }
  const bool fatto = ::FlushFileBuffers(h) != 0;
  return ::CloseHandle(h) != 0 && fatto &&
         ::MoveFileExA(temporaneo, finale, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool scrivi_cartella(const char*) { return true; }
#else
bool scrivi(const char* cartella, const char* nome, std::size_t quanti) {
  char finale[4096];
  char temporaneo[4096];
  std::snprintf(finale, sizeof finale, "%s/%s", cartella, nome);
  std::snprintf(temporaneo, sizeof temporaneo, "%s/.%s.tmp-%d", cartella, nome, static_cast<int>(::getpid()));
  struct stat st {};
  if (::lstat(finale, &st) == 0 && !S_ISREG(st.st_mode)) return false;
  const int fd = ::open(temporaneo, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  while (quanti > 0) {
    const ssize_t n = ::write(fd, buffer, quanti < pezzo ? quanti : pezzo);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return false;
    }
    quanti -= static_cast<std::size_t>(n);
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

#endif

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
    const std::size_t quanti = std::strtoull(argv[i + 1], nullptr, 10);
    if (!scrivi(argv[1], argv[i], quanti)) {
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
