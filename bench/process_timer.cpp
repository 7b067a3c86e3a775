#include "process_timer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <fmt/format.h>

extern char** environ;

namespace scen::banco {
namespace {

std::string system_error_text(int error) { return std::strerror(error); }

// A descriptor closed when it goes out of scope.
class descriptor {
 public:
  explicit descriptor(int fd) : fd_(fd) {}
  descriptor(const descriptor&) = delete;
  descriptor& operator=(const descriptor&) = delete;
  ~descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

descriptor open_or_throw(const std::string& path, int flags, const char* role) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) throw start_error(fmt::format("cannot open {} {}: {}", role, path, system_error_text(errno)));
  return descriptor(fd);
}

bool is_executable_file(const std::string& path) {
  struct stat s {};
  return ::stat(path.c_str(), &s) == 0 && S_ISREG(s.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// A bare name is looked up in PATH here, before the clock starts, so that
// the search's failed execs are not timed; a name with a slash is used as
// it is.
std::string resolve_program(const std::string& name) {
  if (name.empty()) throw start_error("no program given");
  if (name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  std::string_view rest = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    const std::size_t colon = rest.find(':');
    // An empty entry is the current folder.
    const std::string_view folder = colon == 0 || rest.empty() ? std::string_view(".") : rest.substr(0, colon);
    const std::string candidate = fmt::format("{}/{}", folder, name);
    if (is_executable_file(candidate)) return candidate;
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  throw start_error(fmt::format("no program named {} in PATH", name));
}

std::int64_t now_ns() {
  timespec t{};
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

std::int64_t microseconds(const timeval& t) { return static_cast<std::int64_t>(t.tv_sec) * 1'000'000 + t.tv_usec; }

class file_actions {
 public:
  file_actions() {
    if (const int e = ::posix_spawn_file_actions_init(&actions_); e != 0)
      throw start_error("posix_spawn_file_actions_init: " + system_error_text(e));
  }
  file_actions(const file_actions&) = delete;
  file_actions& operator=(const file_actions&) = delete;
  ~file_actions() { ::posix_spawn_file_actions_destroy(&actions_); }
  void dup2(int from, int to) { check(::posix_spawn_file_actions_adddup2(&actions_, from, to), "adddup2"); }
  void chdir(const std::string& folder) {
    check(::posix_spawn_file_actions_addchdir_np(&actions_, folder.c_str()), "addchdir_np");
  }
  const posix_spawn_file_actions_t* get() const { return &actions_; }

 private:
  static void check(int e, const char* what) {
    if (e != 0) throw start_error(fmt::format("posix_spawn_file_actions_{}: {}", what, system_error_text(e)));
  }
  posix_spawn_file_actions_t actions_{};
};

}  // namespace

std::string timed_process::describe_end() const {
  if (exited) return fmt::format("exited with status {}", status);
  return fmt::format("was ended by signal {} ({})", status, ::strsignal(status));
}

timed_process time_process(const process_to_time& what) {
  if (what.argv.empty()) throw start_error("no program given");
  const std::string program = resolve_program(what.argv.front());
  if (what.working_directory) {
    struct stat s {};
    if (::stat(what.working_directory->c_str(), &s) != 0 || !S_ISDIR(s.st_mode))
      throw start_error(fmt::format("no folder {} to run {} in", *what.working_directory, program));
  }

  // Every descriptor is opened here, untimed; the child only duplicates them.
  const descriptor input = open_or_throw("/dev/null", O_RDONLY, "standard input");
  const descriptor output =
      open_or_throw(what.stdout_path.value_or("/dev/null"), O_WRONLY | O_CREAT | O_TRUNC, "standard output");
  const descriptor error =
      open_or_throw(what.stderr_path.value_or("/dev/null"), O_WRONLY | O_CREAT | O_TRUNC, "standard error");
  file_actions actions;
  actions.dup2(input.get(), STDIN_FILENO);
  actions.dup2(output.get(), STDOUT_FILENO);
  actions.dup2(error.get(), STDERR_FILENO);
  if (what.working_directory) actions.chdir(*what.working_directory);

  std::vector<char*> argv;
  argv.reserve(what.argv.size() + 1);
  for (const std::string& a : what.argv) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  pid_t child = 0;
  int wait_status = 0;
  struct rusage usage {};
  const std::int64_t start = now_ns();
  // glibc reports a failed chdir or exec in the child as posix_spawn's own
  // error, so a program that cannot start is never taken for one that ran.
  const int spawn_error = ::posix_spawn(&child, program.c_str(), actions.get(), nullptr, argv.data(), environ);
  if (spawn_error != 0) {
    throw start_error(fmt::format("cannot start {}{}: {}", program,
                                  what.working_directory ? " in " + *what.working_directory : std::string(),
                                  system_error_text(spawn_error)));
  }
  pid_t waited = 0;
  do {
    waited = ::wait4(child, &wait_status, 0, &usage);
  } while (waited < 0 && errno == EINTR);
  const std::int64_t end = now_ns();
  if (waited != child) throw std::runtime_error("wait4: " + system_error_text(errno));

  timed_process r;
  r.wall_ns = end - start;
  r.user_us = microseconds(usage.ru_utime);
  r.sys_us = microseconds(usage.ru_stime);
  r.max_rss_kib = usage.ru_maxrss;
  r.minor_faults = usage.ru_minflt;
  r.major_faults = usage.ru_majflt;
  r.exited = WIFEXITED(wait_status);
  r.status = r.exited ? WEXITSTATUS(wait_status) : WTERMSIG(wait_status);
  return r;
}

std::string format_result(const timed_process& r) {
  return fmt::format("wall_us {}.{:03} user_us {} sys_us {} max_rss_kib {} minor_faults {} major_faults {} status {}",
                     r.wall_ns / 1000, r.wall_ns % 1000, r.user_us, r.sys_us, r.max_rss_kib, r.minor_faults,
                     r.major_faults, r.exited ? r.status : 128 + r.status);
}

}  // namespace scen::banco
