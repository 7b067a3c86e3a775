// The embedded scenario a run carries: its route and train sources (sections,
// counts, the quoted rows, the column layout of every line, the track cells
// their point features take), that they tell the same journey as the sheet,
// the order and the notes, and that they compile clean through the code pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "compiler/compilatore.h"
#include "compiler/sorgenti.h"
#include "embedded/testi.h"
#include "model/modello.h"
#include "model/nomi_file.h"
#include "passes/passo_codici.h"
#include "support/text_lines.h"

namespace scen {
namespace {

using test_util::allineato;
using test_util::campi;
using test_util::numero;
using test_util::split_crlf;

// The lines under each section header, headers in file order.
struct sezione {
  std::string intestazione;
  std::vector<std::string> righe;
};

std::vector<sezione> sezioni(const std::string& testo) {
  std::vector<sezione> s;
  for (const std::string& r : split_crlf(testo)) {
    if (!r.empty() && r.front() == '[') {
      s.push_back({r, {}});
    } else {
      if (s.empty()) {
        ADD_FAILURE() << "a line before the first header: " << r;
        continue;
      }
      s.back().righe.push_back(r);
    }
  }
  return s;
}

const std::vector<std::string>& righe_di(const std::vector<sezione>& s, const std::string& intestazione) {
  for (const sezione& x : s) {
    if (x.intestazione == intestazione) return x.righe;
  }
  static const std::vector<std::string> nessuna;
  ADD_FAILURE() << "no section " << intestazione;
  return nessuna;
}

// Checks the fields after the key: each right-aligned in its width.
void verifica_larghezze(const std::string& riga, const std::string& chiave, const std::vector<std::size_t>& larghezze) {
  const auto c = campi(riga);
  ASSERT_EQ(c.size(), larghezze.size() + 1) << riga;
  EXPECT_EQ(c[0], chiave) << riga;
  for (std::size_t i = 0; i < larghezze.size(); ++i) {
    EXPECT_TRUE(allineato(c[i + 1], larghezze[i])) << "field " << i + 1 << " of \"" << riga << "\"";
  }
}

std::vector<int> valori(const std::string& riga) {
  std::vector<int> v;
  const auto c = campi(riga);
  for (std::size_t i = 1; i < c.size(); ++i) {
    const auto primo = c[i].find_first_not_of(' ');
    v.push_back(primo == std::string::npos ? 0 : numero(c[i]));
  }
  return v;
}

// ---------------------------------------------------------------- route

struct curva {
  char mano;
  int cifra, inizio, lunghezza;
};
struct pendenza {
  int posizione, valore;
};
struct cartello {
  int posizione;
  std::vector<std::string> campi;  // the nine values as written
};

struct linea_letta {
  std::vector<sezione> sezioni;
  std::vector<curva> curve;
  std::vector<pendenza> pendenze;
  std::vector<cartello> cartelli;
};

const linea_letta& linea() {
  static const linea_letta l = [] {
    linea_letta r;
    r.sezioni = sezioni(testo_linea());
    for (const std::string& s : righe_di(r.sezioni, "[curve]")) {
      curva c{};
      char coda = 0;
      EXPECT_EQ(std::sscanf(s.c_str(), "curva%c%1d,  %d,  %d%c", &c.mano, &c.cifra, &c.inizio, &c.lunghezza, &coda), 4)
          << s;
      EXPECT_EQ(s, "curva" + std::string(1, c.mano) + std::to_string(c.cifra) + ",  " + std::to_string(c.inizio) +
                       ",  " + std::to_string(c.lunghezza));
      r.curve.push_back(c);
    }
    for (const std::string& s : righe_di(r.sezioni, "[pendenze]")) {
      pendenza p{};
      EXPECT_EQ(std::sscanf(s.c_str(), "pendenza,  %d,   %d", &p.posizione, &p.valore), 2) << s;
      EXPECT_EQ(s, "pendenza,  " + std::to_string(p.posizione) + ",   " + std::to_string(p.valore));
      r.pendenze.push_back(p);
    }
    for (const std::string& s : righe_di(r.sezioni, "[cartelli]")) {
      const auto c = campi(s);
      EXPECT_EQ(c.size(), 10u) << s;
      if (c.size() != 10) continue;
      EXPECT_EQ(c[0], "indicatori_vmax");
      cartello k{};
      for (std::size_t i = 1; i < c.size(); ++i) {
        EXPECT_EQ(c[i].substr(0, 2), "  ") << s;
        k.campi.push_back(c[i].substr(2));
      }
      k.posizione = numero(k.campi[0]);
      r.cartelli.push_back(k);
    }
    return r;
  }();
  return l;
}

TEST(RouteSource, SectionsInOrderWithTheGeneralLinesAsWritten) {
  const auto& s = linea().sezioni;
  std::vector<std::string> intestazioni;
  for (const sezione& x : s) intestazioni.push_back(x.intestazione);
  EXPECT_EQ(intestazioni, (std::vector<std::string>{"[generale]", "[curve]", "[pendenze]", "[montagne]", "[cartelli]",
                                                    "[indicazioni]", "[fine]"}));
  EXPECT_EQ(righe_di(s, "[generale]"),
            (std::vector<std::string>{
                "lunghezza percorso,    85000", "progressiva chilometrica uno,    0,    82800,    1",
                "progressiva chilometrica due,    0,    0,    0", "progressiva chilometrica tre,    0,    0,    0",
                "sfondo uno,    33000", "sfondo due,    1", "sfondo tre,    0",
                "ripetizione segnali 4 codici,    0,    76800"}));
  EXPECT_TRUE(righe_di(s, "[montagne]").empty());
  EXPECT_TRUE(righe_di(s, "[indicazioni]").empty());
  EXPECT_TRUE(righe_di(s, "[fine]").empty());
  EXPECT_EQ(split_crlf(testo_linea()).size(), 75u);
}

TEST(RouteSource, CurvesAscendWithoutOverlapsAroundTheQuotedOnes) {
  const auto& c = linea().curve;
  ASSERT_EQ(c.size(), 31u);
  const auto testo = [](const curva& x) {
    return "curva" + std::string(1, x.mano) + std::to_string(x.cifra) + ",  " + std::to_string(x.inizio) + ",  " +
           std::to_string(x.lunghezza);
  };
  EXPECT_EQ(testo(c[0]), "curvad3,  800,  450");
  EXPECT_EQ(testo(c[1]), "curvas2,  1300,  350");
  EXPECT_EQ(testo(c[30]), "curvas5,  81550,  650");
  const auto piu_lunga =
      std::max_element(c.begin(), c.end(), [](auto& a, auto& b) { return a.lunghezza < b.lunghezza; });
  EXPECT_EQ(testo(*piu_lunga), "curvas1,  36700,  7300");
  EXPECT_EQ(std::count_if(c.begin(), c.end(), [](auto& x) { return x.lunghezza >= 7300; }), 1);
  for (std::size_t i = 0; i < c.size(); ++i) {
    SCOPED_TRACE(testo(c[i]));
    EXPECT_TRUE(c[i].mano == 'd' || c[i].mano == 's');
    EXPECT_TRUE(c[i].cifra >= 1 && c[i].cifra <= 6);
    EXPECT_GT(c[i].lunghezza, 0);
    EXPECT_LE(c[i].inizio + c[i].lunghezza, 85000);
    if (i > 0) {
      EXPECT_GT(c[i].inizio, c[i - 1].inizio + c[i - 1].lunghezza) << "after the previous curve's end";
    }
  }
}

TEST(RouteSource, GradientsAscendAndNoneIsSteeperThanTheNineAt72650) {
  const auto& p = linea().pendenze;
  ASSERT_EQ(p.size(), 16u);
  EXPECT_EQ(p[0].posizione, 1000);
  EXPECT_EQ(p[0].valore, 3);
  EXPECT_EQ(p[1].posizione, 7100);
  EXPECT_EQ(p[15].posizione, 81000);
  EXPECT_EQ(p[15].valore, 0);
  const auto righe = righe_di(linea().sezioni, "[pendenze]");
  for (const char* q : {"pendenza,  29700,   -1", "pendenza,  36650,   -3", "pendenza,  72650,   9"}) {
    EXPECT_EQ(std::count(righe.begin(), righe.end(), q), 1) << q;
  }
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (i > 0) {
      EXPECT_GT(p[i].posizione, p[i - 1].posizione);
    }
    if (p[i].posizione != 72650) {
      EXPECT_LT(std::abs(p[i].valore), 9) << p[i].posizione;
    }
  }
}

TEST(RouteSource, ThirteenBoardsWithTheQuotedRows) {
  const auto& b = linea().cartelli;
  ASSERT_EQ(b.size(), 13u);
  const auto righe = righe_di(linea().sezioni, "[cartelli]");
  EXPECT_EQ(righe.front(), "indicatori_vmax,  700,  125,  135,  145,  0,  50,  55,  55,  0");
  EXPECT_EQ(righe.back(), "indicatori_vmax,  80600,  30,  30,  30,  0,  30,  30,  30,  0");
  const auto i72000 =
      std::find(righe.begin(), righe.end(), "indicatori_vmax,  72000,  100,  105,  105,  2,  ,  ,  ,  0");
  ASSERT_NE(i72000, righe.end());
  ASSERT_LE(i72000 + 2, righe.end() - 1);
  EXPECT_EQ(*(i72000 + 1), "indicatori_vmax,  72500,  100,  105,  105,  1,  ,  ,  ,  0");
  EXPECT_EQ(*(i72000 + 2), "indicatori_vmax,  73000,  100,  105,  105,  0,  ,  ,  ,  0");
  EXPECT_EQ(std::count(righe.begin(), righe.end(), "indicatori_vmax,  3150,  140,  150,  160,  0,  ,  ,  ,  0"), 1);
  for (std::size_t i = 0; i < b.size(); ++i) {
    SCOPED_TRACE(righe[i]);
    if (i > 0) {
      EXPECT_GT(b[i].posizione, b[i - 1].posizione);
    }
    for (std::size_t k : {1u, 2u, 3u}) EXPECT_TRUE(allineato(b[i].campi[k], b[i].campi[k].size()));
    const int strisce = numero(b[i].campi[4]);
    EXPECT_TRUE(strisce >= 0 && strisce <= 2);
    // The second group is given whole or left empty whole.
    const int vuoti = static_cast<int>(std::count(b[i].campi.begin() + 5, b[i].campi.begin() + 8, std::string()));
    EXPECT_TRUE(vuoti == 0 || vuoti == 3);
    EXPECT_EQ(b[i].campi[8], "0");
  }
}

// ---------------------------------------------------------------- train

struct stazione_letta {
  std::vector<int> v;  // the sixteen numbers
  std::string nome;
  int posizione() const { return v[0]; }
  int tipo() const { return v[1]; }
  int lunghezza() const { return v[2]; }
  int ore() const { return v[13]; }
  int min() const { return v[14]; }
  int sec() const { return v[15]; }
  bool con_orario() const { return ore() != 0 || min() != 0 || sec() != 0; }
  // The extent the compiler gives the station.
  int inizio() const {
    if (tipo() >= 5 && tipo() <= 8) return posizione() - lunghezza();
    return posizione() - lunghezza() / 2;
  }
  int fine() const {
    if (tipo() == 5 || tipo() == 6) return posizione() + 150;
    if (tipo() == 7 || tipo() == 8) return posizione() + lunghezza();
    return posizione() + lunghezza() / 2 + (v[5] != 0 ? 50 : 0);
  }
};

struct treno_letto {
  std::vector<sezione> sezioni;
  std::vector<std::vector<int>> aderenze, velocita, segnali, rallentamenti, codici;
  std::vector<stazione_letta> stazioni;
};

const treno_letto& treno() {
  static const treno_letto t = [] {
    treno_letto r;
    r.sezioni = sezioni(testo_treno());
    for (const auto& s : righe_di(r.sezioni, "[aderenze]")) r.aderenze.push_back(valori(s));
    for (const auto& s : righe_di(r.sezioni, "[vel_limite]")) r.velocita.push_back(valori(s));
    for (const auto& s : righe_di(r.sezioni, "[segnali]")) r.segnali.push_back(valori(s));
    for (const auto& s : righe_di(r.sezioni, "[rallentamenti]")) r.rallentamenti.push_back(valori(s));
    for (const auto& s : righe_di(r.sezioni, "[codici]")) r.codici.push_back(valori(s));
    for (const auto& s : righe_di(r.sezioni, "[stazioni]")) {
      const auto c = campi(s);
      if (c.size() != 18) {
        ADD_FAILURE() << s;
        continue;
      }
      stazione_letta x;
      for (std::size_t i = 1; i <= 16; ++i) x.v.push_back(numero(c[i]));
      x.nome = c[17].substr(1);
      r.stazioni.push_back(x);
    }
    return r;
  }();
  return t;
}

TEST(TrainSource, SectionsInOrderWithTheirCounts) {
  const auto& s = treno().sezioni;
  const std::vector<std::pair<std::string, std::size_t>> attese{
      {"[generale]", 4},      {"[aderenze]", 11}, {"[vel_limite]", 10}, {"[stazioni]", 19},
      {"[rallentamenti]", 1}, {"[segnali]", 45},  {"[codici]", 1},      {"[fine]", 0}};
  ASSERT_EQ(s.size(), attese.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    EXPECT_EQ(s[i].intestazione, attese[i].first);
    EXPECT_EQ(s[i].righe.size(), attese[i].second) << attese[i].first;
  }
  EXPECT_EQ(righe_di(s, "[generale]"),
            (std::vector<std::string>{"numero vetture,    12", "percentuale massa frenata,    125", "sabbia,    300",
                                      "orologio,    8               34            15 "}));
  EXPECT_EQ(righe_di(s, "[rallentamenti]"), std::vector<std::string>{"rallentamento,   36500,    70,  500, 1,  1,  0"});
  EXPECT_EQ(righe_di(s, "[codici]"), std::vector<std::string>{"abbattimento,   56000,   180"});
  EXPECT_EQ(split_crlf(testo_treno()).size(), 99u);
}

TEST(TrainSource, EveryLineKeepsItsColumnLayout) {
  const auto& s = treno().sezioni;
  for (const auto& r : righe_di(s, "[aderenze]")) verifica_larghezze(r, "aderenza", {8, 6});
  for (const auto& r : righe_di(s, "[vel_limite]")) verifica_larghezze(r, "velocita", {8, 6});
  for (const auto& r : righe_di(s, "[rallentamenti]")) verifica_larghezze(r, "rallentamento", {8, 6, 5, 2, 3, 3});
  for (const auto& r : righe_di(s, "[codici]")) verifica_larghezze(r, "abbattimento", {8, 6});
  for (const auto& r : righe_di(s, "[stazioni]")) {
    const auto c = campi(r);
    ASSERT_EQ(c.size(), 18u) << r;
    const std::size_t w[] = {8, 3, 5, 3, 2, 2, 3, 1, 1, 3, 1, 1, 5, 4, 2, 2};
    EXPECT_EQ(c[0], "stazione");
    for (std::size_t i = 0; i < 16; ++i) EXPECT_TRUE(allineato(c[i + 1], w[i])) << "field " << i + 1 << " of " << r;
    ASSERT_GE(c[17].size(), 2u) << r;
    EXPECT_EQ(c[17][0], ' ');
    EXPECT_NE(c[17][1], ' ');
    EXPECT_NE(c[17].back(), ' ');
  }
  for (const auto& r : righe_di(s, "[segnali]")) {
    const auto c = campi(r);
    ASSERT_EQ(c.size(), 12u) << r;
    const std::size_t w[] = {8, 4, 2, 2, 3, 2, 5, 3, 1, 1};
    EXPECT_EQ(c[0], "segnale");
    for (std::size_t i = 0; i < 10; ++i) EXPECT_TRUE(allineato(c[i + 1], w[i])) << "field " << i + 1 << " of " << r;
    EXPECT_TRUE(allineato(c[11], c[11].size()) && c[11][0] == ' ' && c[11][1] != ' ') << r;
  }
}

TEST(TrainSource, AdhesionAndSpeedProfiles) {
  const auto& a = treno().aderenze;
  ASSERT_EQ(a.size(), 11u);
  EXPECT_EQ(a.front(), (std::vector<int>{0, 97}));
  EXPECT_EQ(a.back(), (std::vector<int>{81550, 95}));
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_TRUE(a[i][1] >= 85 && a[i][1] <= 100) << a[i][0];
    if (i > 0) {
      EXPECT_GT(a[i][0], a[i - 1][0]);
    }
  }
  const auto& v = treno().velocita;
  ASSERT_EQ(v.size(), 10u);
  EXPECT_EQ(v.front(), (std::vector<int>{0, 135}));
  EXPECT_EQ(v[1][0], 3000);
  EXPECT_EQ(v.back(), (std::vector<int>{81650, 30}));
  for (std::size_t i = 1; i < v.size(); ++i) {
    EXPECT_GT(v[i][0], v[i - 1][0]);
    EXPECT_NE(v[i][1], v[i - 1][1]) << "a speed line changes the speed";
    EXPECT_EQ(v[i][1] % 5, 0);
  }
}

TEST(TrainSource, StationsTheirTypesTimetableAndQuotedRows) {
  const auto righe = righe_di(treno().sezioni, "[stazioni]");
  for (const char* q : {"stazione,       0,  8,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,   8,35, 0, ARDENA",
                        "stazione,   16900, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, LUNESCO",
                        "stazione,   36750, 22,  500,  0, 0, 1,  0,0,0,  4,1,1,    0,   0, 0, 0, CORSENA",
                        "stazione,   51150, 11,  200,  0, 0, 1,  1,1,0,  4,1,1,  215,   0, 0, 0, TORVENA",
                        "stazione,   81750, 25,  200,  0, 0, 0,  0,0,0,  0,0,0,    1,   0, 0, 0, VELMORA C.LE"}) {
    EXPECT_EQ(std::count(righe.begin(), righe.end(), q), 1) << q;
  }
  EXPECT_EQ(righe.front(), "stazione,       0,  8,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,   8,35, 0, ARDENA");
  EXPECT_EQ(righe.back(), "stazione,   83000,  5,  800,  1, 1, 0,  1,1,0,  2,1,1,    0,   9,35, 0, VELMORA CENTRALE");

  const auto& st = treno().stazioni;
  ASSERT_EQ(st.size(), 19u);
  std::map<int, int> tipi;
  for (const auto& s : st) ++tipi[s.tipo()];
  EXPECT_EQ(tipi, (std::map<int, int>{{4, 1}, {5, 1}, {8, 1}, {11, 2}, {12, 3}, {22, 8}, {25, 1}, {28, 2}}));
  std::vector<std::string> con_orario;
  for (std::size_t i = 0; i < st.size(); ++i) {
    const bool atteso = i == 0 || i + 1 == st.size() || st[i].tipo() == 12 || st[i].tipo() == 4;
    EXPECT_EQ(st[i].con_orario(), atteso) << st[i].nome;
    // Every value fits the field the compiler stores it in.
    for (std::size_t k : {1u, 3u, 4u, 5u, 8u, 12u}) EXPECT_TRUE(st[i].v[k] >= 0 && st[i].v[k] <= 255) << st[i].nome;
  }
}

TEST(TrainSource, FortyFiveSignalsSplitAsTheLineHasThem) {
  const auto& sg = treno().segnali;
  ASSERT_EQ(sg.size(), 45u);
  EXPECT_EQ(righe_di(treno().sezioni, "[segnali]").front(), "segnale,    1650,   2, 4, 0,  0, 0,    0,  0,0,0, 0");
  const auto righe = righe_di(treno().sezioni, "[segnali]");
  for (const char* q : {"segnale,   15700,   2, 3, 1,  0, 0,    2,  2,1,0, 0",
                        "segnale,   77500,   2, 2, 3,  1, 1,    2,  2,1,1, 215"}) {
    EXPECT_EQ(std::count(righe.begin(), righe.end(), q), 1) << q;
  }
  int semplici = 0, con_s2 = 0, doppi = 0;
  std::set<int> tempi;
  for (std::size_t i = 0; i < sg.size(); ++i) {
    const auto& s = sg[i];
    ASSERT_EQ(s.size(), 11u);
    EXPECT_EQ(s[1], 2) << "sx of " << s[0];
    const std::vector<int> resto(s.begin() + 1, s.end());
    if (resto == std::vector<int>{2, 4, 0, 0, 0, 0, 0, 0, 0, 0}) ++semplici;
    if (resto == std::vector<int>{2, 4, 1, 0, 0, 0, 0, 0, 0, 0}) ++con_s2;
    if (s[6] == 2) ++doppi;
    tempi.insert(s[10]);
    if (i > 0) {
      EXPECT_GT(s[0], sg[i - 1][0]);
    }
  }
  EXPECT_EQ(semplici, 28);
  EXPECT_EQ(con_s2, 1);
  EXPECT_EQ(doppi, 16);
  EXPECT_EQ(tempi, (std::set<int>{0, 215, 240, 250}));
}

// ---------------------------------------------------------------- cells

constexpr int ultima_cella = 1840;  // (85000 + 7000) / 50

int cella_di(double x) { return static_cast<int>(std::nearbyint(x)); }  // halves to even

// Every point feature of the embedded scenario by its cell, as the compiler
// places them: boards, station end markers, the slowdown, signals, the code line.
struct mappa_celle {
  std::map<int, std::string> occupate;
  std::vector<std::string> conflitti;

  void poni(int c, const std::string& cosa) {
    if (c <= 1 || c > ultima_cella) conflitti.push_back(cosa + " outside cells 2.." + std::to_string(ultima_cella));
    auto [it, nuova] = occupate.emplace(c, cosa);
    if (!nuova) conflitti.push_back(cosa + " on cell " + std::to_string(c) + " of " + it->second);
  }
  bool libera(int c) const { return occupate.count(c) == 0; }
};

mappa_celle celle_scenario() {
  mappa_celle m;
  for (const cartello& b : linea().cartelli)
    m.poni(cella_di(b.posizione / 50.0 + 1), "board " + std::to_string(b.posizione));
  for (const auto& s : treno().stazioni) {
    if (s.tipo() < 25) m.poni(cella_di(s.fine() / 50.0 - 1), "end marker of " + s.nome);
  }
  for (const auto& r : treno().rallentamenti) {
    const int x = r[0], l = r[2];
    m.poni(cella_di((x - 1200) / 50.0 + 1), "slowdown warning board");
    m.poni(cella_di(x / 50.0 + 1), "slowdown start");
    m.poni(cella_di((x + l) / 50.0 + 1), "slowdown end");
    const int a = cella_di((x - 1200) / 50.0);
    for (int i = 0; i < 4; ++i) m.poni(a - i, "cell before the warning board");
  }
  for (const auto& s : treno().segnali) m.poni(cella_di(s[0] / 50.0 + 1), "signal " + std::to_string(s[0]));
  for (const auto& c : treno().codici) m.poni(cella_di(c[0] / 50.0), "code line " + std::to_string(c[0]));
  return m;
}

TEST(EmbeddedCells, NoTwoPointFeaturesShareACell) {
  const mappa_celle m = celle_scenario();
  EXPECT_TRUE(m.conflitti.empty()) << ::testing::PrintToString(m.conflitti);
  EXPECT_EQ(m.occupate.size(), 13u + 16u + 7u + 45u + 1u);
  EXPECT_EQ(m.occupate.at(707), "slowdown warning board");
  EXPECT_EQ(m.occupate.at(731), "slowdown start");
  EXPECT_EQ(m.occupate.at(741), "slowdown end");
  EXPECT_EQ(m.occupate.at(740), "end marker of CORSENA");
  EXPECT_EQ(m.occupate.at(1120), "code line 56000");
}

TEST(EmbeddedCells, StationsAreSpacedAndSignalsStandClearOfTheStart) {
  const auto& st = treno().stazioni;
  for (std::size_t i = 0; i < st.size(); ++i) {
    SCOPED_TRACE(st[i].nome);
    EXPECT_EQ(st[i].posizione() % 50, 0);
    EXPECT_EQ(st[i].lunghezza() % 100, 0);
    EXPECT_LE(st[i].posizione() + 800, 50 * ultima_cella);
    if (i > 0) {
      EXPECT_GE(st[i].inizio() - 350, st[i - 1].fine());
    }
  }
  for (const auto& s : treno().segnali) EXPECT_GE(s[0], 325);
}

TEST(EmbeddedCells, TheCodePassFindsTheCellsItNeedsAroundTheSlowdown) {
  const mappa_celle m = celle_scenario();
  const auto& r = treno().rallentamenti.at(0);
  const int avviso = cella_di((r[0] - 1200) / 50.0 + 1), inizio = cella_di(r[0] / 50.0 + 1),
            fine = cella_di((r[0] + r[2]) / 50.0 + 1);
  const auto segnale = [&](int c) { return m.occupate.count(c) && m.occupate.at(c).starts_with("signal"); };
  // Before the warning board: every signal has one of its two cells behind free.
  for (int k = avviso - 20; k < avviso; ++k) {
    if (segnale(k)) {
      EXPECT_TRUE(m.libera(k - 1) || m.libera(k - 2)) << "signal on cell " << k;
    }
  }
  // Approach to the start: one free cell in each group.
  for (int g : {5, 11, 18}) {
    EXPECT_TRUE(m.libera(inizio - g) || m.libera(inizio - g - 1) || m.libera(inizio - g - 2)) << "group " << g;
  }
  // Along the slowdown: every eighth cell or a neighbour free.
  for (int j = inizio + 8; j < fine; j += 8) EXPECT_TRUE(m.libera(j) || m.libera(j - 1) || m.libera(j + 1)) << j;
  // After the end: the first signal within twelve cells has a free cell behind it.
  for (int s = fine; s <= fine + 12; ++s) {
    if (segnale(s)) {
      EXPECT_TRUE(m.libera(s - 1) || m.libera(s - 2)) << "signal on cell " << s;
      break;
    }
  }
}

// ---------------------------------------------------------------- one journey

std::vector<std::string> corpo_scheda() {
  const auto righe = split_crlf(testo_scheda());
  return {righe.begin() + 16, righe.begin() + 40};
}
std::string nome_in_scheda(const std::string& riga) {
  std::string n = riga.substr(32, 27);
  return n.substr(0, n.find_last_not_of(' ') + 1);
}
double progressiva(const std::string& riga) { return std::stod(riga.substr(14, 10)); }

// A sheet name stands for a station when each of its words is the station's
// word or an abbreviation of it: "L." for "LAGO", "C.LE" for "CENTRALE".
bool abbrevia(const std::string& scheda, const std::string& nome) {
  const auto parole = [](const std::string& s) {
    std::vector<std::string> p;
    std::size_t i = 0;
    while (i < s.size()) {
      const std::size_t j = s.find(' ', i);
      p.push_back(s.substr(i, j == std::string::npos ? std::string::npos : j - i));
      if (j == std::string::npos) break;
      i = j + 1;
    }
    return p;
  };
  const std::vector<std::string> a = parole(scheda), b = parole(nome);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const std::size_t punto = a[i].find('.');
    if (punto == std::string::npos) {
      if (a[i] != b[i]) return false;
      continue;
    }
    const std::string prima = a[i].substr(0, punto), dopo = a[i].substr(punto + 1);
    if (!b[i].starts_with(prima) || !b[i].ends_with(dopo) || b[i].size() < a[i].size() - 1) return false;
  }
  return true;
}

bool punto_di_linea(const std::string& nome) {
  return nome.starts_with("Cippo chilometro ") || nome.starts_with("Deviatoio") || nome.starts_with("Segnale");
}

std::string ora(int h, int m) {
  char t[8];
  std::snprintf(t, sizeof t, "%d.%02d", h, m);
  return t;
}

TEST(OneJourney, TheSheetListsTheStationsInLineOrderWithTheirTimes) {
  const auto& st = treno().stazioni;
  std::size_t prossima = 0;
  for (const std::string& riga : corpo_scheda()) {
    const std::string nome = nome_in_scheda(riga);
    SCOPED_TRACE(nome);
    if (punto_di_linea(nome)) {
      if (nome.starts_with("Cippo chilometro ")) {
        EXPECT_EQ(std::stod(nome.substr(17)), progressiva(riga));
      }
      continue;
    }
    // The row stands for the next station(s) of the train source, in order.
    ASSERT_LT(prossima, st.size());
    ASSERT_TRUE(abbrevia(nome, st[prossima].nome)) << "expected " << st[prossima].nome;
    std::vector<const stazione_letta*> rappresentate{&st[prossima++]};
    while (prossima < st.size() && abbrevia(nome, st[prossima].nome)) rappresentate.push_back(&st[prossima++]);

    const stazione_letta& s = *rappresentate.back();
    EXPECT_NEAR(progressiva(riga), 82.840 - s.posizione() / 1000.0, 0.2);
    const std::string orario = riga.substr(60, 16);
    for (const stazione_letta* r : rappresentate) {
      if (!r->con_orario()) continue;
      EXPECT_EQ(r->sec(), 0);
      // Departure columns for the origin and the stops, arrival for the destination.
      const bool destinazione = r == &st.back();
      EXPECT_EQ(orario.substr(destinazione ? 2 : 11, 4), ora(r->ore(), r->min())) << r->nome;
    }
    const bool fermata = orario.substr(2, 4) != "    " || orario.substr(11, 4) != "    ";
    EXPECT_EQ(fermata, std::any_of(rappresentate.begin(), rappresentate.end(), [](auto* r) { return r->con_orario(); }))
        << "stops on the sheet are the timetabled stations";
  }
  EXPECT_EQ(prossima, st.size()) << "every station of the train source is on the sheet";
}

TEST(OneJourney, TheOrderAndTheNotesTellTheSlowdownOfTheTrainSource) {
  const auto& r = treno().rallentamenti.at(0);
  const int x = r[0], v = r[1], l = r[2];
  const auto ordine = split_crlf(testo_rallentamenti());
  const auto celle = [&](std::size_t i) {
    std::string s = ordine.at(12).substr(0, 82);
    std::vector<std::string> k;
    std::size_t a = 1;
    for (std::size_t b = s.find('|', a + 1); b != std::string::npos; a = b, b = s.find('|', a + 1)) {
      std::string t = s.substr(a + 1, b - a - 1);
      t.erase(0, t.find_first_not_of(' '));
      t.erase(t.find_last_not_of(' ') + 1);
      k.push_back(t);
    }
    return k.at(i);
  };
  EXPECT_EQ(celle(2), "47");
  EXPECT_EQ(std::stoi(celle(3)), v);
  EXPECT_EQ(std::stoi(celle(4)), l);
  // The slowdown begins after kilometre post 47 and within the station named.
  EXPECT_LT(82.840 - x / 1000.0, 47.0);
  EXPECT_GT(82.840 - x / 1000.0, 46.0);
  const auto& st = treno().stazioni;
  const auto corsena = std::find_if(st.begin(), st.end(), [&](auto& s) { return s.nome == celle(1); });
  ASSERT_NE(corsena, st.end());
  EXPECT_TRUE(x >= corsena->inizio() && x <= corsena->fine());
  EXPECT_FALSE(corsena->con_orario()) << "the train passes Corsena";
}

TEST(OneJourney, ThePlacesOfTheNotesAreStationsOfTheTrainSource) {
  const auto& st = treno().stazioni;
  const auto trova = [&](const std::string& inizio) {
    return std::find_if(st.begin(), st.end(), [&](auto& s) { return s.nome.starts_with(inizio); });
  };
  EXPECT_NE(trova("PRAVELLO"), st.end());
  const auto vescana = trova("VELMORA VESCANA");
  ASSERT_NE(vescana, st.end());
  // The coded section of the repetition ends just before Velmora Vescana.
  const auto generale = righe_di(linea().sezioni, "[generale]");
  const int fine_ripetizione = valori(generale.back()).at(1);
  EXPECT_EQ(fine_ripetizione, 76800);
  EXPECT_GT(vescana->posizione(), fine_ripetizione);
  EXPECT_LE(vescana->posizione(), fine_ripetizione + 1000);
  EXPECT_GE(vescana->inizio(), fine_ripetizione);
  // The rank of the notes and the braked mass of the sheet are the train's.
  const auto scheda = split_crlf(testo_scheda());
  EXPECT_NE(scheda.at(4).find("V160 B"), std::string::npos);
  EXPECT_NE(testo_note().find("rango B"), std::string::npos);
  EXPECT_NE(scheda.at(5).find("125%"), std::string::npos);
  EXPECT_EQ(valori(righe_di(treno().sezioni, "[generale]").at(1)).at(0), 125);
}

// ---------------------------------------------------------------- compiling

TEST(EmbeddedScenario, CompilesCleanThroughTheCodePass) {
  modello m;
  m.nome_linea = "Ardena_VelmoraCle";
  m.nome_treno = "4713";
  m.scrivi_linea = 1;
  sorgenti_in_memoria s(testo_linea(), testo_treno());
  memorizza_dati(m, s);
  ASSERT_EQ(m.codice_errore, 0) << "at " << m.posizione_errore << " m";
  ASSERT_TRUE(m.percorso.has_value());
  ASSERT_EQ(m.ultima_cella, ultima_cella);
  EXPECT_FALSE(s.esiste_linea());
  EXPECT_FALSE(s.esiste_treno());

  const auto& p = *m.percorso;
  const mappa_celle attese = celle_scenario();
  for (const auto& [c, cosa] : attese.occupate) {
    SCOPED_TRACE(cosa);
    std::uint8_t tipo = tipo_cella::segnale;
    if (cosa.starts_with("board")) tipo = tipo_cella::indicatore_v_max;
    if (cosa.starts_with("end marker")) tipo = tipo_cella::fine_stazione;
    if (cosa.starts_with("code line")) tipo = tipo_cella::punto_codice;
    if (cosa == "slowdown warning board") tipo = tipo_cella::avviso_rallentamento;
    if (cosa == "slowdown start") tipo = tipo_cella::inizio_rallentamento;
    if (cosa == "slowdown end") tipo = tipo_cella::fine_rallentamento;
    if (cosa == "cell before the warning board") tipo = tipo_cella::prima_avviso;
    EXPECT_EQ(p[static_cast<std::size_t>(c)].tipo, tipo) << "cell " << c;
  }
  int stazioni = 0;
  for (int i = 1; i <= 19; ++i) stazioni += m.stazioni[static_cast<std::size_t>(i)].nome.empty() ? 0 : 1;
  EXPECT_EQ(stazioni, 19);

  passo_codici(m);
  EXPECT_EQ(m.codice_errore, 0) << "at " << m.posizione_errore << " m";
  std::vector<int> punti;
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (p[i].tipo == tipo_cella::punto_codice) {
      punti.push_back(static_cast<int>(i));
      EXPECT_EQ(p[i].valore1, 180) << i;
    }
  }
  // In front of the signal before the board, three on the approach, one along,
  // one in front of the first signal after the end, and the code line's.
  EXPECT_EQ(punti, (std::vector<int>{694, 713, 720, 726, 739, 742, 1120}));
  EXPECT_EQ(p[1].valore1, 0);
  EXPECT_EQ(p[1].valore2, 0);
}

// The code points of a track, by cell.
std::vector<int> punti_codice(const modello& m) {
  std::vector<int> out;
  for (std::size_t c = 0; c < m.percorso->size(); ++c) {
    if ((*m.percorso)[c].tipo == tipo_cella::punto_codice) out.push_back(static_cast<int>(c));
  }
  return out;
}

// The embedded scenario, compiled from the writers' own text. Its one slowdown
// (board 707, start 731, end 741 at 70 km/h) lies among the signals in cells
// 695, 727 and 743 and Corsena's end marker in 740.
TEST(CodePassEmbedded, CodePointsAroundTheCorsenaSlowdown) {
  const identita id = identita_incorporata();
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  m.scrivi_linea = 1;
  sorgenti_in_memoria s(testo_linea(), testo_treno());
  memorizza_dati(m, s);
  ASSERT_TRUE(m.percorso.has_value());
  ASSERT_EQ(m.codice_errore, 0) << "at " << m.posizione_errore;

  const std::pair<int, std::uint8_t> intorno[] = {
      {695, tipo_cella::segnale},       {703, tipo_cella::prima_avviso},
      {706, tipo_cella::prima_avviso},  {707, tipo_cella::avviso_rallentamento},
      {727, tipo_cella::segnale},       {731, tipo_cella::inizio_rallentamento},
      {740, tipo_cella::fine_stazione}, {741, tipo_cella::fine_rallentamento},
      {743, tipo_cella::segnale},
  };
  for (const auto& [c, tipo] : intorno)
    EXPECT_EQ(m.percorso->at(static_cast<std::size_t>(c)).tipo, tipo) << "cell " << c;
  // The code line at 56000 m is the only code point before the pass.
  EXPECT_EQ(punti_codice(m), std::vector<int>{1120});

  const std::vector<cella> prima = *m.percorso;
  passo_codici(m);

  // 694: before the signal in 695, among the 20 cells behind the board.
  // 726, 720, 713: the first candidate of each approach group (731 - 5, - 11, - 18).
  // 739: eight cells after the start, free of type although Corsena's and
  //      the 743 signal's approach bytes are on it.
  // 742: before the first signal after the end cell.
  const std::vector<int> nuovi{694, 713, 720, 726, 739, 742};
  std::vector<int> attesi = nuovi;
  attesi.push_back(1120);
  EXPECT_EQ(punti_codice(m), attesi);
  EXPECT_EQ(m.codice_errore, 0);
  for (std::size_t c = 0; c < prima.size(); ++c) {
    cella atteso = prima[c];
    if (std::find(nuovi.begin(), nuovi.end(), static_cast<int>(c)) != nuovi.end()) {
      atteso.tipo = tipo_cella::punto_codice;
      atteso.valore1 = 180;
    }
    EXPECT_EQ((*m.percorso)[c], atteso) << "cell " << c;
  }
}

}  // namespace
}  // namespace scen
