// The process timer: statuses, failures to start, the working folder and
// the streams, and the figures' sanity. No speed is asserted beyond what
// cannot be otherwise (a 0.2 s sleep does not take less than 0.2 s).
#include "process_timer.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace scen::banco {
namespace {

namespace fs = std::filesystem;

class scratch_folder {
 public:
  scratch_folder() {
    std::string pattern = (fs::temp_directory_path() / "process-timer-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  scratch_folder(const scratch_folder&) = delete;
  scratch_folder& operator=(const scratch_folder&) = delete;
  ~scratch_folder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

process_to_time command(std::vector<std::string> argv) {
  process_to_time p;
  p.argv = std::move(argv);
  return p;
}

TEST(ProcessTimer, TimesASuccessfulProcess) {
  const timed_process r = time_process(command({"/bin/true"}));
  EXPECT_TRUE(r.succeeded());
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0);
  EXPECT_GT(r.wall_ns, 0);
  EXPECT_LT(r.wall_ns, 60'000'000'000);
  EXPECT_GT(r.max_rss_kib, 0);
  EXPECT_GT(r.minor_faults, 0);
}

TEST(ProcessTimer, ASleepIsNotMeasuredShorterThanItSleeps) {
  // A bare name: looked up in PATH before the clock starts.
  const timed_process r = time_process(command({"sleep", "0.2"}));
  EXPECT_TRUE(r.succeeded());
  EXPECT_GE(r.wall_ns, 200'000'000);
  // A sleeping process uses next to no processor time.
  EXPECT_LT(r.user_us + r.sys_us, r.wall_ns / 1000);
}

TEST(ProcessTimer, ReportsAFailingStatusAsAFailure) {
  const timed_process f = time_process(command({"/bin/false"}));
  EXPECT_FALSE(f.succeeded());
  EXPECT_TRUE(f.exited);
  EXPECT_EQ(f.status, 1);

  const timed_process three = time_process(command({"/bin/sh", "-c", "exit 3"}));
  EXPECT_FALSE(three.succeeded());
  EXPECT_EQ(three.status, 3);
  EXPECT_EQ(three.describe_end(), "exited with status 3");
  EXPECT_NE(format_result(three).find(" status 3"), std::string::npos);
}

TEST(ProcessTimer, ReportsAnEndBySignal) {
  const timed_process r = time_process(command({"/bin/sh", "-c", "kill -TERM $$"}));
  EXPECT_FALSE(r.succeeded());
  EXPECT_FALSE(r.exited);
  EXPECT_EQ(r.status, SIGTERM);
  EXPECT_NE(r.describe_end().find("signal 15"), std::string::npos);
  // As a shell gives it: 128 + the signal.
  EXPECT_NE(format_result(r).find(" status 143"), std::string::npos);
}

TEST(ProcessTimer, AMissingProgramIsAClearError) {
  try {
    time_process(command({"/no/such/folder/program"}));
    FAIL() << "a missing program was started";
  } catch (const start_error& e) {
    EXPECT_NE(std::string(e.what()).find("/no/such/folder/program"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
  }
  try {
    time_process(command({"no-program-has-this-name-42"}));
    FAIL() << "a missing program was found in PATH";
  } catch (const start_error& e) {
    EXPECT_NE(std::string(e.what()).find("no program named no-program-has-this-name-42 in PATH"), std::string::npos)
        << e.what();
  }
  EXPECT_THROW(time_process(command({})), start_error);
}

TEST(ProcessTimer, AFileThatIsNotExecutableDoesNotStart) {
  scratch_folder folder;
  std::ofstream(folder.path() / "text") << "not a program\n";
  EXPECT_THROW(time_process(command({(folder.path() / "text").string()})), start_error);
}

TEST(ProcessTimer, RunsInTheWorkingFolderGiven) {
  scratch_folder folder;
  fs::create_directory(folder.path() / "inside");
  process_to_time p = command({"/bin/pwd", "-P"});
  p.working_directory = (folder.path() / "inside").string();
  p.stdout_path = (folder.path() / "out").string();
  const timed_process r = time_process(p);
  ASSERT_TRUE(r.succeeded()) << r.describe_end();
  EXPECT_EQ(read_file(folder.path() / "out"), fs::canonical(folder.path() / "inside").string() + "\n");

  // A relative program is found from the working folder, as after a cd.
  std::ofstream(folder.path() / "inside" / "mark") << "x";
  process_to_time relative = command({"/bin/sh", "-c", "test -f mark"});
  relative.working_directory = (folder.path() / "inside").string();
  EXPECT_TRUE(time_process(relative).succeeded());
  EXPECT_FALSE(time_process(command({"/bin/sh", "-c", "test -f mark"})).succeeded());
}

TEST(ProcessTimer, AMissingWorkingFolderIsAClearError) {
  scratch_folder folder;
  process_to_time p = command({"/bin/true"});
  p.working_directory = (folder.path() / "absent").string();
  try {
    time_process(p);
    FAIL() << "started in a folder that does not exist";
  } catch (const start_error& e) {
    EXPECT_NE(std::string(e.what()).find("absent"), std::string::npos) << e.what();
  }
}

TEST(ProcessTimer, SendsTheStreamsWhereAsked) {
  scratch_folder folder;
  process_to_time p = command({"/bin/sh", "-c", "echo out; echo err >&2; cat"});
  p.stdout_path = (folder.path() / "out").string();
  p.stderr_path = (folder.path() / "err").string();
  const timed_process r = time_process(p);
  ASSERT_TRUE(r.succeeded());
  // Standard input is /dev/null: cat ends at once.
  EXPECT_EQ(read_file(folder.path() / "out"), "out\n");
  EXPECT_EQ(read_file(folder.path() / "err"), "err\n");
}

TEST(ProcessTimer, CountsTheChildsProcessorTime) {
  const timed_process r =
      time_process(command({"/bin/sh", "-c", "i=0; while [ $i -lt 200000 ]; do i=$((i + 1)); done"}));
  ASSERT_TRUE(r.succeeded());
  EXPECT_GT(r.user_us + r.sys_us, 0);
}

// The command-line program, run through the timer itself.
class TimerProgram : public ::testing::Test {
 protected:
  struct outcome {
    timed_process run;
    std::string out, err;
  };
  outcome run(std::vector<std::string> args) {
    args.insert(args.begin(), SCENARIO_TIME_PROCESSES);
    process_to_time p = command(std::move(args));
    p.stdout_path = (folder_.path() / "out").string();
    p.stderr_path = (folder_.path() / "err").string();
    outcome o{time_process(p), {}, {}};
    o.out = read_file(folder_.path() / "out");
    o.err = read_file(folder_.path() / "err");
    return o;
  }
  scratch_folder folder_;
};

TEST_F(TimerProgram, PrintsOneLineOfFigures) {
  const auto o = run({"/bin/true"});
  EXPECT_TRUE(o.run.succeeded()) << o.err;
  std::istringstream line(o.out);
  std::string key;
  double wall = -1;
  line >> key >> wall;
  EXPECT_EQ(key, "wall_us");
  EXPECT_GT(wall, 0);
  for (const char* k : {"user_us", "sys_us", "max_rss_kib", "minor_faults", "major_faults", "status"}) {
    long value = -1;
    line >> key >> value;
    EXPECT_EQ(key, k);
    EXPECT_GE(value, 0) << k;
  }
  EXPECT_EQ(o.out.back(), '\n');
  EXPECT_EQ(o.out.find('\n'), o.out.size() - 1);
}

TEST_F(TimerProgram, PassesTheCommandsOwnOptionsOn) {
  const auto o =
      run({"--chdir", "/", "--", "/bin/sh", "-c", "test \"$(pwd)\" = / && test \"$1\" = --version", "sh", "--version"});
  EXPECT_TRUE(o.run.succeeded()) << o.out << o.err;
  const auto without_separator = run({"/bin/sh", "-c", "test \"$1\" = -x", "sh", "-x"});
  EXPECT_TRUE(without_separator.run.succeeded()) << without_separator.out << without_separator.err;
}

TEST_F(TimerProgram, ExitsWithOneWhenTheProcessFails) {
  const auto o = run({"/bin/false"});
  EXPECT_EQ(o.run.status, 1);
  EXPECT_NE(o.out.find(" status 1\n"), std::string::npos) << o.out;
  EXPECT_NE(o.err.find("/bin/false exited with status 1"), std::string::npos) << o.err;
}

TEST_F(TimerProgram, ExitsWith127WhenTheProgramCannotStart) {
  const auto o = run({"/no/such/program"});
  EXPECT_EQ(o.run.status, 127);
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find("cannot start /no/such/program: No such file or directory"), std::string::npos) << o.err;
}

TEST_F(TimerProgram, ExitsWithTwoWithoutAProgram) {
  EXPECT_EQ(run({}).run.status, 2);
  EXPECT_EQ(run({"--chdir"}).run.status, 2);
}

}  // namespace
}  // namespace scen::banco
