// The baseline processes of bench/compare.sh. Both leave, in the folder that
// holds them, the same files with the same bytes as one run of `scenario`.
// The bytes are part of the executable (assembled in with .incbin from the
// files of a captured run and of an export), so the process computes nothing
// and reads nothing before it writes.
//
// - Plain (default): the least a process can do to leave the six files
//   behind. Each is written as plainly as the platform allows: open (create,
//   truncate), write, close. The two sources are not written at all.
// - With BASE_REGOLE: the file work the run's rules ask for and nothing
//   else, in the run's order: the two sources and the three documents, each
//   under a temporary name renamed over its final name after a check that
//   the final name is not something other than a regular file; then the two
//   sources read back and deleted; then the three binary files, written as
//   the documents are. The distance between the two is what the rules cost.
//
// Built by compare.sh with -I pointing at a folder that holds base_file.inc,
// one line per file in the order the run writes them:
//   FILE_BASE(index, "file name", "absolute path of the bytes", kind)
// where kind is 0 for a source, 1 for a document, 2 for a binary file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

// The assembly reads best one directive a line, as written.
// clang-format off
#define FILE_BASE(n, nome, percorso, tipo)           \
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
// clang-format on

namespace {

enum tipo_file { sorgente = 0, documento = 1, binario = 2 };

struct file_base {
  const char* nome;
  const char* inizio;
  const char* fine;
  int tipo;
};

#define FILE_BASE(n, nome, percorso, tipo) {nome, base_inizio_##n, base_fine_##n, tipo},
constexpr file_base file[] = {
#include "base_file.inc"
};
#undef FILE_BASE

std::string program_folder() {
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

#ifdef BASE_REGOLE
bool scrivi_e_sostituisci(const std::string& cartella, const file_base& f) {
  const std::string finale = cartella + "/" + f.nome;
  struct stat st {};
  if (::lstat(finale.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
  const std::string temporaneo = cartella + "/." + f.nome + ".tmp-" + std::to_string(::getpid());
  if (!scrivi(temporaneo, f.inizio, static_cast<std::size_t>(f.fine - f.inizio))) return false;
  return ::rename(temporaneo.c_str(), finale.c_str()) == 0;
}

bool leggi_ed_elimina(const std::string& percorso) {
  const int fd = ::open(percorso.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::string byte;
  char blocco[1 << 16];
  ssize_t n;
  while ((n = ::read(fd, blocco, sizeof blocco)) > 0) byte.append(blocco, static_cast<std::size_t>(n));
  ::close(fd);
  return n == 0 && ::unlink(percorso.c_str()) == 0;
}
#endif

int fallito(const std::string& percorso) {
  std::fprintf(stderr, "base_scrittura: %s: %s\n", percorso.c_str(), std::strerror(errno));
  return 3;
}

}  // namespace

int main() {
  const std::string cartella = program_folder();
#ifdef BASE_REGOLE
  bool sorgenti_lette = false;
  for (const file_base& f : file) {
    if (f.tipo == binario && !sorgenti_lette) {
      for (const file_base& s : file) {
        if (s.tipo == sorgente && !leggi_ed_elimina(cartella + "/" + s.nome)) return fallito(cartella + "/" + s.nome);
      }
      sorgenti_lette = true;
    }
    if (!scrivi_e_sostituisci(cartella, f)) return fallito(cartella + "/" + f.nome);
  }
#else
  for (const file_base& f : file) {
    if (f.tipo == sorgente) continue;
    const std::string percorso = cartella + "/" + f.nome;
    if (!scrivi(percorso, f.inizio, static_cast<std::size_t>(f.fine - f.inizio))) return fallito(percorso);
  }
#endif
  return 0;
}
