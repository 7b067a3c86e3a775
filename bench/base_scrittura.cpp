// The baseline process of bench/compare.sh: it writes, into the folder that
// holds it, the same files with the same bytes as one run of `scenario`, and
// does nothing else. The bytes are part of the executable (assembled in with
// .incbin from the files of a captured run), so the process reads nothing
// before it writes. Each file is written as plainly as the platform allows:
// open (create, truncate), write, close.
//
// Built by compare.sh with -I pointing at a folder that holds base_file.inc,
// one line per file in the order the run writes them:
//   FILE_BASE(index, "file name", "absolute path of the captured file")
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#define FILE_BASE(n, nome, percorso)                 \
  __asm__(".section .rodata\n"                       \
          ".balign 64\n"                             \
          "base_inizio_" #n ":\n"                    \
          ".incbin \"" percorso "\"\n"               \
          "base_fine_" #n ":\n"                      \
          ".previous\n");                            \
  extern "C" const char base_inizio_##n[] __asm__("base_inizio_" #n); \
  extern "C" const char base_fine_##n[] __asm__("base_fine_" #n);
#include "base_file.inc"
#undef FILE_BASE

namespace {

struct file_base {
  const char* nome;
  const char* inizio;
  const char* fine;
};

#define FILE_BASE(n, nome, percorso) {nome, base_inizio_##n, base_fine_##n},
constexpr file_base file[] = {
#include "base_file.inc"
};
#undef FILE_BASE

std::string cartella_programma() {
  char percorso[4096];
  const ssize_t n = ::readlink("/proc/self/exe", percorso, sizeof percorso - 1);
  if (n <= 0) return ".";
  const std::string p(percorso, static_cast<std::size_t>(n));
  return p.substr(0, p.rfind('/'));
}

bool scrivi(const std::string& percorso, const char* byte, std::size_t quanti) {
  const int fd = ::open(percorso.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t scritti = 0;
  while (scritti < quanti) {
    const ssize_t n = ::write(fd, byte + scritti, quanti - scritti);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return false;
    }
    scritti += static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0;
}

}  // namespace

int main() {
  const std::string cartella = cartella_programma();
  for (const file_base& f : file) {
    const std::string percorso = cartella + "/" + f.nome;
    if (!scrivi(percorso, f.inizio, static_cast<std::size_t>(f.fine - f.inizio))) {
      std::fprintf(stderr, "base_scrittura: %s: %s\n", percorso.c_str(), std::strerror(errno));
      return 3;
    }
  }
  return 0;
}
