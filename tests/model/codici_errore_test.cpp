// The error table against the model's measures: the texts that name a
// measure name the one the compile uses, and the code pass's codes are the
// table's.
#include "model/codici_errore.h"

#include <gtest/gtest.h>

#include <string>

#include "model/misure.h"
#include "model/modello.h"

namespace scen {
namespace {

TEST(ErrorTable, TextsThatNameAMeasureNameTheModelsOwn) {
  struct caso {
    std::int32_t codice;
    std::int32_t misura;
  };
  for (const caso c : {caso{1, lunghezza_massima}, caso{2, metri_cella}, caso{3, metri_cella}, caso{8, metri_cella},
                       caso{15, margine_fine}, caso{15, margine_fine_stazione}, caso{22, distanza_minima_stazioni}}) {
    const std::string testo = messaggio_errore(c.codice, 0);
    EXPECT_NE(testo.find(std::to_string(c.misura) + " m"), std::string::npos) << c.codice << ": " << testo;
  }
}

TEST(ErrorTable, TheCodePassCodesAreInTheTableAndNoOthersCountAsItsOwn) {
  for (const voce_errore& e : tabella_errori()) {
    const bool del_passo = e.codice == codice_passo::prima_segnale || e.codice == codice_passo::avvicinamento ||
                           e.codice == codice_passo::rallentamento;
    EXPECT_EQ(del_passo_codici(e.codice), del_passo) << e.codice;
    if (del_passo) {
      EXPECT_TRUE(e.con_posizione) << e.codice;
    }
  }
  for (const std::int32_t c : {codice_passo::prima_segnale, codice_passo::avvicinamento, codice_passo::rallentamento}) {
    EXPECT_NE(cerca_errore(c), nullptr) << c;
  }
}

TEST(StationEntries, AnEntryHoldsAStationWhenItHoldsMoreThanAName) {
  EXPECT_FALSE(e_stazione(stazione{}));
  EXPECT_FALSE(e_stazione(stazione{.nome = "TESTO DI UNA TABELLA"}));
  EXPECT_TRUE(e_stazione(stazione{.tipo = 1, .nome = ""}));
  EXPECT_TRUE(e_stazione(stazione{.nome = "", .orario = 1}));
}

}  // namespace
}  // namespace scen
