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

using test_util::cella_n;
using test_util::compila;
using test_util::join_crlf;
using test_util::linea;
using test_util::treno;

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
      {"tie between zero starts",
       {{{30000, 12000, 0}, {0, 82800, 1}, {0, 0, 0}}},
       {{{30000, 12000, 0}, {0, 0, 0}, {0, 82900, 1}}}},
      {"descending starts", {{{100, 1, 0}, {300, 3, 0}, {200, 2, 1}}}, {{{300, 3, 0}, {200, 102, 1}, {100, 1, 0}}}},
      {"tie for the largest clears all",
       {{{500, 1, 0}, {500, 2, 0}, {100, 3, 0}}},
       {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
      {"no positive progressive clears all", {{{0, 0, 0}, {0, -5, 0}, {0, 0, 0}}}, {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
      {"later positive progressive wins",
       {{{0, 10, 0}, {0, 20, 0}, {0, 30, 0}}},
       {{{0, 30, 0}, {0, 20, 0}, {0, 10, 0}}}},
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
  const std::string route =
      linea(join_crlf({"curvad1,  2000,  1500", "curvas3,  70000,  3000", "curvad2,  80000,  500"}));
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

TEST(RouteSections, An81stBoardTextFailsAfterItsCellIsWritten) {
  std::string route = "[indicazioni]\r\n";
  for (int i = 0; i < 81; ++i)
    route += "cartello indicatore,  " + std::to_string(1000 + 100 * i) + ",  T" + std::to_string(i) + "\r\n";
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
