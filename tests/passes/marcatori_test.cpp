// The marker and check-code step on a hand-made model.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "model/modello.h"
#include "passes/codici_gara.h"
#include "passes/marcatori.h"

namespace scen {
namespace {

modello con_celle(int n) {
  modello m;
  m.percorso.emplace(static_cast<std::size_t>(n));
  m.stazioni[voce::linea].nome = "Ardena_VelmoraCle";
  m.stazioni[voce::treno].nome = "4713";
  return m;
}

TEST(MarkerStep, StampsMarkersAndCodes) {
  modello m = con_celle(10);
  EXPECT_EQ(timbra_marcatori(m), std::nullopt);
  EXPECT_EQ((*m.percorso)[1].valore1, 5121);
  EXPECT_EQ((*m.percorso)[1].valore2, codice_gara_og("4713", "Ardena_VelmoraCle"));
  EXPECT_EQ(m.stazioni[85].gruppo_a1, 610);
  EXPECT_EQ(m.stazioni[85].orario, codice_gara_st("4713", "Ardena_VelmoraCle"));
}

TEST(MarkerStep, UsedSlotsGiveTheFatalTexts) {
  struct caso {
    const char* nome;
    void (*prepara)(modello&);
    const char* atteso;
  };
  const caso casi[] = {
      {"cell 1 valore1", [](modello& m) { (*m.percorso)[1].valore1 = 180; }, "1250"},
      {"entry 85 gruppo_a1", [](modello& m) { m.stazioni[85].gruppo_a1 = 1; }, "1250"},
      {"cell 1 valore2", [](modello& m) { (*m.percorso)[1].valore2 = -3; }, "1251"},
      {"entry 85 orario", [](modello& m) { m.stazioni[85].orario = 7; }, "1251"},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    modello m = con_celle(10);
    c.prepara(m);
    EXPECT_EQ(timbra_marcatori(m), std::optional<std::string>(c.atteso));
  }
}

}  // namespace
}  // namespace scen
