// Runs a program the way a user would: argv in a working folder with a given
// environment, standard input empty, standard output and standard error
// captured whole, and its exit status.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace scen::test_util {

struct esito_processo {
  int stato = -1;        // exit status; 128 + the signal number when a signal ended it
  bool segnale = false;  // ended by a signal
  std::string uscita;    // standard output
  std::string errori;    // standard error
};

// The current environment without the variables named in `togli`.
inline std::vector<std::string> ambiente_senza(const std::vector<std::string>& togli) {
  std::vector<std::string> out;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string voce(*e);
    const std::string nome = voce.substr(0, voce.find('='));
    bool via = false;
    for (const auto& t : togli) via = via || nome == t;
    if (!via) out.push_back(voce);
  }
  return out;
}

// Runs argv[0] (a path) with `argv`; `cartella` empty keeps the current
// folder, no `ambiente` keeps the current environment.
inline esito_processo esegui_processo(const std::vector<std::string>& argv,
                                      const std::filesystem::path& cartella = {},
                                      const std::optional<std::vector<std::string>>& ambiente = std::nullopt) {
  if (argv.empty()) throw std::invalid_argument("no program to run");
  int fuori[2], errori[2];
  if (::pipe2(fuori, O_CLOEXEC) != 0 || ::pipe2(errori, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");

  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> env;
  if (ambiente) {
    for (const auto& e : *ambiente) env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);
  }

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // Child: only async-signal-safe calls from here on.
    const int nulla = ::open("/dev/null", O_RDONLY);
    if (nulla >= 0) ::dup2(nulla, 0);
    ::dup2(fuori[1], 1);
    ::dup2(errori[1], 2);
    if (!cartella.empty() && ::chdir(cartella.c_str()) != 0) ::_exit(126);
    ::execve(args[0], args.data(), ambiente ? env.data() : environ);
    ::_exit(127);
  }
  ::close(fuori[1]);
  ::close(errori[1]);

  esito_processo esito;
  pollfd fd[2] = {{fuori[0], POLLIN, 0}, {errori[0], POLLIN, 0}};
  std::string* dest[2] = {&esito.uscita, &esito.errori};
  int aperti = 2;
  char blocco[1 << 16];
  while (aperti > 0) {
    if (::poll(fd, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fd[i].fd < 0 || fd[i].revents == 0) continue;
      const ssize_t n = ::read(fd[i].fd, blocco, sizeof blocco);
      if (n > 0) {
        dest[i]->append(blocco, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(fd[i].fd);
        fd[i].fd = -1;
        --aperti;
      }
    }
  }
  int stato = 0;
  while (::waitpid(pid, &stato, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(stato)) {
    esito.stato = WEXITSTATUS(stato);
  } else if (WIFSIGNALED(stato)) {
    esito.segnale = true;
    esito.stato = 128 + WTERMSIG(stato);
  }
  return esito;
}

}  // namespace scen::test_util
