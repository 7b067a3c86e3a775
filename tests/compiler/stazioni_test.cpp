// The values the compile step leaves in the model for station lines: the
// station table's entries, their extent and their marks on the cells.
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

// A station shorter than 600 m loses its second option; 600 m and longer
// keep it (not the first station, which never has it).
TEST(Stations, SecondOptionNeedsSixHundredMetres) {
  const std::pair<int, int> casi[] = {{500, 0}, {600, 1}, {700, 1}};
  for (const auto& [lunghezza, opzione] : casi) {
    const auto r = compila(
        linea(), treno(join_crlf({"stazione,       0,  8,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,   8,35, 0, ARDENA",
                                  "stazione,   83000,  5,  " + std::to_string(lunghezza) +
                                      ",  1, 1, 0,  1,1,0,  2,1,1,    0,   9,35, 0, VELMORA CENTRALE"})));
    ASSERT_EQ(r.m.codice_errore, 0) << lunghezza;
    EXPECT_EQ(r.m.stazioni[2].opzione2, opzione) << "length " << lunghezza;
  }
}

TEST(Stations, WorkedRows) {
  const auto r = compila(
      linea(),
      treno(join_crlf({"stazione,       0,  8,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,   8,35, 0, ARDENA",
                       "stazione,   36750, 22,  500,  0, 0, 1,  0,0,0,  4,1,1,    0,   0, 0, 0, CORSENA",
                       "stazione,   81750, 25,  200,  0, 0, 0,  0,0,0,  0,0,0,    1,   0, 0, 0, VELMORA C.LE",
                       "stazione,   83000,  5,  800,  1, 1, 0,  1,1,0,  2,1,1,    0,   9,35, 0, VELMORA CENTRALE"})));
  ASSERT_EQ(r.m.codice_errore, 0);
  const auto& s = r.m.stazioni;
  EXPECT_EQ(s[1].inizio, -700);
  EXPECT_EQ(s[1].fine, 700);
  EXPECT_EQ(s[1].orario, 8 * 3600 + 35 * 60);
  EXPECT_EQ(s[1].opzione2, 0) << "forced to 0 on the first station";
  EXPECT_EQ(s[1].nome, "ARDENA");
  EXPECT_EQ(s[2].inizio, 36500);
  EXPECT_EQ(s[2].fine, 37050);
  EXPECT_EQ(s[2].opzione3, 1);
  EXPECT_EQ(s[3].inizio, 81650);
  EXPECT_EQ(s[3].fine, 81850);
  EXPECT_EQ(s[4].inizio, 82200);
  EXPECT_EQ(s[4].fine, 83150);
  EXPECT_EQ(s[4].opzione1, 1);
  EXPECT_EQ(s[4].opzione2, 1) << "length 800 keeps it";
  EXPECT_EQ(s[4].gruppo_b1, 2);
  EXPECT_EQ(s[4].nome, "VELMORA CENTRALE");
  // Track marks.
  EXPECT_EQ(cella_n(r, 13).tipo, 10);
  EXPECT_EQ(cella_n(r, 13).valore1, 1);
  for (int j = 1; j <= 4; ++j) EXPECT_EQ(cella_n(r, 13 - j).avviso, 80 + j);
  EXPECT_EQ(cella_n(r, 740).tipo, 10);
  EXPECT_EQ(cella_n(r, 740).valore1, 2);
  for (int j = 1; j <= 4; ++j) EXPECT_EQ(cella_n(r, 740 - j).avviso, 80 + j);
  EXPECT_EQ(cella_n(r, 1662).tipo, 10);
  EXPECT_EQ(cella_n(r, 1661).avviso, 0) << "types 5 and 6 have no approach cells";
  for (int i = 1630; i < 1640; ++i) EXPECT_EQ(cella_n(r, i).tipo, 0) << "type 25 leaves no mark";
}

TEST(Stations, EdgeCases) {
  // fine = 150: the marker goes to cell 2 and every approach cell is skipped.
  auto r = compila(linea(), treno(join_crlf({"stazione,  100, 12, 100, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, S"})));
  EXPECT_EQ(r.m.codice_errore, 0);
  EXPECT_EQ(cella_n(r, 2).tipo, 10);
  EXPECT_EQ(cella_n(r, 1).avviso, 0);
  // Exactly 350 m between the zones passes.
  r = compila(linea(), treno(join_crlf({"stazione,  10000, 22, 500, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, A",
                                        "stazione,  10850, 22, 500, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, B"})));
  EXPECT_EQ(r.m.codice_errore, 0);
  // opzione3 on a type 7 station is stored as 0 and does not extend it.
  r = compila(linea(), treno(join_crlf({"stazione,  10000, 7, 500, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, A",
                                        "stazione,  20000, 7, 500, 0,0,1, 0,0,0, 0,0,0, 0, 0,0,0, B"})));
  EXPECT_EQ(r.m.stazioni[2].opzione3, 0);
  EXPECT_EQ(r.m.stazioni[2].fine, 20500);
}

TEST(Stations, CapacityWithRBoardTexts) {
  for (int testi : {0, 10, 77}) {
    SCOPED_TRACE(testi);
    std::string route = "[indicazioni]\r\n";
    for (int i = 0; i < testi; ++i) route += "cartello indicatore,  " + std::to_string(1000 + 100 * i) + ",  T\r\n";
    auto con_stazioni = [&](int n) {
      std::string corpo;
      for (int i = 0; i < n; ++i)
        corpo += "stazione,  " + std::to_string(10000 + 450 * i) + ", 28, 100, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, S\r\n";
      return compila(linea(route), treno(corpo));
    };
    EXPECT_EQ(con_stazioni(78 - testi).m.codice_errore, 0);
    const auto pieno = con_stazioni(79 - testi);
    EXPECT_EQ(pieno.m.codice_errore, 10);
    EXPECT_EQ(pieno.m.stazioni[static_cast<std::size_t>(79 - testi)].posizione, 10000 + 450 * (78 - testi))
        << "the station that fills the last entry is stored";
  }
}

TEST(Stations, AStationThatFailsTheSpacingLeavesItsMarks) {
  // B's zone (10550 to 11050) starts 300 m after A's end: code 22, after its
  // end marker (cell 220) and approach cells are on the track.
  const auto r = compila(linea(), treno(join_crlf({"stazione,  10000, 22, 500, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, A",
                                                   "stazione,  10800, 22, 500, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, B"})));
  EXPECT_EQ(r.m.codice_errore, 22);
  EXPECT_EQ(cella_n(r, 220).tipo, 10);
  EXPECT_EQ(cella_n(r, 220).valore1, 2);
  for (int j = 1; j <= 4; ++j) EXPECT_EQ(cella_n(r, 220 - j).avviso, 80 + j);
}

}  // namespace
}  // namespace scen
