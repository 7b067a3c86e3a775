// The run sequence on a folder: what it writes, replaces and leaves alone,
// and how it ends.
#include <gtest/gtest.h>

#include <filesystem>

#include "embedded/testi.h"
#include "model/nomi_file.h"
#include "run/pipeline.h"
#include "support/files.h"
#include "support/sources.h"

namespace scen {
namespace {

namespace fs = std::filesystem;

const identita id = identita_incorporata();

std::vector<std::string> binari() { return {nome_file_linea(id), nome_file_sommario(id), nome_file_percorso(id)}; }

TEST(RunSequence, EmbeddedRunIsCleanAndQuiet) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  modello m;
  const esito_percorso esito = esegui_scenario(dove, m);
  EXPECT_FALSE(esito.fatale);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(riga_errore_finale(m), "");
  EXPECT_FALSE(dove.exists(nome_sorgente_linea(id)));
  EXPECT_FALSE(dove.exists(nome_sorgente_treno(id)));
  for (const auto& n : binari()) EXPECT_TRUE(dove.exists(n)) << n;
}

TEST(RunSequence, ASecondRunOverLongerFilesLeavesExactlyTheNewBytes) {
  test_util::temp_folder pulita, sporca;
  folder a(pulita.path());
  modello ma;
  ASSERT_FALSE(esegui_scenario(a, ma).fatale);
  for (const auto& e : fs::directory_iterator(pulita.path())) {
    test_util::write_file(sporca.path() / e.path().filename(), std::string(3'000'000, 'z'));
  }
  folder b(sporca.path());
  modello mb;
  ASSERT_FALSE(esegui_scenario(b, mb).fatale);
  for (const auto& e : fs::directory_iterator(pulita.path())) {
    EXPECT_EQ(test_util::read_file(e.path()), test_util::read_file(sporca.path() / e.path().filename()))
        << e.path().filename();
  }
}

TEST(RunSequence, WithoutThePlanViewTheLineDataFileIsLeftUntouched) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  dove.write(nome_file_linea(id), "earlier line data");
  dove.write(nome_sorgente_linea(id), testo_linea());
  dove.write(nome_sorgente_treno(id), testo_treno());
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  sorgenti_in_cartella s(dove, id);
  const auto esito = memorizza_percorso(m, 0, id, s, dove);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(esito.scritti, (std::vector<std::string>{nome_file_sommario(id), nome_file_percorso(id)}));
  EXPECT_EQ(test_util::read_file(tmp.path() / nome_file_linea(id)), "earlier line data");
}

TEST(RunSequence, NoTrackCellsEndsThroughErroreWithTheCode) {
  // The route source is missing: code 101, no cells, nothing to store.
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  modello m;
  sorgenti_in_memoria s(std::nullopt, testo_treno());
  const esito_percorso esito = memorizza_percorso(m, 1, id, s, dove);
  ASSERT_TRUE(esito.fatale.has_value()) << "the run should end through errore";
  EXPECT_EQ(*esito.fatale, "101");
  EXPECT_EQ(testo_fatale(*esito.fatale), " Errore n. 101");
  EXPECT_EQ(esito.compilazione.codice, 101) << "a fatal end carries what the compile step left";
  EXPECT_EQ(esito.compilazione.luogo.file, luogo_errore::sorgente::nessuna);
  EXPECT_TRUE(esito.scritti.empty());
  EXPECT_TRUE(s.esiste_treno()) << "the train source is left in place after a route error";
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(RunSequence, ASecondLengthLineOverTheLimitKeepsTheFirstCellsAndTheRunGoesOn) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  std::string route = testo_linea();
  const std::string riga = "lunghezza percorso,    85000\r\n";
  route.insert(route.find(riga) + riga.size(), "lunghezza percorso,    1000001\r\n");
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  sorgenti_in_memoria s(route, testo_treno());
  const auto esito = memorizza_percorso(m, 1, id, s, dove);
  EXPECT_EQ(m.codice_errore, 1);
  EXPECT_EQ(esito.scritti.size(), 3u);
  EXPECT_EQ(fs::file_size(tmp.path() / nome_file_percorso(id)), 27615u);
}

TEST(RunSequence, TheEndOfARun) {
  modello m;
  EXPECT_EQ(riga_errore_finale(m), "");
  m.codice_errore = 8;
  m.posizione_errore = 36725;
  EXPECT_EQ(riga_errore_finale(m),
            "scenario: error 8 at 36725 m: station position 36725 m is not a multiple of 50 m\n");
}

TEST(RunSequence, APlatformFailurePassesThroughTheRunNamingTheFile) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  dove.fail_after_bytes(100);
  try {
    modello m;
    esegui_scenario(dove, m);
    FAIL() << "the first write should fail";
  } catch (const platform_error& g) {
    EXPECT_EQ(g.file(), tmp.path() / nome_sorgente_linea(id));
  }
  EXPECT_TRUE(fs::is_empty(tmp.path())) << "nothing half written under a final name";
}

// The line data file is written while the compile runs; an end that writes
// no file must still leave none, and no temporary, whatever was written. A
// deceleration mark on cell 1 takes the marker's place: the run ends through
// errore after the whole plan view was compiled. On the long route the
// writer is usually still at work then (it gives up), on the short one
// usually done (its file is removed): each is run a few times.
TEST(RunSequence, EndsThatWriteNoFileLeaveNoLineDataTemporary) {
  const auto con_abbattimento = [](std::string treno) {
    return treno.insert(treno.rfind("[fine]"), "abbattimento,     50,   180\r\n");
  };
  struct caso {
    const char* nome;
    std::string linea, treno;
  };
  const caso casi[] = {
      {"85 km", testo_linea(), con_abbattimento(testo_treno())},
      {"10 km", test_util::join_crlf(test_util::linea_piccola()),
       con_abbattimento(test_util::join_crlf(test_util::treno_piccolo()))},
  };
  for (const caso& c : casi) {
    for (int volta = 0; volta < 5; ++volta) {
      SCOPED_TRACE(c.nome);
      test_util::temp_folder tmp;
      folder dove(tmp.path());
      modello m;
      m.nome_linea = id.nome_linea;
      m.nome_treno = id.nome_treno;
      sorgenti_in_memoria s(c.linea, c.treno);
      const esito_percorso esito = memorizza_percorso(m, 1, id, s, dove);
      ASSERT_TRUE(esito.fatale.has_value());
      EXPECT_EQ(*esito.fatale, "1250");
      EXPECT_TRUE(esito.scritti.empty());
      EXPECT_TRUE(fs::is_empty(tmp.path())) << "no binary file and no temporary";
    }
  }
}

TEST(RunSequence, ALineDataFileThatCannotBeWrittenFailsTheRunAfterTheCompile) {
  test_util::temp_folder tmp;
  fs::create_directory(tmp.path() / nome_file_linea(id));
  folder dove(tmp.path());
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  sorgenti_in_memoria s(testo_linea(), testo_treno());
  try {
    memorizza_percorso(m, 1, id, s, dove);
    FAIL() << "the line data file cannot replace a folder";
  } catch (const platform_error& g) {
    EXPECT_EQ(g.file(), tmp.path() / nome_file_linea(id));
  }
  EXPECT_EQ(m.codice_errore, 0) << "the compile ran to its end";
  EXPECT_TRUE(m.percorso.has_value());
  EXPECT_EQ(test_util::folder_entries(tmp.path()),
            (std::map<std::string, std::string>{{nome_file_linea(id), "(not a file)"}}))
      << "neither of the other two files, no temporary";
}

// The marker step inside memorizza_percorso: a compile that leaves no track
// cells ends the run through its fatal text, before any binary file.
TEST(MarkerStep, NoTrackCellsAfterCompilingEndsThroughErrore) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  modello m;
  sorgenti_in_memoria s(std::nullopt, std::nullopt);  // no route source: code 101 once the compiler runs
  m.codice_errore = 0;
  const esito_percorso esito = memorizza_percorso(m, 1, identita_incorporata(), s, dove);
  ASSERT_TRUE(esito.fatale.has_value());
  EXPECT_EQ(*esito.fatale, "101");
  EXPECT_EQ(testo_fatale(*esito.fatale), " Errore n. 101");
  EXPECT_TRUE(esito.scritti.empty());
  EXPECT_TRUE(std::filesystem::is_empty(tmp.path())) << "no binary file is written";
}

}  // namespace
}  // namespace scen
