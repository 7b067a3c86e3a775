// Faults of the platform during a run: a folder that cannot be written, a
// source that cannot be deleted, a write that fails half way (through the
// folder's seam and on a real full file system). Each ends the run with the
// file named and the reason given, and never leaves a file under a final name
// that is not complete.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "compiler/sorgenti.h"
#include "embedded/scrittori.h"
#include "embedded/testi.h"
#include "model/nomi_file.h"
#include "platform/exit_status.h"
#include "platform/folder.h"
#include "platform/folder_lock.h"
#include "run/pipeline.h"
#include "support/child_process.h"
#include "support/files.h"
#include "support/immutable.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::temp_folder;

std::string motivo(int e) { return std::strerror(e); }

// Every file of a folder by name, with its bytes.
std::map<std::string, std::string> contenuto(const fs::path& dir) {
  std::map<std::string, std::string> r;
  for (const auto& voce : fs::directory_iterator(dir)) {
    if (voce.is_regular_file()) r[voce.path().filename().string()] = test_util::read_file(voce.path());
  }
  return r;
}

// The complete bytes of every file a run may leave under a final name, and
// the order the run writes them in.
struct riferimento {
  std::map<std::string, std::string> byte;
  std::vector<std::string> ordine;
};

const riferimento& corsa_pulita() {
  static const riferimento r = [] {
    temp_folder dir;
    folder dove(dir.path());
    modello m;
    const esito_percorso esito = esegui_scenario(dove, m);
    if (esito.fatale || m.codice_errore != 0) throw std::runtime_error("clean run failed");
    riferimento x;
    x.byte = contenuto(dir.path());
    const identita id = identita_incorporata();
    x.byte[nome_sorgente_linea(id)] = testo_linea();
    x.byte[nome_sorgente_treno(id)] = testo_treno();
    x.ordine = {nome_sorgente_linea(id), nome_sorgente_treno(id), nome_note(id),          nome_rallentamenti(id),
                nome_scheda(id),         nome_file_linea(id),     nome_file_sommario(id), nome_file_percorso(id)};
    return x;
  }();
  return r;
}

// Every file left in `dir` (but `tranne`) carries a final name and is complete.
void nessun_file_a_meta(const fs::path& dir, const std::vector<std::string>& tranne = {}) {
  const riferimento& rif = corsa_pulita();
  for (const auto& [nome, byte] : contenuto(dir)) {
    if (std::find(tranne.begin(), tranne.end(), nome) != tranne.end()) continue;
    SCOPED_TRACE(nome);
    ASSERT_TRUE(rif.byte.contains(nome)) << "a file that no run writes, or a temporary file left behind";
    EXPECT_TRUE(byte == rif.byte.at(nome))
        << "under its final name but not complete (" << byte.size() << " of " << rif.byte.at(nome).size() << " bytes)";
  }
}

using test_util::immutable;

// A tmpfs of `byte` bytes mounted on a folder of its own, the real full disk.
class disco_piccolo {
 public:
  explicit disco_piccolo(std::size_t byte) {
    const std::string opzioni = "size=" + std::to_string(byte) + ",mode=0755";
    montato_ = ::mount("tmpfs", dir_.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, opzioni.c_str()) == 0;
    if (!montato_) errore_ = motivo(errno);
  }
  ~disco_piccolo() {
    if (montato_) ::umount2(dir_.path().c_str(), MNT_DETACH);
  }
  disco_piccolo(const disco_piccolo&) = delete;
  disco_piccolo& operator=(const disco_piccolo&) = delete;
  bool montato() const { return montato_; }
  const std::string& errore() const { return errore_; }
  const fs::path& path() const { return dir_.path(); }

 private:
  temp_folder dir_;
  bool montato_ = false;
  std::string errore_;
};

// The run in `dir`, expected to end with a platform failure.
std::optional<platform_error> corsa_con_guasto(folder& dove) {
  try {
    modello m;
    esegui_scenario(dove, m);
  } catch (const platform_error& g) {
    return g;
  }
  return std::nullopt;
}

// ---- a write that fails half way, through the folder's seam -------------

// The first file in run order larger than `n` bytes is the one that fails.
std::optional<std::string> primo_oltre(std::size_t n) {
  const riferimento& rif = corsa_pulita();
  for (const std::string& nome : rif.ordine) {
    if (rif.byte.at(nome).size() > n) return nome;
  }
  return std::nullopt;
}

TEST(PlatformFaults, AWriteFailingAtByteNNamesItsFileAndLeavesNoFinalNameHalfWritten) {
  const riferimento& rif = corsa_pulita();
  std::vector<std::size_t> soglie{0, 1, 100, 4096};
  for (const std::string& nome : rif.ordine) {
    soglie.push_back(rif.byte.at(nome).size() - 1);
    soglie.push_back(rif.byte.at(nome).size() / 2);
  }
  for (std::size_t n : soglie) {
    const std::optional<std::string> atteso = primo_oltre(n);
    if (!atteso) continue;
    SCOPED_TRACE("fails after byte " + std::to_string(n) + ", in " + *atteso);
    temp_folder dir;
    folder dove(dir.path());
    dove.fail_after_bytes(n);
    const auto g = corsa_con_guasto(dove);
    ASSERT_TRUE(g.has_value()) << "the run did not fail";
    EXPECT_EQ(g->file(), dir.path() / *atteso);
    EXPECT_EQ(g->reason(), motivo(ENOSPC));
    nessun_file_a_meta(dir.path());
    EXPECT_FALSE(fs::exists(dir.path() / *atteso)) << "the failing file must not appear under its name";
  }
}

// A file from an earlier run stays whole when its replacement fails.
TEST(PlatformFaults, AFailedReplacementKeepsTheEarlierFileWhole) {
  temp_folder dir;
  {
    folder dove(dir.path());
    modello m;
    ASSERT_FALSE(esegui_scenario(dove, m).fatale);
    ASSERT_EQ(m.codice_errore, 0);
  }
  const auto prima = contenuto(dir.path());
  folder dove(dir.path());
  dove.fail_after_bytes(corsa_pulita().byte.at(nome_file_linea(identita_incorporata())).size() / 2);
  ASSERT_TRUE(corsa_con_guasto(dove).has_value());
  const auto dopo = contenuto(dir.path());
  for (const auto& [nome, byte] : prima) {
    SCOPED_TRACE(nome);
    ASSERT_TRUE(dopo.contains(nome));
    EXPECT_TRUE(dopo.at(nome) == byte);
  }
  nessun_file_a_meta(dir.path());
}

// ---- a folder that cannot be written --------------------------------------

TEST(PlatformFaults, AFolderThatCannotBeWrittenStopsTheRunAtItsFirstFile) {
  temp_folder dir;
  immutable bloccata(dir.path());
  if (!bloccata.on()) GTEST_SKIP() << "this file system has no immutable flag";
  folder dove(dir.path());
  const auto g = corsa_con_guasto(dove);
  ASSERT_TRUE(g.has_value());
  EXPECT_EQ(g->file(), dir.path() / nome_sorgente_linea(identita_incorporata()));
  EXPECT_EQ(g->reason(), motivo(EPERM));
  EXPECT_TRUE(contenuto(dir.path()).empty());
}

// ---- a source that cannot be deleted ---------------------------------------

// The compile step reads a source and deletes it; a deletion that fails is a
// failure of the platform, not an error of the sources: it passes through the
// compile step (no code 25) and no binary file is written.
TEST(PlatformFaults, ASourceThatCannotBeDeletedNamesTheSource) {
  const identita id = identita_incorporata();
  for (const std::string& bloccato : {nome_sorgente_linea(id), nome_sorgente_treno(id)}) {
    SCOPED_TRACE(bloccato);
    temp_folder dir;
    folder dove(dir.path());
    dati_linea(dove, id);
    dati_treno(dove, id);
    immutable fermo(dir.path() / bloccato);
    if (!fermo.on()) GTEST_SKIP() << "this file system has no immutable flag";

    modello m;
    m.nome_linea = id.nome_linea;
    m.nome_treno = id.nome_treno;
    sorgenti_in_cartella s(dove, id);
    try {
      memorizza_percorso(m, 1, id, s, dove);
      ADD_FAILURE() << "the run went on past a source it could not delete";
    } catch (const platform_error& g) {
      EXPECT_EQ(g.file(), dir.path() / bloccato);
      EXPECT_EQ(g.reason(), motivo(EPERM));
    }
    EXPECT_EQ(m.codice_errore, 0) << "a platform failure is not a compile error";
    for (const std::string& binario : {nome_file_linea(id), nome_file_sommario(id), nome_file_percorso(id)}) {
      EXPECT_FALSE(dove.exists(binario)) << binario;
    }
    nessun_file_a_meta(dir.path());
  }
}

// ---- a real full file system -----------------------------------------------

TEST(PlatformFaults, ARealFullFileSystemNamesTheFileThatDidNotFit) {
  // Sizes that run out in the sources, in the documents and in the line data file.
  for (std::size_t byte : {std::size_t{8} << 10, std::size_t{64} << 10, std::size_t{1} << 20}) {
    SCOPED_TRACE(std::to_string(byte) + " bytes");
    disco_piccolo disco(byte);
    if (!disco.montato()) GTEST_SKIP() << "cannot mount a tmpfs here: " << disco.errore();
    folder dove(disco.path());
    const auto g = corsa_con_guasto(dove);
    ASSERT_TRUE(g.has_value()) << "the run fitted";
    EXPECT_EQ(g->file().parent_path(), disco.path());
    EXPECT_EQ(g->reason(), motivo(ENOSPC));
    EXPECT_FALSE(fs::exists(g->file())) << "the file that did not fit must not appear under its name";
    nessun_file_a_meta(disco.path());
  }
}

// ---- the program itself: message and exit status 2 --------------------------

// The built program copied into `dir`, as a user would place it.
fs::path copia_programma(const fs::path& dir) {
  const fs::path programma = dir / "scenario";
  fs::copy_file(SCENARIO_EXE, programma);
  fs::permissions(programma, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
  return programma;
}

TEST(PlatformFaults, TheProgramInAFolderItCannotWriteExitsWith2NamingTheFile) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
  if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "setpriv (util-linux) is not installed";
  temp_folder dir;
  fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
  const fs::path programma = copia_programma(dir.path());
  // The program runs as nobody: the folder is root's, so it cannot create a
  // file there, its lock file first.
  const auto r = test_util::run_process(
      {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", programma.string()}, {},
      test_util::environment_without_display());
  EXPECT_EQ(r.status, exit_status::failure) << r.err;
  const fs::path file = dir.path() / std::string(folder_lock::file_name);
  EXPECT_NE(r.err.find(file.string() + ": " + motivo(EACCES)), std::string::npos) << r.err;
  nessun_file_a_meta(dir.path(), {"scenario"});
}

TEST(PlatformFaults, TheProgramOnAFullFileSystemExitsWith2NamingTheFile) {
  const std::size_t programma_byte = fs::file_size(SCENARIO_EXE);
  // Room for the program and a few of its files, not for the line data file.
  disco_piccolo disco(programma_byte + (std::size_t{256} << 10));
  if (!disco.montato()) GTEST_SKIP() << "cannot mount a tmpfs here: " << disco.errore();
  const fs::path programma = copia_programma(disco.path());
  const auto r = test_util::run_process({programma.string()}, {}, test_util::environment_without_display());
  EXPECT_EQ(r.status, exit_status::failure) << r.err;
  EXPECT_NE(r.err.find(disco.path().string() + "/"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(": " + motivo(ENOSPC)), std::string::npos) << r.err;
  nessun_file_a_meta(disco.path(), {"scenario"});
}

}  // namespace
}  // namespace scen
