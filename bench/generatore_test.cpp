// The generated routes compile with no error at every length, and their
// features really are spread along the whole route.
#include <gtest/gtest.h>

#include <algorithm>

#include "comune.h"

namespace scen::banco {
namespace {

struct conteggio {
  int segnali = 0;
  int inizi_rallentamento = 0;
  int punti_codice = 0;
  int fini_stazione = 0;
  int indicatori = 0;
  std::int64_t ultimo_segnale = -1;
};

conteggio conta(const modello& m) {
  conteggio c;
  for (std::size_t i = 0; i < m.percorso->size(); ++i) {
    switch ((*m.percorso)[i].tipo) {
      case tipo_cella::segnale:
        ++c.segnali;
        c.ultimo_segnale = static_cast<std::int64_t>(i);
        break;
      case tipo_cella::inizio_rallentamento:
        ++c.inizi_rallentamento;
        break;
      case tipo_cella::punto_codice:
        ++c.punti_codice;
        break;
      case tipo_cella::fine_stazione:
        ++c.fini_stazione;
        break;
      case tipo_cella::indicatore_v_max:
        ++c.indicatori;
        break;
      default:
        break;
    }
  }
  return c;
}

class Generator : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(Generator, CompilesCodesAndStampsWithNoError) {
  const std::int32_t km = GetParam();
  modello m;
  ASSERT_NO_THROW(m = compila_completo(genera_percorso(km)));
  EXPECT_EQ(m.lunghezza_totale, km * 1000 + 7000);
  EXPECT_EQ(m.stazioni[voce::dati_generali].fine, km * 1000);

  const std::int32_t blocchi = km / 5;
  const conteggio c = conta(m);
  EXPECT_EQ(c.segnali, 3 * blocchi);
  EXPECT_EQ(c.indicatori, blocchi);
  EXPECT_EQ(c.inizi_rallentamento, (blocchi + 1) / 2);
  if (blocchi > 0) {
    // The last block's last signal stands 3450 m into it: the features reach the route's end.
    EXPECT_EQ(c.ultimo_segnale, (blocchi - 1) * 100 + 70);
    EXPECT_GT(c.punti_codice, 5 * c.inizi_rallentamento);
    EXPECT_GT(c.fini_stazione, 0);
  }
  // The plan view is computed to its last metre but two, curves included.
  const piano& p = *m.planimetria;
  EXPECT_EQ(p.tag(m.lunghezza_totale - 2, 0), tag_piano::reale);
  EXPECT_EQ(p.tag(m.lunghezza_totale - 1, 0), tag_piano::vuoto);
}

INSTANTIATE_TEST_SUITE_P(Lengths, Generator, ::testing::Values(1, 4, 5, 7, 15, 100, 333, 1000));

TEST(Generator, RefusesLengthsTheFormatDoesNotAllow) {
  EXPECT_THROW(genera_percorso(0), std::invalid_argument);
  EXPECT_THROW(genera_percorso(chilometri_massimi + 1), std::invalid_argument);
}

TEST(Generator, FieldTextHasTheSizeAskedAndKnownKeysOnly) {
  const std::string testo = genera_righe_campi(100000);
  EXPECT_GE(testo.size(), 100000u);
  EXPECT_LT(testo.size(), 101000u);
  EXPECT_EQ(testo.substr(testo.size() - 2), "\r\n");
  EXPECT_EQ(campi_dopo_chiave("segnale").numeri, 11);
  EXPECT_TRUE(campi_dopo_chiave("stazione").testo_finale);
  EXPECT_EQ(campi_dopo_chiave("ignota").numeri, 0);
}

}  // namespace
}  // namespace scen::banco
