// The values the compile step leaves in the model for the embedded general
// sections and for small lines of every kind.
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

using test_util::compila;
using test_util::join_crlf;
using test_util::linea;
using test_util::treno;

const cella& cella_n(const test_util::compilato& r, int n) { return (*r.m.percorso)[static_cast<std::size_t>(n)]; }

TEST(RouteGeneral, EmbeddedGeneralSection) {
  const auto r = compila(linea(), treno());
  ASSERT_EQ(r.m.codice_errore, 0);
  EXPECT_EQ(r.m.lunghezza_totale, 92000);
  EXPECT_EQ(r.m.ultima_cella, 1840);
  EXPECT_EQ(r.m.percorso->size(), 1841u);
  EXPECT_EQ(r.m.planimetria->ultimo_metro(), 92000);
  const auto& s = r.m.stazioni;
  EXPECT_EQ(s[84].fine, 85000);
  EXPECT_EQ((std::array{s[85].inizio, s[85].fine, s[85].posizione}), (std::array{33000, 0, 1}));
  EXPECT_EQ((std::array{s[86].inizio, s[86].fine, s[86].posizione}), (std::array{0, 76800, 4}));
  EXPECT_EQ((std::array{s[81].inizio, s[81].fine, s[81].posizione}), (std::array{0, 82900, 1}));
  EXPECT_EQ((std::array{s[82].inizio, s[82].fine, s[82].posizione}), (std::array{0, 0, 0}));
  EXPECT_EQ(s[85].nome, "Ardena_VelmoraCle");
  EXPECT_EQ(s[86].nome, "4713");
  // The train's general section.
  EXPECT_EQ(s[84].inizio, 125);
  EXPECT_EQ(s[84].posizione, 12);
  EXPECT_EQ(s[86].gruppo_a1, 300);
  EXPECT_EQ((std::array{s[86].gruppo_b1, s[86].gruppo_b2, s[86].gruppo_b3}), (std::array<std::int16_t, 3>{8, 34, 15}));
}

TEST(RouteGeneral, KeysAndTheirLetterCase) {
  struct caso {
    const char* nome;
    std::string da, a;
    std::int32_t codice, fine84, posizione86;
  };
  const caso casi[] = {
      {"length key in any case", "lunghezza percorso", "LUNGHEZZA Percorso", 0, 85000, 4},
      {"length 1000000 is accepted", "85000", "1000000", 0, 1000000, 4},
      {"repetition key in upper case is not recognised", "ripetizione segnali", "RIPETIZIONE SEGNALI", 0, 85000, 0},
      {"nine codes", "segnali 4 codici", "segnali 9 codici", 0, 85000, 9},
      {"end 0 gives no codes", "0,    76800", "0,    0", 0, 85000, 0},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    std::string route = linea();
    route.replace(route.find(c.da), c.da.size(), c.a);
    const auto r = compila(route, treno());
    EXPECT_EQ(r.m.codice_errore, c.codice);
    EXPECT_EQ(r.m.stazioni[84].fine, c.fine84);
    EXPECT_EQ(r.m.stazioni[86].posizione, c.posizione86);
  }
}

TEST(RouteGeneral, CommentFieldsBeforeAGeneralLine) {
  std::string ten, eleven;
  for (int i = 0; i < 10; ++i) ten += "-- commento\r\n";
  eleven = ten + "-- commento\r\n";
  auto con = [](const std::string& commenti) {
    std::string route = linea();
    const std::string chiave = "sfondo uno";
    route.insert(route.find(chiave), commenti);
    return route;
  };
  EXPECT_EQ(compila(con(ten), treno()).m.stazioni[85].inizio, 33000) << "ten comments are skipped";
  // With eleven, the eleventh is taken as the key; "sfondo uno" is then the next key, read fine.
  const auto r = compila(con(eleven), treno());
  EXPECT_EQ(r.m.codice_errore, 0);
}

TEST(RouteGeneral, KilometricZoneOrdering) {
  struct zona {
    std::int32_t inizio, fine, posizione;
    bool operator==(const zona&) const = default;
  };
  struct caso {
    const char* nome;
    std::array<zona, 3> prima, dopo;
  };
  const caso casi[] = {
      {"embedded", {{{0, 0, 0}, {0, 0, 0}, {0, 82800, 1}}}, {{{0, 82900, 1}, {0, 0, 0}, {0, 0, 0}}}},
      {"tie between zero starts", {{{30000, 12000, 0}, {0, 82800, 1}, {0, 0, 0}}},
       {{{30000, 12000, 0}, {0, 0, 0}, {0, 82900, 1}}}},
      {"descending starts", {{{100, 1, 0}, {300, 3, 0}, {200, 2, 1}}}, {{{300, 3, 0}, {200, 102, 1}, {100, 1, 0}}}},
      {"tie for the largest clears all", {{{500, 1, 0}, {500, 2, 0}, {100, 3, 0}}}, {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
      {"no positive progressive clears all", {{{0, 0, 0}, {0, -5, 0}, {0, 0, 0}}}, {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
      {"later positive progressive wins", {{{0, 10, 0}, {0, 20, 0}, {0, 30, 0}}}, {{{0, 30, 0}, {0, 20, 0}, {0, 10, 0}}}},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    modello m;
    for (int i = 0; i < 3; ++i) {
      m.stazioni[81 + i].inizio = c.prima[i].inizio;
      m.stazioni[81 + i].fine = c.prima[i].fine;
      m.stazioni[81 + i].posizione = c.prima[i].posizione;
    }
    progressive_ordina(m);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ((zona{m.stazioni[81 + i].inizio, m.stazioni[81 + i].fine, m.stazioni[81 + i].posizione}), c.dopo[i])
          << "entry " << 81 + i;
    }
  }
}

TEST(RouteSections, GradientsFillTheirCellsWhenTheNextLineArrives) {
  const auto r = compila(
      linea(join_crlf({"[pendenze]", "pendenza,  1000,   3", "pendenza,  7100,   -1", "pendenza,  81000,   0"})),
      treno());
  ASSERT_EQ(r.m.codice_errore, 0);
  EXPECT_EQ(cella_n(r, 0).pendenza, 100);
  EXPECT_EQ(cella_n(r, 19).pendenza, 100);
  EXPECT_EQ(cella_n(r, 20).pendenza, 103);
  EXPECT_EQ(cella_n(r, 141).pendenza, 103);
  EXPECT_EQ(cella_n(r, 142).pendenza, 99);
  EXPECT_EQ(cella_n(r, 1619).pendenza, 99);
  EXPECT_EQ(cella_n(r, 1620).pendenza, 100);
  EXPECT_EQ(cella_n(r, 1837).pendenza, 100);
  EXPECT_EQ(cella_n(r, 1838).pendenza, 0) << "the last three cells are not filled";
  EXPECT_EQ(cella_n(r, 1840).pendenza, 0);
}

TEST(RouteSections, GradientEdgeCases) {
  // Two lines in the same cell: the second still writes one cell; one at 25 m writes none.
  const auto r =
      compila(linea(join_crlf({"pendenza,  25,   5", "pendenza,  100,   7", "pendenza,  110,   9"})), treno());
  EXPECT_EQ(cella_n(r, 0).pendenza, 105) << "the gradient at 25 m changed what is in force";
  EXPECT_EQ(cella_n(r, 1).pendenza, 105);
  EXPECT_EQ(cella_n(r, 2).pendenza, 107) << "the repeated cell writes the next cell";
  EXPECT_EQ(cella_n(r, 3).pendenza, 109);
}

TEST(RouteSections, CurveFrom800Metres) {
  const auto r = compila(linea(join_crlf({"curvad3,  800,  450", "curvas2,  1300,  350"})), treno());
  ASSERT_EQ(r.m.codice_errore, 0);
  const piano& p = *r.m.planimetria;
  EXPECT_EQ(p.tag(0, 0), tag_piano::intero);
  EXPECT_EQ(p.tag(1, 1), tag_piano::intero);
  EXPECT_EQ(p.numero(1, 1), 1.0);
  EXPECT_EQ(p.tag(2, 0), tag_piano::reale);
  EXPECT_EQ(p.numero(800, 0), 0.0);
  EXPECT_EQ(p.numero(800, 1), 800.0);
  // The first metre of the curve, written out: dx = 0, dy = 1, c = 0.0004.
  EXPECT_EQ(p.numero(801, 0), (0.0 + 0.0) + (1.0 * 0.0004));
  EXPECT_EQ(p.numero(801, 1), (800.0 + 1.0) - (0.0 * 0.0004));
  EXPECT_GT(p.numero(1250, 0), p.numero(1000, 0)) << "the first coordinate grows along a d-hand curve";
  // An s-hand curve turns back: the first coordinate's step shrinks.
  const double passo_1300 = p.numero(1300, 0) - p.numero(1299, 0);
  const double passo_1650 = p.numero(1650, 0) - p.numero(1649, 0);
  EXPECT_LT(passo_1650, passo_1300);
  EXPECT_EQ(p.tag(91998, 0), tag_piano::reale);
  EXPECT_EQ(p.tag(91999, 0), tag_piano::vuoto) << "the last two metres stay empty";
  EXPECT_EQ(p.tag(92000, 1), tag_piano::vuoto);
}

TEST(RouteSections, CurveKeysAndNoPlanView) {
  auto r = compila(linea(join_crlf({"curvad42,  800,  10"})), treno());
  const double a = r.m.planimetria->numero(801, 0);
  EXPECT_EQ(a, 0.0002) << "two digits: the lowest of 1 to 6 present";
  r = compila(linea(join_crlf({"curvad4,  800,  10"})), treno(), 0);
  EXPECT_EQ(r.m.codice_errore, 0);
  EXPECT_FALSE(r.m.planimetria.has_value()) << "no plan view without scrivi_linea";
}

// What a writer following the compile through the plan view relies on: the
// reports grow, name the model's own plan view, and a metre reported final
// never changes again.
class resoconti_piano final : public avanzamento_piano {
 public:
  struct resoconto {
    const piano* p;
    std::int64_t metri;
    std::size_t impronta;  // of both coordinates' bytes below `metri`
  };
  void metri_pronti(const piano& p, std::int64_t metri) override { visti.push_back({&p, metri, impronta(p, metri)}); }
  static std::size_t impronta(const piano& p, std::int64_t metri) {
    const auto byte = static_cast<std::size_t>(metri) * piano::byte_slot;
    const auto coordinata = [&](int c) {
      return std::string_view(reinterpret_cast<const char*>(p.slot_coordinata(c)), byte);
    };
    return std::hash<std::string_view>{}(coordinata(0)) ^ (std::hash<std::string_view>{}(coordinata(1)) * 31);
  }
  std::vector<resoconto> visti;
};

TEST(RouteSections, ThePlanViewsProgressIsReportedAndWhatIsReportedStaysFinal) {
  const std::string route = linea(join_crlf({"curvad1,  2000,  1500", "curvas3,  70000,  3000", "curvad2,  80000,  500"}));
  modello m;
  m.scrivi_linea = 1;
  sorgenti_in_memoria s(route, treno());
  resoconti_piano r;
  memorizza_dati(m, s, nullptr, &r);
  ASSERT_EQ(m.codice_errore, 0);
  ASSERT_TRUE(m.planimetria);
  ASSERT_GE(r.visti.size(), 5u) << "one report a curve at least, and one every 65536 metres of a long straight";
  std::int64_t prima = 0;
  for (const auto& v : r.visti) {
    SCOPED_TRACE(v.metri);
    EXPECT_EQ(v.p, &*m.planimetria) << "the plan view stays where it is";
    EXPECT_GT(v.metri, prima);
    EXPECT_LE(v.metri - prima, 65536) << "a writer is never kept waiting for long";
    EXPECT_LE(v.metri, m.planimetria->ultimo_metro() + 1);
    EXPECT_EQ(v.impronta, resoconti_piano::impronta(*m.planimetria, v.metri)) << "changed after it was reported";
    prima = v.metri;
  }
  EXPECT_GE(prima, std::int64_t{m.lunghezza_totale} - 1) << "the last report reaches the last metre filled";

  // Without a plan view nothing is reported.
  modello senza;
  senza.scrivi_linea = 0;
  sorgenti_in_memoria s2(route, treno());
  resoconti_piano r2;
  memorizza_dati(senza, s2, nullptr, &r2);
  EXPECT_TRUE(r2.visti.empty());
}

TEST(RouteSections, MountainZoneOfType12) {
  const auto r = compila(linea(join_crlf({"montagna,  500,  1100,  12"})), treno());
  ASSERT_EQ(r.m.codice_errore, 0);
  for (int i = 10; i <= 21; ++i) EXPECT_EQ(cella_n(r, i).montagna, 2) << i;
  EXPECT_EQ(cella_n(r, 9).montagna, 0);
  EXPECT_EQ(cella_n(r, 22).montagna, 0);
  for (int i = 10; i <= 21; ++i) EXPECT_EQ(cella_n(r, i).tipo, (i == 13 || i == 17 || i == 21) ? 11 : 0) << i;
}

TEST(RouteSections, CloseMountainZonesTakeType3) {
  auto r = compila(linea(join_crlf({"montagna,  500,  1100,  2", "montagna,  1250,  1500,  5"})), treno());
  EXPECT_EQ(cella_n(r, 25).montagna, 3) << "150 m after the previous end";
  r = compila(linea(join_crlf({"montagna,  500,  1100,  2", "montagna,  1251,  1500,  5"})), treno());
  EXPECT_EQ(cella_n(r, 25).montagna, 5) << "151 m after keeps its type";
}

TEST(RouteSections, BoardsTheirCellsAndValues) {
  const auto r = compila(linea(join_crlf({"montagna,  500,  1100,  12", "[cartelli]",
                                          "indicatori_vmax,  700,  125,  135,  145,  0,  50,  55,  55,  0",
                                          "indicatori_vmax,  3150,  140,  150,  160,  0,  ,  ,  ,  0",
                                          "indicatori_vmax,  72000,  100,  105,  105,  2,  ,  ,  ,  0",
                                          "indicatori_vmax,  775,  1,  1,  1,  0,  ,  ,  ,  0"})),
                         treno());
  ASSERT_EQ(r.m.codice_errore, 0);
  EXPECT_EQ(cella_n(r, 15), (cella{6, 2510, 2711, 2911, 0, 0, 0, 2, 0, 100, 0}));
  EXPECT_EQ(cella_n(r, 64).valore1, 2800);
  EXPECT_EQ(cella_n(r, 64).valore2, 3000);
  EXPECT_EQ(cella_n(r, 64).valore3, 3200);
  EXPECT_EQ(cella_n(r, 1441).valore4, 20);
  EXPECT_EQ(cella_n(r, 16).tipo, 6) << "775 m rounds to cell 16";
  // 725 m also rounds to cell 16, now taken.
  const auto r2 = compila(
      linea(join_crlf({"indicatori_vmax,  775,  1,1,1,0,,,,0", "indicatori_vmax,  725,  1,1,1,0,,,,0"})), treno());
  EXPECT_EQ(r2.m.codice_errore, 21);
}

TEST(RouteSections, BoardOnAMountainMarkerReplacesIt) {
  // Cell 13 holds a marker of the zone from 500 m.
  const auto r =
      compila(linea(join_crlf({"montagna,  500,  1100,  12", "indicatori_vmax,  600,  1,1,1,0,,,,0"})), treno());
  EXPECT_EQ(r.m.codice_errore, 0);
  EXPECT_EQ(cella_n(r, 13).tipo, 6);
}

TEST(RouteSections, IndicationBoardsFillEntriesDownward) {
  const auto r = compila(linea(join_crlf({"[indicazioni]", "cartello indicatore,  2000,  \"BIVIO, NORD\"",
                                          "cartello indicatore,  3000,  SUD"})),
                         treno());
  ASSERT_EQ(r.m.codice_errore, 0);
  EXPECT_EQ(cella_n(r, 41).tipo, 14);
  EXPECT_EQ(cella_n(r, 41).valore1, 80);
  EXPECT_EQ(cella_n(r, 61).valore1, 79);
  EXPECT_EQ(r.m.stazioni[80].nome, "BIVIO, NORD");
  EXPECT_EQ(r.m.stazioni[79].nome, "SUD");
}

TEST(PositionCheck, LimitsOfRouteAndTrainLines) {
  struct caso {
    const char* nome;
    std::string route_sezioni, train_corpo;
    std::int32_t codice;
  };
  const caso casi[] = {
      {"route line at 50 x last cell - 100 passes", "pendenza,  91900,  0\r\n", "", 0},
      {"1 m more fails", "pendenza,  91901,  0\r\n", "", 15},
      {"train line at 91900 passes", "", "velocita,  91900,  100\r\n", 0},
      {"train line at 91950 fails", "", "velocita,  91950,  100\r\n", 15},
      {"station at 91200 passes", "", "stazione,  91200, 28, 100, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, S\r\n", 0},
      {"station at 91250 fails", "", "stazione,  91250, 28, 100, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, S\r\n", 15},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    EXPECT_EQ(compila(linea(c.route_sezioni), treno(c.train_corpo)).m.codice_errore, c.codice);
  }
}

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
      for (int i = 0; i < n; ++i) corpo += "stazione,  " + std::to_string(10000 + 450 * i) + ", 28, 100, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, S\r\n";
      return compila(linea(route), treno(corpo));
    };
    EXPECT_EQ(con_stazioni(78 - testi).m.codice_errore, 0);
    const auto pieno = con_stazioni(79 - testi);
    EXPECT_EQ(pieno.m.codice_errore, 10);
    EXPECT_EQ(pieno.m.stazioni[static_cast<std::size_t>(79 - testi)].posizione, 10000 + 450 * (78 - testi))
        << "the station that fills the last entry is stored";
  }
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
    const auto r = compila(linea(), treno(join_crlf({"segnale,   15700,   2, 3, 1,  0, 0,    2,  2,1,0, " +
                                                     std::to_string(letto)})));
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
  EXPECT_EQ((std::array{celle[0].pendenza, celle[1].pendenza, celle[2].pendenza, celle[3].pendenza,
                        celle[4].pendenza, celle[5].pendenza}),
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

TEST(RouteSections, An81stBoardTextFailsAfterItsCellIsWritten) {
  std::string route = "[indicazioni]\r\n";
  for (int i = 0; i < 81; ++i) route += "cartello indicatore,  " + std::to_string(1000 + 100 * i) + ",  T" + std::to_string(i) + "\r\n";
  const auto r = compila(linea(route), treno());
  EXPECT_EQ(r.m.codice_errore, 25);
  EXPECT_EQ(r.m.stazioni[80].nome, "T0");
  EXPECT_EQ(r.m.stazioni[1].nome, "T79");
  EXPECT_EQ(r.m.stazioni[0].nome, "") << "entry 0 is never used";
  EXPECT_EQ(cella_n(r, 181).tipo, 14) << "the 81st board at 9000 m";
  EXPECT_EQ(cella_n(r, 181).valore1, 0);
}

}  // namespace
}  // namespace scen
