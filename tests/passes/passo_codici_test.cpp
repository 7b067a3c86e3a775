// The cab-signal code pass on small hand-made tracks.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/modello.h"
#include "passes/marcatori.h"
#include "passes/passo_codici.h"

namespace scen {
namespace {

namespace tc = tipo_cella;

// Cell types used to block a cell without steering the pass.
constexpr std::uint8_t occupata = tc::indicatore_v_max;

// A track of `n` cells, 0 to n - 1, with nothing on it.
modello pista(int n) {
  modello m;
  m.percorso.emplace(static_cast<std::size_t>(n));
  m.ultima_cella = n - 1;
  m.lunghezza_totale = (n - 1) * 50;
  return m;
}

cella& at(modello& m, int c) { return m.percorso->at(static_cast<std::size_t>(c)); }

void poni(modello& m, int c, std::uint8_t tipo, std::int16_t valore1 = 0) {
  at(m, c).tipo = tipo;
  at(m, c).valore1 = valore1;
}

void occupa(modello& m, std::initializer_list<int> celle) {
  for (int c : celle) poni(m, c, occupata);
}

void segnali(modello& m, std::initializer_list<int> celle) {
  for (int c : celle) poni(m, c, tc::segnale, 40);
}

// A slowdown as the compiler leaves it: start and end cells with the speed.
void rallentamento(modello& m, int inizio, int fine, std::int16_t v) {
  poni(m, fine, tc::fine_rallentamento, v);
  poni(m, inizio, tc::inizio_rallentamento, v);
}

// The cells holding a code point, ascending.
std::vector<int> punti(const modello& m) {
  std::vector<int> out;
  for (std::size_t c = 0; c < m.percorso->size(); ++c) {
    if ((*m.percorso)[c].tipo == tc::punto_codice) out.push_back(static_cast<int>(c));
  }
  return out;
}

// Every code point of a track that had none before holds the pass's value.
void valori_del_passo(const modello& m) {
  for (int c : punti(m)) EXPECT_EQ((*m.percorso)[static_cast<std::size_t>(c)].valore1, 180) << "cell " << c;
}

TEST(CodePassMinimum, SmallerOfTheTwoFirstOnATie) {
  EXPECT_EQ(minimo(180, 75), 75);
  EXPECT_EQ(minimo(180, 270), 180);
  EXPECT_EQ(minimo(180, 180), 180);
  EXPECT_EQ(minimo(180, -5), -5);
  EXPECT_EQ(minimo(-32768, 32767), -32768);
}

// Step B: which approach groups a slowdown start gets, by where it stands.
TEST(CodePassApproach, GroupsTriedByStartCell) {
  struct caso {
    int inizio;
    std::vector<int> attesi;
  };
  const caso casi[] = {
      {1, {}}, {7, {}}, {8, {3}}, {13, {8}}, {14, {3, 9}}, {20, {9, 15}}, {21, {3, 10, 16}}, {30, {12, 19, 25}},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE("start in cell " + std::to_string(c.inizio));
    modello m = pista(60);
    rallentamento(m, c.inizio, c.inizio + 2, 120);  // fast: nothing along it
    passo_codici(m);
    EXPECT_EQ(punti(m), c.attesi);
    valori_del_passo(m);
    EXPECT_EQ(m.codice_errore, 0);
  }
}

TEST(CodePassApproach, FirstFreeCandidateOfEachGroupAndCode12WhenNoneIs) {
  struct caso {
    const char* nome;
    std::vector<int> prese;
    std::vector<int> attesi;
    std::int32_t codice;
  };
  const caso casi[] = {
      {"all free", {}, {12, 19, 25}, 0},
      {"first taken", {25}, {12, 19, 24}, 0},
      {"first two taken", {25, 24}, {12, 19, 23}, 0},
      {"group 1 full, groups 2 and 3 still tried", {25, 24, 23}, {12, 19}, 12},
      {"group 2 full", {19, 18, 17}, {12, 25}, 12},
      {"group 3 full", {12, 11, 10}, {19, 25}, 12},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    modello m = pista(60);
    rallentamento(m, 30, 32, 120);
    for (int p : c.prese) occupa(m, {p});
    passo_codici(m);
    EXPECT_EQ(punti(m), c.attesi);
    EXPECT_EQ(m.codice_errore, c.codice);
    EXPECT_EQ(m.posizione_errore, c.codice == 0 ? 0 : 1500);
  }
}

TEST(CodePassApproach, AMountainMarkerIsFreeAndIsReplaced) {
  modello m = pista(60);
  rallentamento(m, 30, 32, 120);
  poni(m, 25, tc::montagna);
  passo_codici(m);
  EXPECT_EQ(punti(m), (std::vector<int>{12, 19, 25}));
  valori_del_passo(m);
}

// Step C on a slowdown that starts in cell 5, too early for approach points.
TEST(CodePassAlong, EveryEightCellsShiftedWhereTakenAndStoppedByCode13) {
  struct caso {
    const char* nome;
    std::int16_t velocita;
    int fine;
    std::vector<int> prese;
    std::vector<int> attesi;
    std::int32_t codice;
    std::int32_t posizione;
  };
  const caso casi[] = {
      {"500 m at 70 km/h: one point, start + 8", 70, 15, {}, {13}, 0, 0},
      {"109 is below the threshold", 109, 15, {}, {13}, 0, 0},
      {"110 gets nothing along it", 110, 15, {}, {}, 0, 0},
      {"200 gets nothing along it", 200, 15, {}, {}, 0, 0},
      {"speed read as a signed value", -1, 15, {}, {13}, 0, 0},
      {"shorter than 8 cells", 70, 12, {}, {}, 0, 0},
      {"the 8th cell is the end: one cell before it", 70, 13, {}, {12}, 0, 0},
      {"long slowdown", 70, 35, {}, {13, 21, 29}, 0, 0},
      {"8th taken: j - 1, spacing from there", 70, 35, {13}, {12, 20, 28}, 0, 0},
      {"8th and j - 1 taken: j + 1, spacing from there", 70, 35, {13, 12}, {14, 22, 30}, 0, 0},
      {"8th and both neighbours taken: code 13 and no more points", 70, 35, {12, 13, 14}, {}, 13, 650},
      {"later cell taken", 70, 35, {21, 20}, {13, 22, 30}, 0, 0},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    modello m = pista(60);
    rallentamento(m, 5, c.fine, c.velocita);
    for (int p : c.prese) occupa(m, {p});
    passo_codici(m);
    EXPECT_EQ(punti(m), c.attesi);
    valori_del_passo(m);
    EXPECT_EQ(m.codice_errore, c.codice);
    EXPECT_EQ(m.posizione_errore, c.posizione);
  }
}

TEST(CodePassAlong, AMountainMarkerOnThe8thCellIsReplaced) {
  modello m = pista(60);
  rallentamento(m, 5, 15, 70);
  poni(m, 13, tc::montagna);
  passo_codici(m);
  EXPECT_EQ(punti(m), std::vector<int>{13});
}

// Step D after a 500 m slowdown from cell 5 to 15 at 70 km/h, which already
// gets its point along it in cell 13.
TEST(CodePassAfter, BeforeTheFirstSignalWithinTwelveCellsOfTheEnd) {
  struct caso {
    const char* nome;
    std::vector<int> segnali;
    std::vector<int> prese;
    std::vector<int> attesi;
    std::int32_t codice;
    std::int32_t posizione;
  };
  const caso casi[] = {
      {"no signal after the end", {}, {}, {13}, 0, 0},
      {"signal 3 cells after the end", {18}, {}, {13, 17}, 0, 0},
      {"signal 12 cells after the end", {27}, {}, {13, 26}, 0, 0},
      {"signal 13 cells after the end is too far", {28}, {}, {13}, 0, 0},
      {"only the first signal", {18, 21}, {}, {13, 17}, 0, 0},
      {"cell before the signal taken: the one before that", {18}, {17}, {13, 16}, 0, 0},
      {"signal right after the end: the end is taken, one cell back", {16}, {}, {13, 14}, 0, 0},
      {"both taken: code 13 at the end cell", {18}, {17, 16}, {13}, 13, 750},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    modello m = pista(60);
    rallentamento(m, 5, 15, 70);
    for (int s : c.segnali) segnali(m, {s});
    for (int p : c.prese) occupa(m, {p});
    passo_codici(m);
    EXPECT_EQ(punti(m), c.attesi);
    valori_del_passo(m);
    EXPECT_EQ(m.codice_errore, c.codice);
    EXPECT_EQ(m.posizione_errore, c.posizione);
  }
}

// A fast slowdown gets nothing along it, but the signal after it is still
// coded, found from its own end cell and not from its start.
TEST(CodePassAfter, AFastSlowdownSearchesFromItsOwnEnd) {
  modello m = pista(60);
  rallentamento(m, 5, 25, 120);
  segnali(m, {12, 30});  // 12 lies within 12 cells of the start, 30 of the end
  passo_codici(m);
  EXPECT_EQ(punti(m), std::vector<int>{29});
  EXPECT_EQ(m.codice_errore, 0);
}

TEST(CodePassAfter, AFastSlowdownWithoutEndSearchesFromTheLastCell) {
  modello m = pista(40);  // cells 0 to 39
  poni(m, 30, tc::inizio_rallentamento, 120);
  segnali(m, {35, 39});
  passo_codici(m);
  // Approach points 25, 19, 12; the search starts and ends at cell 39.
  EXPECT_EQ(punti(m), (std::vector<int>{12, 19, 25, 38}));
}

// Step A: a warning board in cell 30 and what stands before it.
TEST(CodePassWarningBoard, CodePointBeforeEachSignalWithinTwentyCells) {
  struct stato {
    int cella;
    std::uint8_t tipo;
    std::int16_t valore1;
  };
  struct caso {
    const char* nome;
    int avviso;
    std::vector<int> segnali;
    std::vector<stato> prima;
    std::vector<stato> dopo;
    std::int32_t codice;
    std::int32_t posizione;
  };
  const caso casi[] = {
      {"cell before the signal free", 30, {25}, {}, {{24, 12, 180}, {23, 0, 0}}, 0, 0},
      {"cell before taken, the one before that free",
       30,
       {25},
       {{24, occupata, 0}},
       {{24, occupata, 0}, {23, 12, 180}},
       0,
       0},
      {"code point 75 before, next taken: stays 75",
       30,
       {25},
       {{24, 12, 75}, {23, occupata, 0}},
       {{24, 12, 75}, {23, occupata, 0}},
       0,
       0},
      {"code point 270 before, next taken: becomes 180",
       30,
       {25},
       {{24, 12, 270}, {23, occupata, 0}},
       {{24, 12, 180}},
       0,
       0},
      {"code point 75 before, next free: new point, old one kept",
       30,
       {25},
       {{24, 12, 75}},
       {{24, 12, 75}, {23, 12, 180}},
       0,
       0},
      {"code point 270 before, next free: new point, old one kept",
       30,
       {25},
       {{24, 12, 270}},
       {{24, 12, 270}, {23, 12, 180}},
       0,
       0},
      {"taken then code point 270: lowered",
       30,
       {25},
       {{24, occupata, 0}, {23, 12, 270}},
       {{24, occupata, 0}, {23, 12, 180}},
       0,
       0},
      {"both taken: code 11 at the signal",
       30,
       {25},
       {{24, occupata, 0}, {23, 14, 3}},
       {{24, occupata, 0}, {23, 14, 3}},
       11,
       1250},
      {"a signal 20 cells back is coded, every one of them", 30, {10, 28}, {}, {{9, 12, 180}, {27, 12, 180}}, 0, 0},
      {"a signal 21 cells back is not", 30, {9}, {}, {{8, 0, 0}, {7, 0, 0}}, 0, 0},
      {"adjacent signals: the second sees the first one's point",
       30,
       {28, 29},
       {},
       {{27, 12, 180}, {26, 12, 180}},
       0,
       0},
      {"a signal in cell 3 is coded", 10, {3}, {}, {{2, 12, 180}}, 0, 0},
      {"a signal in cell 2 is not", 10, {2}, {}, {{1, 0, 0}, {0, 0, 0}}, 0, 0},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    modello m = pista(60);
    poni(m, c.avviso, tc::avviso_rallentamento, 70);
    for (int s : c.segnali) segnali(m, {s});
    for (const stato& s : c.prima) poni(m, s.cella, s.tipo, s.valore1);
    passo_codici(m);
    for (const stato& s : c.dopo) {
      EXPECT_EQ(at(m, s.cella).tipo, s.tipo) << "cell " << s.cella;
      EXPECT_EQ(at(m, s.cella).valore1, s.valore1) << "cell " << s.cella;
    }
    EXPECT_EQ(m.codice_errore, c.codice);
    EXPECT_EQ(m.posizione_errore, c.posizione);
  }
}

TEST(CodePassWarningBoard, NoSignalBeforeTheBoardChangesNothing) {
  modello m = pista(60);
  poni(m, 30, tc::avviso_rallentamento, 70);
  poni(m, 25, tc::indicatore_v_max, 12);
  poni(m, 20, tc::indicazione, 80);
  poni(m, 15, tc::fine_stazione, 2);
  poni(m, 12, tc::montagna);
  const std::vector<cella> prima = *m.percorso;
  passo_codici(m);
  EXPECT_EQ(*m.percorso, prima);
  EXPECT_EQ(m.codice_errore, 0);
}

TEST(CodePass, PlacingAPointChangesOnlyTypeAndValue) {
  modello m = pista(60);
  poni(m, 30, tc::avviso_rallentamento, 70);
  segnali(m, {25});
  cella& c = at(m, 24);
  c = cella{tc::montagna, 9, 5, 6, 7, 8, 81, 3, 20, 97, 95};
  passo_codici(m);
  EXPECT_EQ(at(m, 24), (cella{tc::punto_codice, 180, 5, 6, 7, 8, 81, 3, 20, 97, 95}));
}

// The pass changes cells in place: a point placed along one slowdown makes a
// later slowdown's approach pick its next candidate.
TEST(CodePass, LaterStepsSeeThePointsAlreadyPlaced) {
  modello m = pista(80);
  rallentamento(m, 20, 40, 70);   // approach 15, 9; along 28, 36
  rallentamento(m, 41, 45, 120);  // approach 36 is taken now: 35; then 30 and 23
  passo_codici(m);
  EXPECT_EQ(punti(m), (std::vector<int>{9, 15, 23, 28, 30, 35, 36}));
  EXPECT_EQ(m.codice_errore, 0);
}

TEST(CodePassErrors, TheLastErrorFoundStays) {
  modello m = pista(120);
  // A warning board whose signal has no room before it: code 11 at 1250.
  poni(m, 30, tc::avviso_rallentamento, 70);
  segnali(m, {25});
  occupa(m, {24, 23});
  // A slowdown whose first approach group is full: code 12 at 3000.
  rallentamento(m, 60, 62, 120);
  occupa(m, {55, 54, 53});
  passo_codici(m);
  EXPECT_EQ(m.codice_errore, 12);
  EXPECT_EQ(m.posizione_errore, 3000);

  // A later slowdown with no room along it replaces that with 13; a clean one
  // after it clears nothing, and points are still placed after every error.
  modello n = pista(120);
  rallentamento(n, 60, 62, 120);
  occupa(n, {55, 54, 53});          // code 12 at 3000; groups 2 and 3: 49, 42
  rallentamento(n, 80, 95, 70);     // approach 75, 69, and 61 (62 is the end above)
  occupa(n, {87, 88, 89});          // code 13 at 4400, nothing further along
  rallentamento(n, 110, 112, 120);  // clean: 105, 99, 92
  passo_codici(n);
  EXPECT_EQ(n.codice_errore, 13);
  EXPECT_EQ(n.posizione_errore, 88 * 50);
  EXPECT_EQ(punti(n), (std::vector<int>{42, 49, 61, 69, 75, 92, 99, 105}));
}

TEST(CodePassErrors, AnEarlierCodeIsKeptWhenThePassFindsNone) {
  modello m = pista(60);
  m.codice_errore = 22;
  m.posizione_errore = 16900;
  rallentamento(m, 30, 40, 70);
  passo_codici(m);
  EXPECT_EQ(m.codice_errore, 22);
  EXPECT_EQ(m.posizione_errore, 16900);
}

// The scan along a slowdown that has no end cell stops at the last cell.
TEST(CodePassTrackEnd, ASlowdownWithoutEndStopsAtTheLastCell) {
  struct caso {
    const char* nome;
    int inizio;
    std::vector<int> prese;
    std::vector<int> lungo;  // points after the start
    std::int32_t codice;
    std::int32_t posizione;
  };
  const caso casi[] = {
      {"8th cell before the last", 30, {}, {38}, 0, 0},
      {"8th cell is the last", 31, {}, {39}, 0, 0},
      {"the last taken: one cell back", 31, {39}, {38}, 0, 0},
      {"the last and the one before taken: none beyond the track", 31, {39, 38}, {}, 13, 1950},
      {"the last reached before the 8th", 33, {}, {}, 0, 0},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    modello m = pista(40);  // cells 0 to 39
    poni(m, c.inizio, tc::inizio_rallentamento, 70);
    for (int p : c.prese) occupa(m, {p});
    passo_codici(m);
    std::vector<int> dopo;
    for (int p : punti(m)) {
      if (p > c.inizio) dopo.push_back(p);
    }
    EXPECT_EQ(dopo, c.lungo);
    EXPECT_EQ(m.codice_errore, c.codice);
    EXPECT_EQ(m.posizione_errore, c.posizione);
  }
}

TEST(CodePassTrackEnd, CellsAreScannedUpToTheLastButTwo) {
  modello m = pista(40);
  poni(m, 38, tc::inizio_rallentamento, 120);  // last but one: never looked at
  passo_codici(m);
  EXPECT_TRUE(punti(m).empty());

  modello n = pista(40);
  poni(n, 37, tc::inizio_rallentamento, 120);  // last but two: coded
  passo_codici(n);
  EXPECT_EQ(punti(n), (std::vector<int>{19, 26, 32}));
}

// The cells are the track that gets stored; a stale last-cell number must not
// take the pass outside them or make it skip any.
TEST(CodePassTrackEnd, TheCellsBoundThePassWhateverTheLastCellFieldSays) {
  for (const std::int32_t ultima : {1000, 10, 0, -5}) {
    SCOPED_TRACE("ultima_cella " + std::to_string(ultima));
    modello m = pista(40);
    m.ultima_cella = ultima;
    poni(m, 31, tc::inizio_rallentamento, 70);  // no end: along it up to cell 39
    passo_codici(m);
    EXPECT_EQ(punti(m), (std::vector<int>{13, 20, 26, 39}));
  }
}

TEST(CodePassTrackEnd, TinyTracksAreLeftAlone) {
  for (int n = 0; n <= 3; ++n) {
    SCOPED_TRACE(n);
    modello m = pista(n);
    for (int c = 0; c < n; ++c) poni(m, c, tc::inizio_rallentamento, 70);
    const std::vector<cella> prima = *m.percorso;
    passo_codici(m);
    EXPECT_EQ(*m.percorso, prima);
  }
}

TEST(CodePassTrackEnd, NoCellsIsAProgrammingError) {
  modello m;
  EXPECT_THROW(passo_codici(m), std::logic_error);
}

// A start in cell 8 whose candidates 3 and 2 are taken puts its approach
// point in cell 1, where the track marker goes: the marker step then refuses.
TEST(CodePass, APointInCell1MakesTheMarkerStepRefuse) {
  modello m = pista(40);
  rallentamento(m, 8, 10, 120);
  occupa(m, {3, 2});
  passo_codici(m);
  EXPECT_EQ(punti(m), std::vector<int>{1});
  EXPECT_EQ(at(m, 1).valore1, 180);
  EXPECT_EQ(timbra_marcatori(m), std::optional<std::string>("1250"));

  modello n = pista(40);
  rallentamento(n, 8, 10, 120);
  passo_codici(n);
  EXPECT_EQ(punti(n), std::vector<int>{3});
  EXPECT_EQ(timbra_marcatori(n), std::nullopt);
}

}  // namespace
}  // namespace scen
