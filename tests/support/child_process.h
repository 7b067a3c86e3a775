// Runs a program the way a user would: argv in a working folder with a given
// environment, standard input empty, standard output and standard error
// captured whole, and how it ended: its exit status or the signal that
// ended it, and the most memory it held. POSIX only; the Windows tests start
// their children through support/process_win32.h.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
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

struct process_result {
  int status = -1;      // exit status; 128 + the signal's number when a signal ended it
  int signal = 0;       // the signal that ended it, 0 when it exited
  long max_rss_kb = 0;  // the most resident memory it held, in KiB
  std::string out;      // standard output
  std::string err;      // standard error
};

// The current environment without the variables named in `names`.
inline std::vector<std::string> environment_without(const std::vector<std::string>& names) {
  std::vector<std::string> out;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('='));
    bool drop = false;
    for (const auto& n : names) drop = drop || name == n;
    if (!drop) out.push_back(entry);
  }
  return out;
}

// Without a display the programs write their texts to standard error
// instead of showing a window.
inline std::vector<std::string> environment_without_display() {
  return environment_without({"DISPLAY", "WAYLAND_DISPLAY"});
}

// Runs argv[0] (a path) with `argv`; `folder` empty keeps the current
// folder, no `environment` keeps the current one. Throws when the program
// cannot be started at all.
inline process_result run_process(const std::vector<std::string>& argv, const std::filesystem::path& folder = {},
                                  const std::optional<std::vector<std::string>>& environment = std::nullopt) {
  if (argv.empty()) throw std::invalid_argument("no program to run");
  int out_pipe[2], err_pipe[2];
  if (::pipe2(out_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (::pipe2(err_pipe, O_CLOEXEC) != 0) {
    ::close(out_pipe[0]);
    ::close(out_pipe[1]);
    throw std::runtime_error("pipe failed");
  }

  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> env;
  if (environment) {
    for (const auto& e : *environment) env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);
  }

  // The pipes' write ends become the child's standard output and error (dup2
  // clears their close-on-exec); every other descriptor of ours closes at exec.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
  const std::string dir = folder.string();
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  pid_t pid = 0;
  const int started = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environment ? env.data() : environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  if (started != 0) {
    ::close(out_pipe[0]);
    ::close(err_pipe[0]);
    throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(started));
  }

  // Both pipes drained together: a child that fills one while the test waits
  // on the other would never end.
  process_result result;
  pollfd fd[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* into[2] = {&result.out, &result.err};
  int open = 2;
  char block[1 << 16];
  while (open > 0) {
    if (::poll(fd, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fd[i].fd < 0 || fd[i].revents == 0) continue;
      const ssize_t n = ::read(fd[i].fd, block, sizeof block);
      if (n > 0) {
        into[i]->append(block, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(fd[i].fd);
        fd[i].fd = -1;
        --open;
      }
    }
  }
  for (const pollfd& f : fd) {
    if (f.fd >= 0) ::close(f.fd);
  }
  int status = 0;
  struct rusage usage {};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) {
    result.status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
    result.status = 128 + result.signal;
  }
  result.max_rss_kb = usage.ru_maxrss;
  return result;
}

}  // namespace scen::test_util
