// scenario_time_processes [--chdir FOLDER] [--stdout FILE] [--stderr FILE] [--] PROGRAM [ARGS]...
//
// Starts PROGRAM once with posix_spawn (no shell in between), waits for it
// with wait4 and prints one line of figures (bench/process_timer.h):
//   wall_us 1234.567 user_us 800 sys_us 400 max_rss_kib 3400 minor_faults 112
//   major_faults 0 status 0
// The clock runs from just before the spawn to just after wait4 returns;
// this program's own start, its argument parsing and the opening of the
// child's streams all come before it, its printing after it. The child's
// standard output and error go to /dev/null unless given; its standard input
// is /dev/null.
//
// Exit status: 0 when PROGRAM exited with status 0; 1 when it exited with
// another status or was ended by a signal (the line is still printed, and
// the reason goes to standard error); 2 for a wrong command line; 127 when
// PROGRAM could not be started (not found, not executable, no such working
// folder), with the reason on standard error and no line printed.
#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "process_timer.h"

int main(int argc, char** argv) {
  using namespace scen::banco;
  CLI::App app{"Times one process, started with posix_spawn and waited for with wait4.", "scenario_time_processes"};
  std::string folder, output, error;
  app.add_option("--chdir", folder, "working folder of the process");
  app.add_option("--stdout", output, "file for its standard output (default /dev/null)");
  app.add_option("--stderr", error, "file for its standard error (default /dev/null)");
  // Everything from the first positional argument on is the command, its
  // own options included.
  app.prefix_command();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }

  process_to_time what;
  what.argv = app.remaining();
  if (!what.argv.empty() && what.argv.front() == "--") what.argv.erase(what.argv.begin());
  if (what.argv.empty()) {
    fmt::print(stderr, "scenario_time_processes: no program given\n{}", app.help());
    return 2;
  }
  if (!folder.empty()) what.working_directory = folder;
  if (!output.empty()) what.stdout_path = output;
  if (!error.empty()) what.stderr_path = error;

  try {
    const timed_process r = time_process(what);
    fmt::print("{}\n", format_result(r));
    std::fflush(stdout);
    if (!r.succeeded()) {
      fmt::print(stderr, "scenario_time_processes: {} {}\n", what.argv.front(), r.describe_end());
      return 1;
    }
    return 0;
  } catch (const start_error& e) {
    fmt::print(stderr, "scenario_time_processes: {}\n", e.what());
    return 127;
  } catch (const std::exception& e) {
    fmt::print(stderr, "scenario_time_processes: {}\n", e.what());
    return 2;
  }
}
