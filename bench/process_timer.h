// One process started with posix_spawn (no shell in between), waited for
// with wait4, and timed from just before the spawn to just after the wait
// returns (CLOCK_MONOTONIC). Everything the timer prepares (the program's
// path, the descriptors of its standard streams) is done before the clock
// starts; the child's working directory is changed in the child, between
// the spawn and the exec, so that one chdir is inside the interval.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace scen::banco {

struct process_to_time {
  // argv[0] is the program: a path, or a bare name looked up in PATH before
  // the clock starts.
  std::vector<std::string> argv;
  // The child's working directory; none keeps the timer's.
  std::optional<std::string> working_directory;
  // Where the child's standard output and error go (truncated and created
  // if need be); none sends them to /dev/null. Standard input is /dev/null.
  std::optional<std::string> stdout_path;
  std::optional<std::string> stderr_path;
};

struct timed_process {
  std::int64_t wall_ns = 0;  // from just before posix_spawn to just after wait4
  std::int64_t user_us = 0;  // the child's CPU time, from wait4's rusage
  std::int64_t sys_us = 0;
  // Peak resident set in KiB. Linux counts the memory of the process the
  // child was spawned from up to its exec as well, so this is never below
  // the timer's own resident set at the spawn (a few MiB).
  long max_rss_kib = 0;
  long minor_faults = 0;
  long major_faults = 0;
  bool exited = false;  // ended by exit (status below) rather than by a signal
  int status = 0;       // exit status, or the number of the signal that ended it
  bool succeeded() const { return exited && status == 0; }
  // "exited with status 3", "was ended by signal 9 (Killed)".
  std::string describe_end() const;
};

// The program could not be started: not found, not executable, a working
// directory or output file that cannot be used. Nothing was timed.
class start_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Starts and times one process; throws start_error when it cannot start it.
// The process's own end (a failing status, a signal) is reported in the
// result, not thrown.
timed_process time_process(const process_to_time& what);

// The result as one line of "key value" pairs:
//   wall_us 1234.567 user_us 800 sys_us 400 max_rss_kib 3400 minor_faults 112
//   major_faults 0 status 0
// status is the exit status, or 128 + the signal's number as a shell gives it.
std::string format_result(const timed_process& r);

}  // namespace scen::banco
