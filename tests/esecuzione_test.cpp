// The run sequence on a folder: what it writes, replaces and leaves alone,
// and how it ends.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/esecuzione.h"
#include "model/nomi_file.h"
#include "test_util.h"
#include "writers/testi.h"

namespace scen {
namespace {

namespace fs = std::filesystem;

class finestra_muta final : public finestra {
 public:
  void mostra_attendere() override { ++attese; }
  std::int32_t messaggio(std::string_view testo) override {
    messaggi.emplace_back(testo);
    return 1;
  }
  int attese = 0;
  std::vector<std::string> messaggi;
};

const identita id = identita_incorporata();

std::vector<std::string> binari() { return {nome_file_linea(id), nome_file_sommario(id), nome_file_percorso(id)}; }

TEST(RunSequence, EmbeddedRunIsCleanAndQuiet) {
  test_util::cartella_temporanea tmp;
  cartella dove(tmp.path());
  finestra_muta f;
  uscita_in_stringa err;
  EXPECT_EQ(esegui_scenario(dove, f, err), stato_uscita::pulito);
  EXPECT_EQ(err.testo(), "");
  EXPECT_EQ(f.attese, 1);
  EXPECT_TRUE(f.messaggi.empty());
  EXPECT_FALSE(dove.esiste(nome_sorgente_linea(id)));
  EXPECT_FALSE(dove.esiste(nome_sorgente_treno(id)));
  for (const auto& n : binari()) EXPECT_TRUE(dove.esiste(n)) << n;
}

TEST(RunSequence, ASecondRunOverLongerFilesLeavesExactlyTheNewBytes) {
  test_util::cartella_temporanea pulita, sporca;
  finestra_muta f;
  uscita_in_stringa err;
  cartella a(pulita.path());
  ASSERT_EQ(esegui_scenario(a, f, err), 0);
  for (const auto& e : fs::directory_iterator(pulita.path())) {
    test_util::scrivi_file(sporca.path() / e.path().filename(), std::string(3'000'000, 'z'));
  }
  cartella b(sporca.path());
  ASSERT_EQ(esegui_scenario(b, f, err), 0);
  for (const auto& e : fs::directory_iterator(pulita.path())) {
    EXPECT_EQ(test_util::leggi_file(e.path()), test_util::leggi_file(sporca.path() / e.path().filename()))
        << e.path().filename();
  }
}

TEST(RunSequence, WithoutThePlanViewTheLineDataFileIsLeftUntouched) {
  test_util::cartella_temporanea tmp;
  cartella dove(tmp.path());
  dove.scrivi(nome_file_linea(id), "earlier line data");
  dove.scrivi(nome_sorgente_linea(id), testo_linea());
  dove.scrivi(nome_sorgente_treno(id), testo_treno());
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  sorgenti_in_cartella s(dove, id);
  finestra_muta f;
  const auto esito = memorizza_percorso(m, 0, id, s, dove, f);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(esito.scritti, (std::vector<std::string>{nome_file_sommario(id), nome_file_percorso(id)}));
  EXPECT_EQ(test_util::leggi_file(tmp.path() / nome_file_linea(id)), "earlier line data");
}

TEST(RunSequence, NoTrackCellsEndsThroughErroreWithTheCode) {
  // The route source is missing: code 101, no cells, nothing to store.
  test_util::cartella_temporanea tmp;
  cartella dove(tmp.path());
  modello m;
  sorgenti_in_memoria s(std::nullopt, testo_treno());
  finestra_muta f;
  try {
    memorizza_percorso(m, 1, id, s, dove, f);
    FAIL() << "the run should end through errore";
  } catch (const fine_fatale& fine) {
    EXPECT_EQ(fine.testo, "101");
    EXPECT_EQ(fine.compilazione.codice, 101) << "a fatal end carries what the compile step left";
    EXPECT_EQ(fine.compilazione.luogo.file, luogo_errore::sorgente::nessuna);
  }
  EXPECT_EQ(f.messaggi, std::vector<std::string>{" Errore n. 101"});
  EXPECT_TRUE(s.esiste_treno()) << "the train source is left in place after a route error";
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(RunSequence, ASecondLengthLineOverTheLimitKeepsTheFirstCellsAndTheRunGoesOn) {
  test_util::cartella_temporanea tmp;
  cartella dove(tmp.path());
  std::string route = testo_linea();
  const std::string riga = "lunghezza percorso,    85000\r\n";
  route.insert(route.find(riga) + riga.size(), "lunghezza percorso,    1000001\r\n");
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  sorgenti_in_memoria s(route, testo_treno());
  finestra_muta f;
  const auto esito = memorizza_percorso(m, 1, id, s, dove, f);
  EXPECT_EQ(m.codice_errore, 1);
  EXPECT_EQ(esito.scritti.size(), 3u);
  EXPECT_EQ(fs::file_size(tmp.path() / nome_file_percorso(id)), 27615u);
}

TEST(RunSequence, TheEndOfARun) {
  modello m;
  uscita_in_stringa err;
  EXPECT_EQ(concludi(m, err), 0);
  EXPECT_EQ(err.testo(), "");
  m.codice_errore = 8;
  m.posizione_errore = 36725;
  EXPECT_EQ(concludi(m, err), 1);
  EXPECT_EQ(err.testo(), "scenario: error 8 at 36725 m: station position 36725 m is not a multiple of 50 m\n");
}

TEST(RunSequence, APlatformFailurePassesThroughTheRunNamingTheFile) {
  test_util::cartella_temporanea tmp;
  cartella dove(tmp.path());
  dove.guasta_dopo_byte(100);
  finestra_muta f;
  uscita_in_stringa err;
  try {
    esegui_scenario(dove, f, err);
    FAIL() << "the first write should fail";
  } catch (const guasto_piattaforma& g) {
    EXPECT_EQ(g.file(), tmp.path() / nome_sorgente_linea(id));
  }
  EXPECT_TRUE(fs::is_empty(tmp.path())) << "nothing half written under a final name";
}

}  // namespace
}  // namespace scen
