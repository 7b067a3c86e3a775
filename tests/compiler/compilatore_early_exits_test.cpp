// Early exits of the compile step that the coverage run found unreached by
// the other tests: the plan view's metre limit, every order of the
// kilometric zones, and a source that exists but cannot be read.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include <algorithm>
#include <array>
#include <filesystem>

#include "compiler/lettore.h"
#include "compiler/memo.h"
#include "model/accesso.h"
#include "model/nomi_file.h"
#include "support/files.h"
#include "support/sources.h"

namespace scen {
namespace {

using test_util::compila;
using test_util::linea;
using test_util::sostituisci;
using test_util::treno;

// On the longest route the plan view may not pass metre 1000000: the curve
// that would take it there ends the compile with code 103 at once.
TEST(CompileEarlyExits, ThePlanViewStopsAtMetre1000000) {
  const auto lunga = [](const std::string& curve) {
    return sostituisci(linea(curve), "lunghezza percorso,    85000", "lunghezza percorso,    1000000");
  };
  struct caso {
    const char* nome;
    std::string route;
    std::int32_t codice;
  } casi[] = {
      {"a curve that ends on metre 999999", lunga("curvad1,  999000,  999\r\n"), 0},
      {"the straight run before a curve passes the limit", lunga("curvad1,  1000500,  10\r\n"), 103},
      {"the curve itself passes the limit", lunga("curvas2,  999990,  100\r\n"), 103},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    const auto r = compila(c.route, treno());
    EXPECT_EQ(r.m.codice_errore, c.codice);
    EXPECT_FALSE(r.linea_esiste);
    // Code 103 returns before the train source is opened.
    EXPECT_EQ(r.treno_esiste, c.codice == 103);
    ASSERT_TRUE(r.m.planimetria.has_value());
    if (c.codice == 103) {
      EXPECT_EQ(r.m.planimetria->tag(1000000, 0), tag_piano::reale) << "metre 1000000 is the last one written";
      EXPECT_EQ(r.m.planimetria->tag(1000001, 0), tag_piano::vuoto);
    }
  }
}

// Every order of three distinct zone starts: the largest start leads, then
// the next; a zone whose flag is 1 gets 100 added to its progressive.
TEST(CompileEarlyExits, EveryOrderOfTheKilometricZones) {
  std::array<std::int32_t, 3> inizi{100, 200, 300};
  do {
    SCOPED_TRACE(::testing::Message() << inizi[0] << " " << inizi[1] << " " << inizi[2]);
    modello m;
    for (int i = 0; i < 3; ++i) {
      m.stazioni[81 + i].inizio = inizi[i];
      m.stazioni[81 + i].fine = inizi[i] * 10;
      m.stazioni[81 + i].posizione = inizi[i] == 200 ? 1 : 0;
    }
    progressive_ordina(m);
    const std::int32_t attesi[] = {300, 200, 100};
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(m.stazioni[81 + i].inizio, attesi[i]);
      EXPECT_EQ(m.stazioni[81 + i].fine, attesi[i] * 10 + (attesi[i] == 200 ? 100 : 0));
    }
  } while (std::next_permutation(inizi.begin(), inizi.end()));
}

// A source that is there but cannot be read is a failure of the platform,
// not an error of the sources: it passes through the compile step naming the
// file and the reason, with no code recorded and nothing deleted. Root reads
// every file, so the compile runs in a child that has given up root.
TEST(CompileEarlyExits, ARouteSourceThatCannotBeReadIsAPlatformFailure) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the child another user";
  test_util::temp_folder dir;
  const identita id = identita_incorporata();
  const auto sorgente = dir.path() / nome_sorgente_linea(id);
  test_util::write_file(sorgente, linea());
  test_util::write_file(dir.path() / nome_sorgente_treno(id), treno());
  ::chmod(sorgente.c_str(), 0);
  ::chmod(dir.path().c_str(), 0777);  // the child could delete the sources
  EXPECT_EXIT(
      {
        if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) std::_Exit(100);
        folder dove(dir.path());
        sorgenti_in_cartella s(dove, id);
        modello m;
        m.nome_linea = id.nome_linea;
        m.nome_treno = id.nome_treno;
        m.scrivi_linea = 1;
        try {
          memorizza_dati(m, s);
        } catch (const platform_error& g) {
          const bool intatte = dove.exists(nome_sorgente_treno(id));
          std::exit(g.file() == sorgente && g.reason() == std::strerror(EACCES) && m.codice_errore == 0 && intatte ? 0
                                                                                                                   : 1);
        }
        std::exit(2);
      },
      ::testing::ExitedWithCode(0), "");
}

// Every reading stage's own way out: a line too close to the end of the track
// (code 15 at its position), a length that leaves no track, and the ends of
// file that come right after a key or a comment field.
TEST(CompileEarlyExits, EveryStageStopsWhereItShould) {
  using test_util::join_crlf;
  const std::string seg = "segnale,  91950,   2, 4, 0,  0, 0,    0,  0,0,0, 0";
  struct caso {
    const char* nome;
    std::string route;
    std::string train;
    std::int32_t codice;
    std::int32_t posizione;
    bool celle;
  } casi[] = {
      {"curve too close to the end", linea("curvad1,  91950,  10\r\n"), treno(), 15, 91950, true},
      {"mountain zone too close to the end", linea("montagna,  91950,  92000,  1\r\n"), treno(), 15, 91950, true},
      {"speed board too close to the end", linea("indicatori_vmax,  91950,  1,1,1,0,,,,0\r\n"), treno(), 15, 91950,
       true},
      {"indication board too close to the end", linea("cartello indicatore,  91950,  T\r\n"), treno(), 15, 91950, true},
      {"adhesion too close to the end", linea(), treno(join_crlf({"aderenza,  91950,  90"})), 15, 91950, true},
      {"signal too close to the end", linea(), treno(join_crlf({seg})), 15, 91950, true},
      {"slowdown too close to the end", linea(), treno(join_crlf({"rallentamento,   91950,    70,  500, 1,  1,  0"})),
       15, 91950, true},
      {"code line too close to the end", linea(), treno(join_crlf({"abbattimento,   91950,   180"})), 15, 91950, true},
      {"length of -6975 m leaves one cell", sostituisci(linea(), "85000", "-6975"), treno(), 25, 0, false},
      {"length of -6974 m leaves cells 0 and 1", sostituisci(linea(), "85000", "-6974"), treno(), 0, 0, true},
      {"zone start not a multiple of 50", sostituisci(linea(), "uno,    0,    82800", "uno,    25,    82800"), treno(),
       2, 0, true},
      {"route ends right after a general value", "[generale]\r\nlunghezza percorso,  5000\r\n", treno(), 0, 0, true},
      {"route ends on a field of the general section", "[generale]\r\nlunghezza percorso,  5000\r\nx", treno(), 0, 0,
       true},
      {"route ends on its comment fields", linea("- uno\r\n- due"), treno(), 0, 0, true},
      {"train ends on its comment fields", linea(), "[generale]\r\n- uno\r\n- due", 0, 0, true},
      {"half keys and bracketed comments are no keys",
       join_crlf({"[generale]", "percorso,", "segnali,", "-[nota]", "[aperta", "lunghezza percorso,  5000", "[curve]",
                  "[fine]"}),
       join_crlf({"[generale]", "frenata,", "massa,", "[fine]"}), 0, 0, true},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    const auto r = compila(c.route, c.train);
    EXPECT_EQ(r.m.codice_errore, c.codice);
    EXPECT_EQ(r.m.posizione_errore, c.posizione);
    EXPECT_EQ(r.m.percorso.has_value(), c.celle);
  }
}

// The plan view that curves reach to its second last metre is not carried
// on; a mountain zone's marker never replaces a board.
TEST(CompileEarlyExits, CurvesToTheEndAndMarkersBesideBoards) {
  const auto fino_in_fondo = compila(sostituisci(linea("curvad1,  6000,  998\r\n"), "85000", "0"), treno());
  EXPECT_EQ(fino_in_fondo.m.codice_errore, 0);
  ASSERT_TRUE(fino_in_fondo.m.planimetria.has_value());
  EXPECT_EQ(fino_in_fondo.m.planimetria->tag(6998, 0), tag_piano::reale);
  EXPECT_EQ(fino_in_fondo.m.planimetria->tag(6999, 0), tag_piano::vuoto);

  // Markers land on every fourth cell of the zone (cells 23, 27, ...); cell 23 holds a board.
  const auto zona = compila(linea("indicatori_vmax,  1100,  1,1,1,0,,,,0\r\nmontagna,  1000,  2000,  12\r\n"), treno());
  EXPECT_EQ(zona.m.codice_errore, 0);
  ASSERT_TRUE(zona.m.percorso.has_value());
  EXPECT_EQ((*zona.m.percorso)[23].tipo, tipo_cella::indicatore_v_max);
  EXPECT_EQ((*zona.m.percorso)[27].tipo, tipo_cella::montagna);
}

// Stations of type 6 reach back their length and 150 m ahead, with no
// approach cells.
TEST(CompileEarlyExits, StationOfType6) {
  const auto r = compila(
      linea(), treno(test_util::join_crlf({"stazione,  20000, 6, 400, 0, 0, 1,  1,1,0,  4,1,1,    0,   0, 0, 0, X"})));
  EXPECT_EQ(r.m.codice_errore, 0);
  EXPECT_EQ(r.m.stazioni[1].inizio, 19600);
  EXPECT_EQ(r.m.stazioni[1].fine, 20150);
  EXPECT_EQ(r.m.stazioni[1].opzione3, 0);
  for (int cella = 395; cella <= 402; ++cella) EXPECT_EQ((*r.m.percorso)[cella].avviso, 0) << cella;
}

// The reader at the very end of a source: a lone CR as the last byte, and a
// number field with only blanks and line ends left.
TEST(CompileEarlyExits, TheReaderAtTheLastBytes) {
  lettore_campi cr("a\r");
  EXPECT_EQ(cr.leggi_testo(), "a");
  EXPECT_TRUE(cr.fine_file());

  lettore_campi vuoti(" \t\r\n ");
  EXPECT_EQ(vuoti.leggi_32(), 0);
  EXPECT_TRUE(vuoti.fine_file());
  EXPECT_THROW(vuoti.leggi_32(), guasto_esecuzione);
}

}  // namespace
}  // namespace scen
