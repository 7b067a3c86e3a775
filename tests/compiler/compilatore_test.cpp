// Every error the compile step records: its code, its position, which
// sources still exist afterwards, and where in the sources it stopped.
#include <gtest/gtest.h>

#include <string>

#include "support/sources.h"

namespace scen {
namespace {

using test_util::compila;
using test_util::join_crlf;
using test_util::linea;
using test_util::sostituisci;
using test_util::treno;

std::string stazione(int p, int tipo, int l, const std::string& nome = "X") {
  return "stazione,  " + std::to_string(p) + ", " + std::to_string(tipo) + ", " + std::to_string(l) +
         ", 0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, " + nome;
}
std::string segnale(int p) { return "segnale,  " + std::to_string(p) + ",   2, 4, 0,  0, 0,    0,  0,0,0, 0"; }

// A route whose board texts take `r` entries of the station table.
std::string linea_con_indicazioni(int r) {
  std::string s = "[indicazioni]\r\n";
  for (int i = 0; i < r; ++i)
    s += "cartello indicatore,  " + std::to_string(1000 + 100 * i) + ",  TESTO " + std::to_string(i) + "\r\n";
  return linea(s);
}

struct caso {
  const char* nome;
  std::optional<std::string> route;
  std::optional<std::string> train;
  std::int32_t codice;
  std::int32_t posizione;
  bool linea_dopo;
  bool treno_dopo;
};

TEST(CompileErrors, TableOfFixtures) {
  const std::string gen = test_util::generale_linea();
  const caso casi[] = {
      {"clean", linea(), treno(), 0, 0, false, false},
      {"101 route source missing", std::nullopt, treno(), 101, 0, false, true},
      {"102 empty route source", std::string(), treno(), 102, 0, false, true},
      {"102 [generale] only as the last field", join_crlf({"x", "[generale]"}), treno(), 102, 0, false, true},
      {"1 route length above 1000000", sostituisci(linea(), "85000", "1000001"), treno(), 1, 0, false, true},
      {"3 repetition start", sostituisci(linea(), "codici,    0,", "codici,    25,"), treno(), 3, 0, false, true},
      {"4 repetition end", sostituisci(linea(), "76800", "76825"), treno(), 4, 0, false, true},
      {"5 repetition key without 4 or 9", sostituisci(linea(), "segnali 4 codici", "segnali quattro codici"), treno(),
       5, 0, false, true},
      {"2 kilometric zone not a multiple of 50", sostituisci(linea(), "82800,    1", "82825,    1"), treno(), 2, 0,
       false, false},
      {"103 curve digit", linea("curvad7,  800,  450\r\n"), treno(), 103, 0, false, true},
      {"21 board on a board",
       linea("[cartelli]\r\nindicatori_vmax,  700,  1,1,1,0,,,,0\r\nindicatori_vmax,  690,  1,1,1,0,,,,0\r\n"), treno(),
       21, 690, false, true},
      {"6 indication board on a board",
       linea("indicatori_vmax,  700,  1,1,1,0,,,,0\r\ncartello indicatore,  700,  TESTO\r\n"), treno(), 6, 700, false,
       true},
      {"15 route line too close to the end", linea("pendenza,  91950,  0\r\n"), treno(), 15, 91950, false, false},
      {"15 from the route stops the train at its first signal", linea("pendenza,  91950,  0\r\n"),
       treno(join_crlf({segnale(1650)})), 15, 1650, false, false},
      {"25 no length line", join_crlf({"[generale]", "[curve]", "[fine]"}), treno(), 25, 0, false, false},
      {"25 length not a number", sostituisci(linea(), "85000", "85k"), treno(), 25, 0, false, false},
      {"7 code line on a taken cell", linea(),
       treno(join_crlf({"abbattimento,   56000,   180", "abbattimento,   56010,   180"})), 7, 56010, false, false},
      {"8 station position", linea(), treno(join_crlf({stazione(36725, 22, 500)})), 8, 36725, false, false},
      {"9 station length", linea(), treno(join_crlf({stazione(36750, 22, 550)})), 9, 36750, false, false},
      {"10 station table full", linea_con_indicazioni(78), treno(join_crlf({stazione(5000, 28, 100)})), 10, 0, false,
       false},
      {"15 station too close to the end", linea(), treno(join_crlf({stazione(91250, 22, 500)})), 15, 91250, false,
       false},
      {"15 speed line too close to the end", linea(), treno(join_crlf({"velocita,   91950,   100"})), 15, 91950, false,
       false},
      {"16 signal on a signal", linea(), treno(join_crlf({segnale(1650), segnale(1660)})), 16, 1660, false, false},
      {"17 warning board cell taken", linea(),
       treno(join_crlf({segnale(35300), "rallentamento,   36500,    70,  500, 1,  1,  0"})), 17, 36500, false, false},
      {"18 slowdown start cell taken", linea(),
       treno(join_crlf({segnale(36500), "rallentamento,   36500,    70,  500, 1,  1,  0"})), 18, 36500, false, false},
      {"19 slowdown end cell taken", linea(),
       treno(join_crlf({segnale(37000), "rallentamento,   36500,    70,  500, 1,  1,  0"})), 19, 37000 - 500, false,
       false},
      {"20 cells before the warning board taken", linea(),
       treno(join_crlf({segnale(35200), "rallentamento,   36500,    70,  500, 1,  1,  0"})), 20, 36500, false, false},
      {"22 stations too close", linea(), treno(join_crlf({stazione(10000, 22, 500), stazione(10500, 22, 500)})), 22,
       10500, false, false},
      {"24 station end marker on cell 1", linea(), treno(join_crlf({stazione(50, 12, 100)})), 24, 0, false, false},
      {"25 train source missing", linea(), std::nullopt, 25, 0, false, false},
      {"25 a number that is a word", linea(), join_crlf({"[generale]", "numero vetture,  twelve", "[fine]"}), 25, 0,
       false, false},
      {"25 station type above 8 bits", linea(), treno(join_crlf({stazione(10000, 300, 500)})), 25, 0, false, false},
      {"25 signal at 300 m", linea(), treno(join_crlf({segnale(300)})), 25, 0, false, false},
      {"25 board at -100 m", linea("indicatori_vmax,  -100,  1,1,1,0,,,,0\r\n"), treno(), 25, 0, false, false},
      {"25 curve past the last metre", linea("curvad1,  90000,  5000\r\n"), treno(), 25, 0, false, false},
      {"25 adhesion fill past the last cell", linea(), treno([] {
         std::string r;
         for (int i = 0; i < 1900; ++i) r += "aderenza,  50,  90\r\n";
         return r;
       }()),
       25, 0, false, false},
  };
  (void)gen;
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    const auto r = compila(c.route, c.train);
    EXPECT_EQ(r.m.codice_errore, c.codice);
    EXPECT_EQ(r.m.posizione_errore, c.posizione);
    EXPECT_EQ(r.linea_esiste, c.linea_dopo) << "route source";
    EXPECT_EQ(r.treno_esiste, c.treno_dopo) << "train source";
  }
}

TEST(CompileErrors, AnEightyFirstMountainZoneIsARunTimeFailure) {
  std::string zone;
  for (int i = 0; i < 81; ++i)
    zone += "montagna,  " + std::to_string(1000 + 400 * i) + ",  " + std::to_string(1100 + 400 * i) + ",  1\r\n";
  auto r = compila(linea(zone), treno());
  EXPECT_EQ(r.m.codice_errore, 25);
  EXPECT_EQ(r.m.n_montagne, 80);
  EXPECT_EQ((*r.m.percorso)[static_cast<std::size_t>((1000 + 400 * 79) / 50)].montagna, 1) << "the 80th zone is stored";
}

TEST(CompileErrors, ASignalAt300MetresWritesUpToCell1ThenFails) {
  auto r = compila(linea(), treno(join_crlf({segnale(300)})));
  ASSERT_EQ(r.m.codice_errore, 25);
  const auto& p = *r.m.percorso;
  EXPECT_EQ(p[7].tipo, 1);
  EXPECT_EQ(p[5].avviso, 61);
  EXPECT_EQ(p[3].avviso, 62);
  EXPECT_EQ(p[1].avviso, 63);
}

TEST(CompileErrors, TheLineOfTheFieldWhereTheCompileStopped) {
  const std::string train = treno(join_crlf({"velocita,  0,  100", stazione(36725, 22, 500)}));
  auto r = compila(linea(), train);
  EXPECT_EQ(r.m.codice_errore, 8);
  EXPECT_EQ(r.luogo.file, luogo_errore::sorgente::treno);
  EXPECT_EQ(r.luogo.riga, 7);

  r = compila(linea("pendenza,  1000,  3\r\ncurvad9,  800,  450\r\n"), treno());
  EXPECT_EQ(r.m.codice_errore, 103);
  EXPECT_EQ(r.luogo.file, luogo_errore::sorgente::linea);
  EXPECT_EQ(r.luogo.riga, 12);

  r = compila(std::nullopt, treno());
  EXPECT_EQ(r.luogo.file, luogo_errore::sorgente::nessuna);
}

TEST(CompileErrors, AStationNeverOverwritesABoardText) {
  // 80 board texts leave no entry for a station: entry 1 keeps its text.
  auto r = compila(linea_con_indicazioni(80), treno(join_crlf({stazione(5000, 28, 100)})));
  EXPECT_EQ(r.m.codice_errore, 10);
  EXPECT_EQ(r.m.stazioni[1].nome, "TESTO 79");
}

TEST(CompileErrors, AnEightyFirstBoardTextIsARunTimeFailure) {
  auto r = compila(linea_con_indicazioni(81), treno());
  EXPECT_EQ(r.m.codice_errore, 25);
}

}  // namespace
}  // namespace scen
