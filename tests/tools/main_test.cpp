// The tool on an unfriendly system: identities that would name files badly,
// a standard output that cannot be written, and a bounded address space.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "platform/exit_status.h"
#include "platform/folder_lock.h"
#include "support/tool_runs.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::run_process;
using test_util::run_tool;
using test_util::temp_folder;

// `argv` run by a shell after `prima` (a ulimit, a redirection of standard output).
test_util::process_result esegui_con(const std::string& prima, std::vector<std::string> argv,
                                     const fs::path& cartella) {
  argv.insert(argv.begin(), {"/bin/bash", "-c", prima + "; exec \"$0\" \"$@\""});
  return run_process(argv, cartella, test_util::environment_without_display());
}

// ---- identities --------------------------------------------------------------------

TEST(Identities, TheToolRefusesThemWithStatus2AndWritesNothing) {
  temp_folder dir;
  test_util::write_file(dir.path() / "l.txt", test_util::join_crlf(test_util::linea_piccola()));
  test_util::write_file(dir.path() / "t.txt", test_util::join_crlf(test_util::treno_piccolo()));
  for (const auto& [opzione, valore] : std::vector<std::pair<std::string, std::string>>{
           {"--train-number", "linea"}, {"--route-name", "AUX"}, {"--train-number", "4713:2"}}) {
    SCOPED_TRACE(opzione + " " + valore);
    const auto r = run_tool({"compile", "l.txt", "t.txt", "-o", "out", opzione, valore}, dir.path());
    EXPECT_EQ(r.status, exit_status::failure) << r.err;
    EXPECT_NE(r.err.find(opzione), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir.path() / "out" / ("Ardena_VelmoraCle_linea.dat")));
    EXPECT_TRUE(!fs::exists(dir.path() / "out") || fs::is_empty(dir.path() / "out"));
  }
}

// ---- standard output ------------------------------------------------------------------

TEST(StandardOutput, AnOutputThatCannotBeWrittenEndsWithStatus2AndSaysWhy) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  temp_folder dir;
  test_util::compila_incorporato(dir.path());
  test_util::write_file(dir.path() / "l.txt", test_util::join_crlf(test_util::linea_piccola()));
  test_util::write_file(dir.path() / "t.txt", test_util::join_crlf(test_util::treno_piccolo()));
  const std::string tool = SCENARIO_TOOL_EXE;
  const std::vector<std::vector<std::string>> comandi = {
      {tool, "dump", "Ardena_VelmoraCle_4713.sim"},
      {tool, "dump", "--json", "Ardena_VelmoraCle_linea.dat"},
      {tool, "check", "."},
      {tool, "export", "-o", "esportati"},
      {tool, "compile", "--json", "l.txt", "t.txt", "-o", "compilati"},
  };
  for (const auto& argv : comandi) {
    SCOPED_TRACE(argv[1]);
    const auto r = esegui_con("exec >/dev/full", argv, dir.path());
    EXPECT_EQ(r.status, exit_status::failure) << r.err;
    EXPECT_NE(r.err.find(std::string("standard output: ") + std::strerror(ENOSPC)), std::string::npos) << r.err;
  }
}

// ---- memory -----------------------------------------------------------------------------

// The tool under a limit on its address space, `mib` MiB.
test_util::process_result tool_limitato(std::size_t mib, const std::vector<std::string>& argv, const fs::path& dir) {
  std::vector<std::string> tutto{SCENARIO_TOOL_EXE};
  tutto.insert(tutto.end(), argv.begin(), argv.end());
  return esegui_con("ulimit -v " + std::to_string(mib * 1024), tutto, dir);
}

#ifdef SCENARIO_UNDER_SANITIZER
constexpr bool con_sanitizer = true;
#else
constexpr bool con_sanitizer = false;
#endif

TEST(BoundedMemory, DumpOfLargeCraftedFilesStaysWithinAFewTimesTheirSize) {
  if (con_sanitizer) GTEST_SKIP() << "the sanitizer's shadow memory does not fit an address-space limit";
  temp_folder dir;
  // 3.75 MiB of zeros: a track of 262144 empty cells, a plan view of 2
  // million empty values (a million metres). Their JSON is over 30 times
  // their size; held whole, it took gigabytes.
  const std::string zeri(std::size_t{15} << 18, '\0');
  test_util::write_file(dir.path() / "zero.dat", zeri);
  test_util::write_file(dir.path() / "zero_linea.dat", zeri);
  for (const std::string file : {"zero.dat", "zero_linea.dat"}) {
    SCOPED_TRACE(file);
    const auto r = tool_limitato(256, {"dump", "--json", file}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    if (file == std::string("zero.dat")) {
      EXPECT_EQ(j.at("cells").size(), zeri.size() / 15);
    } else {
      EXPECT_EQ(j.at("coordinates").at(1).at("values").size(), zeri.size() / 4);
    }
  }
}

TEST(BoundedMemory, OutOfMemoryHasItsOwnMessageAndStatus) {
  if (con_sanitizer) GTEST_SKIP() << "the sanitizer's shadow memory does not fit an address-space limit";
  temp_folder dir;
  test_util::write_file(dir.path() / "zero.dat", std::string(std::size_t{60} << 20, '\0'));
  // From too little for the file to enough for it: each limit ends with the
  // listing or with the out-of-memory status, never anything else.
  bool finito = false, senza_memoria = false;
  for (std::size_t mib : {80, 120, 160, 240, 400}) {
    SCOPED_TRACE(std::to_string(mib) + " MiB");
    const auto r = tool_limitato(mib, {"dump", "zero.dat"}, dir.path());
    if (r.status == exit_status::out_of_memory) {
      senza_memoria = true;
      EXPECT_NE(r.err.find("scenario-tool: out of memory"), std::string::npos) << r.err;
    } else {
      EXPECT_EQ(r.status, 0) << r.err;
      finito = true;
    }
  }
  EXPECT_TRUE(senza_memoria) << "no limit was too small: the test proves nothing";
  EXPECT_TRUE(finito) << "no limit was large enough";
}

// ---- the folder lock ------------------------------------------------------------------

// A lock file that cannot be opened for writing ends the tool at once with
// status 2 naming the file; only a lock another run holds is waited for and
// ends with status 4, "in use". Root writes a read-only file, so the tool
// runs as nobody there.
TEST(FolderLock, AReadOnlyLockFileIsAFailureNamingItAndAHeldOneIsBusy) {
  std::vector<std::string> come_utente;
  if (::geteuid() == 0) {
    if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "setpriv (util-linux) is not installed";
    come_utente = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  }
  temp_folder dir;
  const fs::path uscita = dir.path() / "out";
  fs::create_directory(uscita);
  ASSERT_EQ(::chmod(uscita.c_str(), 0777), 0);
  const fs::path lock = uscita / std::string(folder_lock::file_name);
  test_util::write_file(lock, "");
  ASSERT_EQ(::chmod(lock.c_str(), 0444), 0);
  // A copy beside the folder, which nobody may run wherever the build is.
  const fs::path programma = dir.path() / "scenario-tool";
  fs::copy_file(SCENARIO_TOOL_EXE, programma);
  ASSERT_EQ(::chmod(programma.c_str(), 0755), 0);
  std::vector<std::string> argv = come_utente;
  argv.insert(argv.end(), {programma.string(), "export", "-o", "out"});
  const auto r = run_process(argv, dir.path(), test_util::environment_without_display());
  EXPECT_EQ(r.status, exit_status::failure) << r.err;
  EXPECT_NE(r.err.find(folder_lock::file_name), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("cannot be opened for writing (it is read-only)"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("in use"), std::string::npos) << r.err;
  EXPECT_EQ(std::distance(fs::directory_iterator(uscita), fs::directory_iterator()), 1) << "nothing but the lock file";

  // The same folder held by a run: busy, after the wait.
  ASSERT_EQ(::chmod(lock.c_str(), 0644), 0);
  const folder_lock altro(uscita);
  const auto occupato = run_tool({"export", "-o", "out"}, dir.path());
  EXPECT_EQ(occupato.status, exit_status::busy) << occupato.err;
  EXPECT_NE(occupato.err.find("in use by another run"), std::string::npos) << occupato.err;
}

}  // namespace
}  // namespace scen
