// A run among other runs and on an unfriendly system: a folder in use refused
// by the program and the tool, stale temporaries of earlier runs cleared, the
// files replaced as one set, failures of the platform reported as such, the
// disk flushes of a completed run.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/sorgenti.h"
#include "model/nomi_file.h"
#include "platform/exit_status.h"
#include "platform/folder.h"
#include "platform/folder_lock.h"
#include "run/pipeline.h"
#include "support/tool_runs.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::run_process;

// ".NAME" and a suffix: the name of a temporary or of a hidden file. (Built
// step by step: GCC 12 warns, wrongly, about a chain of + starting from a
// literal here.)
std::string nascosto(const std::string& nome, const char* coda) {
  std::string s(1, '.');
  s += nome;
  s += coda;
  return s;
}
using test_util::run_tool;
using test_util::temp_folder;

// The built program copied into `dir`, as a user would place it.
fs::path copia_programma(const fs::path& dir) {
  const fs::path programma = dir / "scenario";
  fs::copy_file(SCENARIO_EXE, programma);
  fs::permissions(programma, fs::perms::owner_all);
  return programma;
}

// `argv` run by a shell after `prima` (a ulimit, a redirection of standard output).
test_util::process_result esegui_con(const std::string& prima, std::vector<std::string> argv,
                                     const fs::path& cartella) {
  argv.insert(argv.begin(), {"/bin/bash", "-c", prima + "; exec \"$0\" \"$@\""});
  return run_process(argv, cartella, test_util::environment_without_display());
}

// A clean run of the embedded scenario in `dir`.
void corsa_pulita(const fs::path& dir) {
  folder dove(dir);
  modello m;
  const esito_percorso esito = esegui_scenario(dove, m);
  ASSERT_FALSE(esito.fatale);
  ASSERT_EQ(m.codice_errore, 0);
}

// ---- one run per folder -----------------------------------------------------

TEST(FolderLock, TheProgramAndTheToolRefuseAFolderInUseWithStatus4) {
  temp_folder dir;
  const fs::path programma = copia_programma(dir.path());
  temp_folder sorgenti;
  test_util::write_file(sorgenti.path() / "l.txt", test_util::join_crlf(test_util::linea_piccola()));
  test_util::write_file(sorgenti.path() / "t.txt", test_util::join_crlf(test_util::treno_piccolo()));
  folder_lock altro(dir.path());
  const auto prima = test_util::folder_entries(dir.path());
  for (const std::vector<std::string>& argv :
       {std::vector<std::string>{programma.string()},
        std::vector<std::string>{SCENARIO_TOOL_EXE, "compile", (sorgenti.path() / "l.txt").string(),
                                 (sorgenti.path() / "t.txt").string(), "-o", dir.path().string()},
        std::vector<std::string>{SCENARIO_TOOL_EXE, "export", "-o", dir.path().string()}}) {
    SCOPED_TRACE(argv.size() > 1 ? argv[1] : "scenario");
    const auto r = run_process(argv, {}, test_util::environment_without_display());
    EXPECT_EQ(r.status, exit_status::busy) << r.err;
    EXPECT_NE(r.err.find(dir.path().string() + ": in use by another run"), std::string::npos) << r.err;
    EXPECT_EQ(test_util::folder_entries(dir.path()), prima) << "nothing written while the folder is in use";
  }
}

// ---- temporaries --------------------------------------------------------------

TEST(Temporaries, StaleTemporariesOfEarlierRunsGoButNothingElse) {
  temp_folder dir;
  const identita id = identita_incorporata();
  const std::string traccia = nome_file_percorso(id);
  const auto crea = [&](const std::string& nome, bool vecchio) {
    test_util::write_file(dir.path() / nome, "x");
    if (vecchio) fs::last_write_time(dir.path() / nome, fs::file_time_type::clock::now() - std::chrono::hours(1));
  };
  crea(nascosto(traccia, ".tmp-0123456789abcdef"), true);    // ours, abandoned
  crea(nascosto(nome_file_linea(id), ".tmp-4242-7"), true);  // an earlier version's, abandoned
  crea(nascosto(traccia, ".tmp-fedcba9876543210"), false);   // ours, too recent to judge
  crea(".other.dat.tmp-0123456789abcdef", true);             // not a name of this run
  crea(nascosto(traccia, ".tmp-0123456789ABCDEF"), true);    // not a suffix we make
  crea(nascosto(traccia, ".tmp-notours"), true);
  crea(traccia + ".tmp-0123456789abcdef", true);
  fs::create_directory(dir.path() / (nascosto(nome_scheda(id), ".tmp-0123456789abcdef")));
  fs::last_write_time(dir.path() / (nascosto(nome_scheda(id), ".tmp-0123456789abcdef")),
                      fs::file_time_type::clock::now() - std::chrono::hours(1));
  const auto prima = test_util::folder_entries(dir.path());

  folder dove(dir.path());
  const std::vector<std::string> nomi = nomi_della_corsa(id);
  auto tolti = dove.remove_stale_temporaries(nomi, eta_temporanei_abbandonati);
  std::sort(tolti.begin(), tolti.end());
  EXPECT_EQ(tolti, (std::vector<std::string>{nascosto(traccia, ".tmp-0123456789abcdef"),
                                             nascosto(nome_file_linea(id), ".tmp-4242-7")}));
  auto dopo = prima;
  for (const std::string& t : tolti) dopo.erase(t);
  EXPECT_EQ(test_util::folder_entries(dir.path()), dopo);

  // The program clears them on its own before it runs.
  crea("." + traccia + ".tmp-00000000000000aa", true);
  copia_programma(dir.path());
  const auto r = run_process({(dir.path() / "scenario").string()}, {}, test_util::environment_without_display());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(dir.path() / ("." + traccia + ".tmp-00000000000000aa")));
  EXPECT_TRUE(fs::exists(dir.path() / ("." + traccia + ".tmp-fedcba9876543210")));
}

// ---- the set as a set ------------------------------------------------------------

TEST(FileSet, AFailureInTheLastFileLeavesTheEarlierSetByteForByte) {
  const identita id = identita_incorporata();
  for (const std::string& guasto : {nome_file_percorso(id), nome_file_sommario(id), nome_note(id)}) {
    SCOPED_TRACE(guasto);
    temp_folder dir;
    corsa_pulita(dir.path());
    // The earlier set differs from what this run would write.
    for (const std::string& nome :
         {nome_note(id), nome_file_linea(id), nome_file_sommario(id), nome_file_percorso(id)}) {
      test_util::write_file(dir.path() / nome, "earlier " + nome);
    }
    const auto prima = test_util::folder_entries(dir.path());
    folder dove(dir.path());
    dove.fail_after_bytes(10, guasto);
    modello m;
    try {
      esegui_scenario(dove, m);
      FAIL() << "the run went through";
    } catch (const platform_error& g) {
      EXPECT_EQ(g.file(), dir.path() / guasto);
      EXPECT_EQ(g.reason(), std::strerror(ENOSPC));
    }
    EXPECT_EQ(test_util::folder_entries(dir.path()), prima)
        << "not one file of the earlier set replaced, no temporary, no source";
  }
}

TEST(FileSet, AFatalEndReplacesTheDocumentsAndNoBinaryFile) {
  temp_folder dir;
  const identita id = identita_incorporata();
  folder dove(dir.path());
  dati_linea(dove, id);
  dati_treno(dove, id);
  file_set uscita(dove);
  dati_note(uscita, id);
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  // A route source without a length line: no track cells, a fatal end.
  sorgenti_in_memoria s(std::string("[generale]\r\n[fine]\r\n"), std::nullopt);
  const esito_percorso esito = memorizza_percorso(m, 1, id, s, uscita);
  ASSERT_TRUE(esito.fatale);
  uscita.commit();
  EXPECT_TRUE(fs::exists(dir.path() / nome_note(id)));
  for (const std::string& nome : {nome_file_linea(id), nome_file_sommario(id), nome_file_percorso(id)}) {
    EXPECT_FALSE(fs::exists(dir.path() / nome)) << nome;
  }
}

// ---- failures of the platform ----------------------------------------------------

TEST(PlatformFailures, AnInputOutputErrorReadingASourceNamesItAndWritesNothing) {
  const identita id = identita_incorporata();
  for (const std::string& sorgente : {nome_sorgente_linea(id), nome_sorgente_treno(id)}) {
    SCOPED_TRACE(sorgente);
    temp_folder dir;
    corsa_pulita(dir.path());
    for (const auto& voce : fs::directory_iterator(dir.path())) test_util::write_file(voce.path(), "earlier");
    const auto prima = test_util::folder_entries(dir.path());
    folder dove(dir.path());
    dove.fail_reads_of(sorgente);
    modello m;
    try {
      esegui_scenario(dove, m);
      FAIL() << "the run went through";
    } catch (const platform_error& g) {
      EXPECT_EQ(g.file(), dir.path() / sorgente);
      EXPECT_EQ(g.reason(), std::strerror(EIO));
    }
    EXPECT_EQ(m.codice_errore, 0) << "not an error of the sources";
    EXPECT_EQ(test_util::folder_entries(dir.path()), prima) << "the earlier files whole, the sources gone";
  }
}

// A look-up that fails (here: a folder the run may not search) is a failure
// of the platform naming the file, not a missing source (code 101). Root
// searches every folder, so the compile runs in a child that has given up root.
TEST(PlatformFailures, ASourceThatCannotBeLookedUpIsNotAMissingSource) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the child another user";
  temp_folder dir;
  const identita id = identita_incorporata();
  const fs::path chiusa = dir.path() / "closed";
  fs::create_directory(chiusa);
  ::chmod(dir.path().c_str(), 0755);
  ::chmod(chiusa.c_str(), 0);
  EXPECT_EXIT(
      {
        if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) std::_Exit(100);
        folder dove(chiusa);
        sorgenti_in_cartella s(dove, id);
        modello m;
        m.nome_linea = id.nome_linea;
        m.nome_treno = id.nome_treno;
        try {
          memorizza_percorso(m, 1, id, s, dove);
        } catch (const platform_error& g) {
          std::exit(g.file() == chiusa / nome_sorgente_linea(id) && g.reason() == std::strerror(EACCES) &&
                            m.codice_errore == 0
                        ? 0
                        : 1);
        }
        std::exit(2);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(PlatformFailures, AFileSizeLimitIsAWriteFailureWithItsReason) {
  temp_folder dir;
  const fs::path programma = copia_programma(dir.path());
  ASSERT_EQ(run_process({programma.string()}, {}, test_util::environment_without_display()).status, 0);
  const auto prima = test_util::folder_entries(dir.path());
  // 256 KiB: the sources and the documents fit, the line data file does not.
  const auto r = esegui_con("ulimit -f 512", {programma.string()}, dir.path());
  EXPECT_EQ(r.status, exit_status::failure) << r.err;
  EXPECT_NE(r.err.find(nome_file_linea(identita_incorporata()) + ": " + std::strerror(EFBIG)), std::string::npos)
      << r.err;
  EXPECT_EQ(test_util::folder_entries(dir.path()), prima) << "the earlier set whole, no temporary, no source";
}

// ---- durability ---------------------------------------------------------------------------

// strace's lines of several threads, each call on one line where it ended: a
// call another thread's line interrupted ("<unfinished ...>") is joined to
// its "<... NAME resumed>" rest.
std::string chiamate_intere(const std::string& traccia) {
  std::map<std::string, std::string> sospese;  // pid -> the call's first part
  std::string out;
  std::istringstream righe(traccia);
  for (std::string riga; std::getline(righe, riga);) {
    const std::string pid = riga.substr(0, riga.find(' '));
    if (const auto u = riga.find(" <unfinished ...>"); u != std::string::npos) {
      sospese[pid] = riga.substr(0, u);
      continue;
    }
    if (const auto r = riga.find(" resumed>"); r != std::string::npos && sospese.contains(pid)) {
      // strace pads the rest: ">)              = 0".
      out += sospese[pid] + std::regex_replace(riga.substr(r + 9), std::regex(R"(^\)\s+=)"), ") =") + "\n";
      sospese.erase(pid);
      continue;
    }
    out += riga + "\n";
  }
  return out;
}

TEST(Durability, EveryFileReachesTheDiskBeforeItsRenameAndTheFolderAfter) {
  if (!fs::exists("/usr/bin/strace")) GTEST_SKIP() << "strace is not installed";
  temp_folder dir;
  const fs::path programma = copia_programma(dir.path());
  const fs::path traccia = dir.path() / "syscalls.txt";
  // The leak checker cannot work under a tracer; everything else of a
  // sanitizer build still runs.
  std::vector<std::string> ambiente = test_util::environment_without({"DISPLAY", "WAYLAND_DISPLAY", "ASAN_OPTIONS"});
  ambiente.push_back("ASAN_OPTIONS=detect_leaks=0:abort_on_error=1");
  const auto r = run_process({"/usr/bin/strace", "-f", "-y", "-qq", "-o", traccia.string(), "-e",
                              "trace=fsync,fdatasync,rename,renameat,renameat2", programma.string()},
                             {}, ambiente);
  ASSERT_EQ(r.status, 0) << r.err;
  // The line data file is flushed on a thread of its own.
  const std::string chiamate = chiamate_intere(test_util::read_file(traccia));
  fs::remove(traccia);
  // Every final file but the sources (deleted within the run: they are
  // never flushed) ...
  for (const std::string& nome : nomi_della_corsa(identita_incorporata())) {
    SCOPED_TRACE(nome);
    const std::regex sync("fsync\\(\\d+</[^>]*/\\." + std::regex_replace(nome, std::regex(R"(\.)"), R"(\.)") +
                          R"(\.tmp-[0-9a-f]{16}>\) = 0)");
    std::smatch s;
    if (nome.ends_with("_linea.txt") || nome.ends_with("-.txt")) {
      EXPECT_FALSE(std::regex_search(chiamate, s, sync)) << chiamate;
      continue;
    }
    ASSERT_TRUE(std::regex_search(chiamate, s, sync)) << chiamate;
    const auto rinomina = chiamate.find("/" + nome + "\"", static_cast<std::size_t>(s.position(0)));
    ASSERT_NE(rinomina, std::string::npos) << "renamed after its flush";
    // ... and the folder is flushed after the renames.
    const auto cartella = chiamate.find("fsync(", rinomina);
    ASSERT_NE(cartella, std::string::npos);
    const std::string riga = chiamate.substr(cartella, chiamate.find('\n', cartella) - cartella);
    std::string atteso = "<";
    atteso += dir.path().string();
    atteso += ">) = 0";
    EXPECT_NE(riga.find(atteso), std::string::npos) << riga;
  }
}

}  // namespace
}  // namespace scen
