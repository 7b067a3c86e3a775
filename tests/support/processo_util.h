// Running a built program from a test: its arguments, its exit status, what
// it printed, and the most memory it held.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/files.h"

extern char** environ;

namespace scen::test_util {

struct esito_misurato {
  int stato = -1;        // exit status; -1 when the program did not exit normally
  int segnale = 0;       // the signal that ended it, if one did
  long rss_massimo_kb = 0;
  std::string uscita;
  std::string errori;
};

// Runs `argomenti` (the program first) without a display, standard output
// and standard error captured in files of `cattura`.
inline esito_misurato esegui_misurando(const std::vector<std::string>& argomenti, const std::filesystem::path& cattura) {
  std::vector<std::string> ambiente;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view v(*e);
    if (v.starts_with("DISPLAY=") || v.starts_with("WAYLAND_DISPLAY=")) continue;
    ambiente.emplace_back(v);
  }
  auto puntatori = [](std::vector<std::string>& testi) {
    std::vector<char*> out;
    for (std::string& t : testi) out.push_back(t.data());
    out.push_back(nullptr);
    return out;
  };
  std::vector<std::string> arg = argomenti;
  std::vector<char*> argv = puntatori(arg);
  std::vector<char*> envp = puntatori(ambiente);

  const std::string out = (cattura / "processo.stdout").string();
  const std::string err = (cattura / "processo.stderr").string();
  posix_spawn_file_actions_t azioni;
  posix_spawn_file_actions_init(&azioni);
  posix_spawn_file_actions_addopen(&azioni, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&azioni, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&azioni, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  esito_misurato r;
  pid_t pid = 0;
  const int avvio = posix_spawnp(&pid, arg[0].c_str(), &azioni, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&azioni);
  if (avvio != 0) return r;
  int stato = 0;
  struct rusage uso {};
  if (::wait4(pid, &stato, 0, &uso) != pid) return r;
  if (WIFEXITED(stato)) r.stato = WEXITSTATUS(stato);
  if (WIFSIGNALED(stato)) r.segnale = WTERMSIG(stato);
  r.rss_massimo_kb = uso.ru_maxrss;
  r.uscita = leggi_file(out);
  r.errori = leggi_file(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return r;
}

}  // namespace scen::test_util
