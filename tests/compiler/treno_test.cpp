// The values the compile step leaves in the model for the train source's
// lines: the speed and adhesion profiles, the keys, signals, slowdowns and
// codes.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/memo.h"
#include "model/accesso.h"
#include "support/sources.h"

namespace scen {
namespace {

using test_util::cella_n;
using test_util::compila;
using test_util::join_crlf;
using test_util::linea;
using test_util::treno;

TEST(TrainProfiles, SpeedAndAdhesionFills) {
  const auto r = compila(
      linea(), treno(join_crlf({"aderenza,       0,    97", "aderenza,   3000,   300", "aderenza,   81550,    95",
                                "velocita,       0,   135", "velocita,    3000,   137", "velocita,    5000,   138",
                                "velocita,   81650,    30"})));
  ASSERT_EQ(r.m.codice_errore, 0);
  EXPECT_EQ(cella_n(r, 0).velocita, 27);
  EXPECT_EQ(cella_n(r, 59).velocita, 27);
  EXPECT_EQ(cella_n(r, 60).velocita, 27) << "137 km/h is 27.4, rounded to 27";
  EXPECT_EQ(cella_n(r, 100).velocita, 28) << "138 km/h is 27.6, rounded to 28";
  EXPECT_EQ(cella_n(r, 1633).velocita, 6);
  EXPECT_EQ(cella_n(r, 1837).velocita, 6);
  EXPECT_EQ(cella_n(r, 1838).velocita, 0);
  EXPECT_EQ(cella_n(r, 0).aderenza, 97);
  EXPECT_EQ(cella_n(r, 60).aderenza, 44) << "an adhesion of 300 keeps its low 8 bits";
  EXPECT_EQ(cella_n(r, 1631).aderenza, 95);
  EXPECT_EQ(cella_n(r, 1837).aderenza, 95);
  EXPECT_EQ(cella_n(r, 1839).aderenza, 0);
}

TEST(TrainProfiles, RepeatedPositionsAndHalfCells) {
  const auto r = compila(
      linea(),
      treno(join_crlf({"velocita,  0,  100", "velocita,  125,  50", "velocita,  125,  60", "velocita,  75,  70"})));
  // 125 / 50 = 2.5 rounds to 2: cells 0 and 1 get 100; the repeat writes cell 2 with 50;
  // 75 / 50 = 1.5 rounds to 2: one more cell, 3, with 60; then 70 from cell 4 on.
  EXPECT_EQ(cella_n(r, 1).velocita, 20);
  EXPECT_EQ(cella_n(r, 2).velocita, 10);
  EXPECT_EQ(cella_n(r, 3).velocita, 12);
  EXPECT_EQ(cella_n(r, 4).velocita, 14);
}

TEST(TrainProfiles, NoProfileLinesStartFromZero) {
  const auto r = compila(linea(), treno());
  EXPECT_EQ(cella_n(r, 0).velocita, 0);
  EXPECT_EQ(cella_n(r, 0).aderenza, 0);
}

TEST(TrainReading, KeysWithHyphenAndTheLastField) {
  // The hyphenated field is dropped; the field after it is the key.
  auto r = compila(linea(), join_crlf({"[generale]", "-- nota, sabbia,  250", "sabbia"}));
  EXPECT_EQ(r.m.stazioni[86].gruppo_a1, 250);
  EXPECT_EQ(r.m.codice_errore, 0) << "a last line with a single field is read and dropped";
  r = compila(linea(), std::string());
  EXPECT_EQ(r.m.codice_errore, 0) << "an empty train source runs the end processing";
}

TEST(SignalsSlowdownsCodes, WorkedLines) {
  const auto r = compila(linea(), treno(join_crlf({"rallentamento,   36500,    70,  500, 1,  1,  0",
                                                   "segnale,    1650,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
                                                   "segnale,   77500,   2, 2, 3,  1, 1,    2,  2,1,1, 215",
                                                   "segnale,   15700,   2, 3, 1,  0, 0,    2,  2,1,0, 50",
                                                   "abbattimento,   56000,   180", "abbattimento,   60000,   -1"})));
  ASSERT_EQ(r.m.codice_errore, 0);
  EXPECT_EQ(cella_n(r, 34), (cella{1, 40, 0, 0, 6, 0, 0, 0, 0, 100, 0}));
  for (int b = 1; b <= 4; ++b) EXPECT_EQ(cella_n(r, 34 - 2 * b).avviso, 60 + b);
  const cella& s = cella_n(r, 1551);
  EXPECT_EQ((std::array{s.valore1, s.valore2, s.valore3, s.valore4}), (std::array<std::int16_t, 4>{22, 31, 11, 18}));
  EXPECT_EQ(s.tempo, 215);
  for (int b = 1; b <= 4; ++b) EXPECT_EQ(cella_n(r, 1551 - 2 * b).avviso, 80 + b);
  EXPECT_EQ(cella_n(r, 315).tempo, 101) << "tempo 50 with sx = 2 is raised to 101";
  // The slowdown.
  EXPECT_EQ(cella_n(r, 707).tipo, 4);
  EXPECT_EQ(cella_n(r, 707).valore1, 70);
  EXPECT_EQ(cella_n(r, 731), (cella{3, 70, 0, 1, 0, 0, 0, 0, 0, 100, 0}));
  EXPECT_EQ(cella_n(r, 741).tipo, 2);
  EXPECT_EQ(cella_n(r, 741).valore3, 1);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(cella_n(r, 706 - i).tipo, 5);
    EXPECT_EQ(cella_n(r, 706 - i).valore1, i + 1);
  }
  EXPECT_EQ(cella_n(r, 1120).tipo, 12);
  EXPECT_EQ(cella_n(r, 1120).valore1, 180);
  EXPECT_EQ(cella_n(r, 1200).tipo, 13);
}

// A timed signal's time: 1 to 100 s are raised to 101 s; 0 stays "not
// timed"; from 101 s up the time is kept (on its low 8 bits).
TEST(SignalsSlowdownsCodes, TimedSignalTimeAtTheEdgesOfItsRaise) {
  const std::pair<int, int> casi[] = {{0, 0}, {1, 101}, {99, 101}, {100, 101}, {101, 101}, {102, 102}, {255, 255}};
  for (const auto& [letto, salvato] : casi) {
    const auto r = compila(
        linea(), treno(join_crlf({"segnale,   15700,   2, 3, 1,  0, 0,    2,  2,1,0, " + std::to_string(letto)})));
    ASSERT_EQ(r.m.codice_errore, 0) << letto;
    EXPECT_EQ(cella_n(r, 315).tempo, salvato) << "tempo " << letto;
  }
}

TEST(SignalsSlowdownsCodes, SlowdownEdgeCases) {
  // At 1500 m: no warning board, no cells before it, even with f_ta = 1.
  auto r = compila(linea(), treno(join_crlf({"rallentamento,   1500,    60,  100, 0,  1,  5"})));
  EXPECT_EQ(r.m.codice_errore, 0);
  for (int i = 0; i < 40; ++i) EXPECT_NE(cella_n(r, i).tipo, 4);
  EXPECT_EQ(cella_n(r, 31).valore2, 5) << "d_v goes into valore2";
  // At 1550 m both are there.
  r = compila(linea(), treno(join_crlf({"rallentamento,   1550,    60,  100, 0,  1,  5"})));
  EXPECT_EQ(cella_n(r, 8).tipo, 4);
  EXPECT_EQ(cella_n(r, 7).tipo, 5);
  EXPECT_EQ(cella_n(r, 7).valore2, 1);
  // End cell equal to the start cell: type 3 remains.
  r = compila(linea(), treno(join_crlf({"rallentamento,   5000,    60,  20, 0,  0,  0"})));
  EXPECT_EQ(cella_n(r, 101).tipo, 3);
  // A code line on a slowdown start fails with 7.
  r = compila(linea(),
              treno(join_crlf({"rallentamento,   5000,    60,  500, 0,  0,  0", "abbattimento,   5050,   180"})));
  EXPECT_EQ(r.m.codice_errore, 7);
}

TEST(SignalsSlowdownsCodes, SignalOnAMountainMarkerReplacesIt) {
  const auto r = compila(linea(join_crlf({"montagna,  500,  1100,  12"})),
                         treno(join_crlf({"segnale,    600,   1, 4, 0,  0, 0,    0,  0,0,0, 215"})));
  EXPECT_EQ(r.m.codice_errore, 0);
  EXPECT_EQ(cella_n(r, 13).tipo, 1);
  EXPECT_EQ(cella_n(r, 13).tempo, 0) << "tempo only on sx = 2";
}

// The one fill of the three profiles, alone on a track of ten cells (0 to 9).
TEST(TrainProfiles, OneFillForEveryProfile) {
  modello m;
  m.ultima_cella = 9;
  m.percorso.emplace(10);
  const auto& celle = *m.percorso;

  // Speeds: a line's fill stops at the last cell; the end fill still writes
  // the cell it has reached.
  profilo v = profilo_velocita(m);
  memo_profilo(m, v, 0, 100);
  EXPECT_EQ(v.prossima, 0) << "a line on cell 0 writes nothing";
  memo_profilo(m, v, 20, 50);
  EXPECT_EQ(v.prossima, 9);
  EXPECT_EQ(celle[8].velocita, 20);
  EXPECT_EQ(celle[9].velocita, 0);
  memo_fine_profilo(m, v, 7);
  EXPECT_EQ(celle[9].velocita, 10) << "the end fill writes at least one cell";

  // Gradients: a line on a cell already filled still writes the next one.
  profilo g = profilo_pendenze();
  memo_profilo(m, g, 2, -5);
  memo_profilo(m, g, 2, 7);
  memo_fine_profilo(m, g, 5);
  EXPECT_EQ((std::array{celle[0].pendenza, celle[1].pendenza, celle[2].pendenza, celle[3].pendenza, celle[4].pendenza,
                        celle[5].pendenza}),
            (std::array<std::uint8_t, 6>{100, 100, 95, 107, 107, 0}));

  // Adhesion: no stop at the last cell, so a fill beyond it is a run-time
  // failure once the cells that exist are written.
  profilo a = profilo_aderenze();
  memo_profilo(m, a, 3, 300);
  EXPECT_THROW(memo_profilo(m, a, 12, 0), guasto_esecuzione);
  EXPECT_EQ(celle[2].aderenza, 0);
  EXPECT_EQ(celle[3].aderenza, 44) << "the low 8 bits of 300";
  EXPECT_EQ(celle[9].aderenza, 44);
}

TEST(TrainProfiles, ASpeedOutsideItsByteFailsOnlyWhenACellGetsIt) {
  // Replaced at the same cell, 1300 km/h never reaches a cell.
  EXPECT_EQ(compila(linea(), treno(join_crlf({"velocita,  0,  1300", "velocita,  0,  100"}))).m.codice_errore, 0);
  EXPECT_EQ(compila(linea(), treno(join_crlf({"velocita,  0,  1300", "velocita,  100,  100"}))).m.codice_errore, 25);
}

}  // namespace
}  // namespace scen
