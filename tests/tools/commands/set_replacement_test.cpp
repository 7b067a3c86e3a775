// Every command that replaces a set (the program's run, compile, export),
// started as a user starts it, with the folder's set in the way:
// - the Nth rename fails (the test seam), for every N of the set;
// - the Nth final file cannot be replaced at all (immutable), found before
//   anything is touched;
// - the process dies after any step of the replacement, and the repair that
//   `check --repair` (or the next run) makes is cut short in turn.
// Each time the folder ends with exactly the earlier set or exactly the new
// one, and `check` agrees.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "embedded/scrittori.h"
#include "embedded/testi.h"
#include "model/nomi_file.h"
#include "platform/exit_status.h"
#include "platform/folder.h"
#include "support/child_process.h"
#include "support/files.h"
#include "support/immutable.h"
#include "support/sources.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::folder_entries;
using test_util::temp_folder;
using files = std::map<std::string, std::string>;

constexpr int crash_status = 86;  // how the crash seam ends a process

// A command that replaces a set, as a user starts it in `dir`.
struct command {
  const char* name;
  std::vector<std::string> (*argv)(const fs::path& dir, const fs::path& sources);
  // The set's final names, in the order the command renames them.
  std::vector<std::string> (*set)();
};

std::vector<std::string> program_argv(const fs::path& dir, const fs::path&) { return {(dir / "scenario").string()}; }
std::vector<std::string> compile_argv(const fs::path& dir, const fs::path& sources) {
  return {SCENARIO_TOOL_EXE,
          "compile",
          (sources / "route.txt").string(),
          (sources / "train.txt").string(),
          "-o",
          dir.string(),
          "--route-name",
          "Prova",
          "--train-number",
          "1"};
}
std::vector<std::string> export_argv(const fs::path& dir, const fs::path&) {
  return {SCENARIO_TOOL_EXE, "export", "-o", dir.string()};
}

std::vector<std::string> program_set() {
  const identita id = identita_incorporata();
  return {nome_note(id),          nome_rallentamenti(id), nome_scheda(id),
          nome_file_sommario(id), nome_file_percorso(id), nome_file_linea(id)};
}
std::vector<std::string> compile_set() {
  const identita id{"Prova", "1"};
  return {nome_file_sommario(id), nome_file_percorso(id), nome_file_linea(id)};
}
std::vector<std::string> export_set() {
  const identita id = identita_incorporata();
  return {nome_sorgente_linea(id), nome_sorgente_treno(id), nome_note(id), nome_rallentamenti(id), nome_scheda(id)};
}

const std::vector<command>& commands() {
  static const std::vector<command> c{{"scenario", program_argv, program_set},
                                      {"compile", compile_argv, compile_set},
                                      {"export", export_argv, export_set}};
  return c;
}

// The sources compile reads: the embedded scenario with a curve's radius
// and a slowdown's speed changed, so that its three files differ from the
// embedded scenario's.
const fs::path& sources() {
  static temp_folder dir;
  static const bool written = [] {
    test_util::write_file(dir.path() / "route.txt",
                          test_util::sostituisci(testo_linea(), "curvad3,  800,  450", "curvad3,  800,  460"));
    test_util::write_file(
        dir.path() / "train.txt",
        test_util::sostituisci(testo_treno(), "rallentamento,   36500,    70,", "rallentamento,   36500,    50,"));
    return true;
  }();
  (void)written;
  return dir.path();
}

// A folder holding the earlier set: other bytes under every final name of
// the command's set (the program's run would otherwise rewrite the same
// bytes, and a mix would not show), and the program itself.
files earlier_set(const command& c) {
  files f;
  int i = 0;
  for (const std::string& name : c.set()) f[name] = "earlier file " + std::to_string(i++) + "\r\n";
  return f;
}

void prepare(const fs::path& dir, const files& f) {
  for (const auto& [name, byte] : f) test_util::write_file(dir / name, byte);
  fs::copy_file(SCENARIO_EXE, dir / "scenario");
  fs::permissions(dir / "scenario", fs::perms::owner_all);
}

// The folder's files but the program and its lock.
files set_in(const fs::path& dir) {
  files f = folder_entries(dir);
  f.erase("scenario");
  f.erase(std::string(".scenario.lock"));
  return f;
}

// Equal sets; a difference is told by the names that differ, not by the bytes.
testing::AssertionResult same(const files& got, const files& want) {
  std::string differ;
  for (const auto& [name, byte] : got) {
    if (!want.contains(name)) {
      differ += " " + name + " (extra)";
    } else if (want.at(name) != byte) {
      differ += " " + name + " (other bytes)";
    }
  }
  for (const auto& [name, byte] : want) {
    if (!got.contains(name)) differ += " " + name + " (missing)";
  }
  if (differ.empty()) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "the folder differs:" << differ;
}

test_util::process_result run(const command& c, const fs::path& dir, const std::vector<std::string>& seams = {}) {
  std::vector<std::string> env = test_util::environment_without_display();
  for (const std::string& s : seams) env.push_back(s);
  return test_util::run_process(c.argv(dir, sources()), dir, env);
}

// The complete new set of a command, from a run with nothing in the way.
const files& new_set(const command& c) {
  static std::map<std::string, files> made;
  if (!made.contains(c.name)) {
    temp_folder t;
    prepare(t.path(), {});
    const auto r = run(c, t.path());
    if (r.status != exit_status::clean) throw std::runtime_error(std::string(c.name) + " failed: " + r.err);
    made[c.name] = set_in(t.path());
  }
  return made.at(c.name);
}

TEST(SetReplacement, ARenameFailingAtAnyPositionLeavesEveryCommandsEarlierSet) {
  for (const command& c : commands()) {
    const std::size_t n = c.set().size();
    for (std::size_t failing = 1; failing <= n; ++failing) {
      SCOPED_TRACE(std::string(c.name) + ", rename " + std::to_string(failing) + " of " + std::to_string(n));
      temp_folder t;
      prepare(t.path(), earlier_set(c));
      const auto r = run(c, t.path(), {"SCENARIO_TEST_FAIL_RENAME=" + std::to_string(failing)});
      EXPECT_EQ(r.status, exit_status::failure) << r.err;
      EXPECT_NE(r.err.find(c.set()[failing - 1]), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("nothing was replaced"), std::string::npos) << r.err;
      // The sources the program writes for its compile are gone as well.
      EXPECT_TRUE(same(set_in(t.path()), earlier_set(c)));
    }
    SCOPED_TRACE(c.name);
    temp_folder t;
    prepare(t.path(), earlier_set(c));
    const auto r = run(c, t.path());
    EXPECT_EQ(r.status, exit_status::clean) << r.err;
    EXPECT_TRUE(same(set_in(t.path()), new_set(c)));
  }
}

// The immutable flag: no rename may replace the file, root's included.
using test_util::immutable;

TEST(SetReplacement, AFinalFileThatCannotBeReplacedIsFoundBeforeAnythingIsTouched) {
  for (const command& c : commands()) {
    for (const std::string& held : c.set()) {
      SCOPED_TRACE(std::string(c.name) + ", " + held + " immutable");
      temp_folder t;
      prepare(t.path(), earlier_set(c));
      const immutable fixed(t.path() / held);
      ASSERT_TRUE(fixed.on()) << "this file system has no immutable flag, or the test does not run as root";
      const auto r = run(c, t.path());
      EXPECT_EQ(r.status, exit_status::failure) << r.err;
      EXPECT_NE(r.err.find(held + ": is marked immutable"), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("nothing was replaced"), std::string::npos) << r.err;
      EXPECT_TRUE(same(set_in(t.path()), earlier_set(c)));
    }
  }
}

// `check` on the folder: the journal is a problem it names; `--repair`
// finishes the replacement and says what it did.
test_util::process_result check(const fs::path& dir, bool repair, const std::vector<std::string>& seams = {}) {
  std::vector<std::string> argv{SCENARIO_TOOL_EXE, "check", dir.string()};
  if (repair) argv.push_back("--repair");
  std::vector<std::string> env = test_util::environment_without_display();
  for (const std::string& s : seams) env.push_back(s);
  return test_util::run_process(argv, dir, env);
}

// The process dies after step k of the replacement, for every k; then the
// repair dies after step j, for every j; a last repair runs whole. The
// folder holds exactly one set, the same whichever repair finished it.
TEST(SetReplacement, ACrashAtAnyStepIsRepairedToOneWholeSetEvenIfTheRepairCrashesToo) {
  const command& c = commands()[1];  // compile: its set can be checked
  // The earlier set: the embedded sources compiled under the same identity.
  temp_folder base;
  test_util::write_file(base.path() / "route.txt", testo_linea());
  test_util::write_file(base.path() / "train.txt", testo_treno());
  prepare(base.path(), {});
  const auto first = test_util::run_process(
      {SCENARIO_TOOL_EXE, "compile", (base.path() / "route.txt").string(), (base.path() / "train.txt").string(), "-o",
       base.path().string(), "--route-name", "Prova", "--train-number", "1"},
      base.path(), test_util::environment_without_display());
  ASSERT_EQ(first.status, exit_status::clean) << first.err;
  files old_set = set_in(base.path());
  for (const char* n : {"route.txt", "train.txt"}) old_set.erase(n);
  ASSERT_NE(old_set, new_set(c));

  bool saw_old = false, saw_new = false;
  for (int k = 1;; ++k) {
    SCOPED_TRACE("crash after step " + std::to_string(k));
    temp_folder t;
    prepare(t.path(), old_set);
    const auto r = run(c, t.path(), {"SCENARIO_TEST_CRASH_AT=" + std::to_string(k)});
    if (r.status != crash_status) {
      // Past the last step: the compile ran whole.
      EXPECT_EQ(r.status, exit_status::clean) << r.err;
      EXPECT_TRUE(same(set_in(t.path()), new_set(c)));
      ASSERT_GT(k, 3) << "the replacement has fewer steps than renames";
      break;
    }
    const auto told = check(t.path(), false);
    if (told.status == exit_status::clean) {
      // Only after its last step, the journal's removal, has a crash
      // nothing left to repair.
      EXPECT_TRUE(same(set_in(t.path()), new_set(c)));
      saw_new = true;
      continue;
    }
    EXPECT_EQ(told.status, exit_status::problem) << told.err;
    EXPECT_NE(told.err.find(std::string(folder::journal_name)), std::string::npos) << told.err;

    // Which set a whole repair leaves.
    temp_folder copy;
    fs::copy(t.path(), copy.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const auto whole = check(copy.path(), true);
    EXPECT_NE(whole.err.find("interrupted replacement"), std::string::npos) << whole.err;
    EXPECT_EQ(whole.status, exit_status::clean) << whole.err << whole.out;
    const files repaired = set_in(copy.path());
    ASSERT_TRUE(repaired == old_set || repaired == new_set(c))
        << "a mixed set after the repair: against the earlier " << same(repaired, old_set).message()
        << "; against the new " << same(repaired, new_set(c)).message();
    (repaired == old_set ? saw_old : saw_new) = true;
    EXPECT_FALSE(saw_new && repaired == old_set) << "a later crash undid what an earlier one completed";

    // The repair cut short at each of its steps, then repaired again.
    for (int j = 1;; ++j) {
      SCOPED_TRACE("the repair crashes after step " + std::to_string(j));
      temp_folder twice;
      fs::copy(t.path(), twice.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
      const auto cut = check(twice.path(), true, {"SCENARIO_TEST_CRASH_AT=" + std::to_string(j)});
      const auto again = check(twice.path(), true);
      EXPECT_EQ(again.status, exit_status::clean) << again.err << again.out;
      EXPECT_TRUE(same(set_in(twice.path()), repaired));
      if (cut.status != crash_status) break;
    }
  }
  EXPECT_TRUE(saw_old) << "no crash fell before the first rename";
  EXPECT_TRUE(saw_new) << "no crash fell after the last rename";
}

}  // namespace
}  // namespace scen
