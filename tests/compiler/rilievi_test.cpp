// Findings about sources: each mistake an author makes by hand gives its
// finding at the right place, in the compile's mode and in the check's.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "compiler/compilatore.h"
#include "compiler/rilievi.h"
#include "compiler/sorgenti.h"
#include "model/nomi_file.h"
#include "support/source_mistakes.h"

namespace scen {
namespace {

using test_util::casi;
using test_util::caso;
using test_util::sorgenti_di;

const identita id_inc = identita_incorporata();

class Findings : public ::testing::TestWithParam<caso> {};

const rilievo* cerca(const std::vector<rilievo>& rr, const caso& c) {
  for (const rilievo& r : rr) {
    const bool livello = (r.livello == gravita::errore) == (std::string(c.livello) == "error");
    const bool codice = c.codice < 0 ? !r.codice : (r.codice && *r.codice == c.codice);
    // The words may stand in the message or in its suggestion.
    const std::string testo = r.messaggio + (r.aiuto ? "\nhelp: " + *r.aiuto : "");
    if (livello && codice && testo.find(c.parole) != std::string::npos) return &r;
  }
  return nullptr;
}

std::string elenco(const std::vector<rilievo>& rr) {
  std::string out;
  for (const rilievo& r : rr) {
    out += std::to_string(r.dove.riga) + ":" + std::to_string(r.dove.colonna) + " " + r.messaggio + "\n";
  }
  return out;
}

TEST_P(Findings, TheMistakeGivesItsFindingInBothModes) {
  const caso& c = GetParam();
  const auto [linea, treno] = sorgenti_di(c);
  for (const modo_analisi modo : {modo_analisi::come_compilazione, modo_analisi::verifica}) {
    modello m;
    m.nome_linea = id_inc.nome_linea;
    m.nome_treno = id_inc.nome_treno;
    m.scrivi_linea = 1;
    const esito_analisi a = analizza_sorgenti(m, linea, treno, modo);
    const rilievo* r = cerca(a.rilievi, c);
    ASSERT_NE(r, nullptr) << "no finding with \"" << c.parole << "\"; found:\n" << elenco(a.rilievi);
    EXPECT_EQ(r->dove.file, c.nel_treno ? luogo_errore::sorgente::treno : luogo_errore::sorgente::linea);
    EXPECT_EQ(r->dove.riga, c.riga_attesa) << r->messaggio;
    if (c.colonna_attesa > 0) {
      EXPECT_EQ(r->dove.colonna, c.colonna_attesa) << r->messaggio;
    }
  }
}

// Collecting findings never changes what the compile stores: for every case
// of the table the model compiled with findings is the one compiled without.
TEST_P(Findings, TheModelIsTheSameWithAndWithoutFindings) {
  const caso& c = GetParam();
  const auto [linea, treno] = sorgenti_di(c);
  const auto nuovo = [] {
    modello m;
    m.nome_linea = id_inc.nome_linea;
    m.nome_treno = id_inc.nome_treno;
    m.scrivi_linea = 1;
    return m;
  };
  modello con = nuovo();
  analizza_sorgenti(con, linea, treno, modo_analisi::come_compilazione);
  modello senza = nuovo();
  sorgenti_in_memoria s(linea, treno);
  memorizza_dati(senza, s);
  EXPECT_EQ(con.codice_errore, senza.codice_errore);
  EXPECT_EQ(con.posizione_errore, senza.posizione_errore);
  EXPECT_TRUE(con.stazioni == senza.stazioni);
  EXPECT_TRUE(con.percorso == senza.percorso);
  EXPECT_TRUE(con.planimetria == senza.planimetria);
}

esito_analisi analizza(const caso& c, modo_analisi modo, selezione_avvisi scelta = {}) {
  const auto [linea, treno] = sorgenti_di(c);
  modello m;
  m.nome_linea = id_inc.nome_linea;
  m.nome_treno = id_inc.nome_treno;
  m.scrivi_linea = 1;
  return analizza_sorgenti(m, linea, treno, modo, std::move(scelta));
}

std::size_t quanti(const std::vector<rilievo>& rr, tipo_avviso t, gravita g) {
  return static_cast<std::size_t>(
      std::count_if(rr.begin(), rr.end(), [&](const rilievo& r) { return r.avviso == t && r.livello == g; }));
}

// Every path that makes a warning goes through the selection: the kind of
// each mistake's warning left out leaves the other findings alone, and made
// an error turns each of its warnings into an error.
TEST(FindingSelection, EveryWarningFollowsTheSelectionOfItsKind) {
  for (const caso& c : casi()) {
    if (std::string(c.livello) != "warning") continue;
    SCOPED_TRACE(c.nome);
    for (const modo_analisi modo : {modo_analisi::come_compilazione, modo_analisi::verifica}) {
      const esito_analisi a = analizza(c, modo);
      const rilievo* r = cerca(a.rilievi, c);
      ASSERT_NE(r, nullptr) << elenco(a.rilievi);
      ASSERT_TRUE(r->avviso.has_value()) << r->messaggio;
      const tipo_avviso tipo = *r->avviso;
      const std::size_t n = quanti(a.rilievi, tipo, gravita::avviso);

      selezione_avvisi taci;
      taci.scegli(tipo, trattamento_avviso::taciuto);
      const esito_analisi senza = analizza(c, modo, taci);
      EXPECT_EQ(quanti(senza.rilievi, tipo, gravita::avviso) + quanti(senza.rilievi, tipo, gravita::errore), 0u);
      EXPECT_EQ(senza.rilievi.size(), a.rilievi.size() - n) << elenco(senza.rilievi);

      selezione_avvisi errore;
      errore.scegli(tipo, trattamento_avviso::errore);
      const esito_analisi come_errore = analizza(c, modo, errore);
      EXPECT_EQ(quanti(come_errore.rilievi, tipo, gravita::errore), n);
      EXPECT_EQ(quanti(come_errore.rilievi, tipo, gravita::avviso), 0u);
      EXPECT_EQ(come_errore.rilievi.size(), a.rilievi.size());
    }
  }
}

// A source copied incompletely: cut inside a line it is told at that line;
// a complete last line without a line end is not a cut.
struct taglio {
  const char* nome;
  std::string coda;  // appended to the train fixture's first 13 lines
  int riga;          // line of the cut-off finding, 0: none
  const char* parole;
};

TEST(Findings, ASourceCutOffIsToldWhereItEnds) {
  std::string inizio;
  const auto righe = test_util::treno_piccolo();
  for (std::size_t i = 0; i < 13; ++i) inizio += righe[i] + "\r\n";
  const std::vector<taglio> casi{
      {"inside_a_number", "stazione,    5000, 12,  6", 14, "just after the number 6"},
      {"inside_a_name", "stazione,    5000, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, LUN", 14,
       "ends inside line 14"},
      {"inside_a_key", "staz", 14, "ends inside line 14"},
      {"fine_without_line_end", "[fine]", 0, nullptr},
  };
  for (const taglio& t : casi) {
    for (const modo_analisi modo : {modo_analisi::come_compilazione, modo_analisi::verifica}) {
      modello m;
      m.nome_linea = id_inc.nome_linea;
      m.nome_treno = id_inc.nome_treno;
      m.scrivi_linea = 1;
      const esito_analisi a =
          analizza_sorgenti(m, test_util::join_crlf(test_util::linea_piccola()), inizio + t.coda, modo);
      const rilievo* r = nullptr;
      for (const rilievo& x : a.rilievi) {
        if (x.avviso == tipo_avviso::sorgente_troncata) r = &x;
      }
      if (t.riga == 0) {
        EXPECT_EQ(r, nullptr) << t.nome << ":\n" << elenco(a.rilievi);
        continue;
      }
      ASSERT_NE(r, nullptr) << t.nome << ":\n" << elenco(a.rilievi);
      EXPECT_EQ(r->dove.file, luogo_errore::sorgente::treno) << t.nome;
      EXPECT_EQ(r->dove.riga, t.riga) << t.nome;
      EXPECT_NE(r->messaggio.find(t.parole), std::string::npos) << t.nome << ": " << r->messaggio;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Mistakes, Findings, ::testing::ValuesIn(casi()),
                         [](const ::testing::TestParamInfo<caso>& i) { return std::string(i.param.nome); });

}  // namespace
}  // namespace scen
