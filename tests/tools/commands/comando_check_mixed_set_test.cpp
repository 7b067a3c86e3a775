// Files of different compiles side by side in one folder: the check tells
// from what they say about each other which file does not belong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/verifica.h"
#include "platform/exit_status.h"
#include "support/tool_runs.h"

namespace scen {
namespace {

using test_util::temp_folder;

const identita id = identita_incorporata();

// The three files of one compile of `linea` and `treno` under the embedded identity.
file_scenario compila(const std::vector<std::string>& linea, const std::vector<std::string>& treno) {
  temp_folder dir;
  folder dove(dir.path());
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  sorgenti_in_memoria s(test_util::join_crlf(linea), test_util::join_crlf(treno));
  const esito_percorso esito = memorizza_percorso(m, 1, id, s, dove);
  if (esito.fatale || m.codice_errore != 0) throw std::runtime_error("the test scenario does not compile clean");
  return {test_util::read_file(dir.path() / nome_file_linea(id)),
          test_util::read_file(dir.path() / nome_file_sommario(id)),
          test_util::read_file(dir.path() / nome_file_percorso(id))};
}

const file_scenario& incorporato() {
  static const file_scenario f = [] {
    temp_folder dir;
    test_util::compila_incorporato(dir.path());
    return file_scenario{test_util::read_file(dir.path() / nome_file_linea(id)),
                         test_util::read_file(dir.path() / nome_file_sommario(id)),
                         test_util::read_file(dir.path() / nome_file_percorso(id))};
  }();
  return f;
}

// The small scenario: a route of 10 km instead of 85.
const file_scenario& piccolo() {
  static const file_scenario f = compila(test_util::linea_piccola(), test_util::treno_piccolo());
  return f;
}

// The small scenario with one station 500 m further on: the same length.
const file_scenario& piccolo_spostato() {
  static const file_scenario f = [] {
    auto treno = test_util::treno_piccolo();
    treno[13] = "stazione,    5500, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, LUNESCO";
    return compila(test_util::linea_piccola(), treno);
  }();
  return f;
}

std::string elenco(const std::vector<std::string>& v) {
  std::string out;
  for (const auto& s : v) out += s + "\n";
  return out;
}

TEST(MixedSet, TheFilesOfOneCompileBelongTogether) {
  EXPECT_EQ(elenco(verifica_insieme(incorporato(), id)), "");
  EXPECT_EQ(elenco(verifica_insieme(piccolo(), id)), "");
  EXPECT_EQ(elenco(verifica_insieme(piccolo_spostato(), id)), "");
  // Without the line data file (a compile with --no-line-data) the other two still agree.
  EXPECT_EQ(elenco(verifica_insieme({std::nullopt, piccolo().sommario, piccolo().percorso}, id)), "");
}

TEST(MixedSet, TheFileFromAnotherCompileIsNamed) {
  struct caso {
    std::string estraneo;
    file_scenario f;
  };
  const file_scenario& a = incorporato();
  const file_scenario& b = piccolo();
  const std::vector<caso> casi = {
      {nome_file_linea(id), {b.linea, a.sommario, a.percorso}},
      {nome_file_sommario(id), {a.linea, b.sommario, a.percorso}},
      {nome_file_percorso(id), {a.linea, a.sommario, b.percorso}},
      // The same the other way round: two small files, one embedded.
      {nome_file_sommario(id), {b.linea, a.sommario, b.percorso}},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.estraneo);
    const auto problemi = verifica_insieme(c.f, id);
    ASSERT_EQ(problemi.size(), 1u) << elenco(problemi);
    EXPECT_EQ(problemi[0].rfind(c.estraneo + ": does not belong with ", 0), 0u) << problemi[0];
  }
}

TEST(MixedSet, StationsThatDoNotMatchTheTracksMarkersNameThePair) {
  // Same length: the plan view agrees with both, so either of the two may be the stranger.
  const file_scenario f{piccolo().linea, piccolo_spostato().sommario, piccolo().percorso};
  const auto problemi = verifica_insieme(f, id);
  ASSERT_EQ(problemi.size(), 1u) << elenco(problemi);
  EXPECT_EQ(problemi[0].rfind(
                nome_file_sommario(id) + ": does not come from the same compile as " + nome_file_percorso(id), 0),
            0u)
      << problemi[0];
  EXPECT_NE(problemi[0].find("LUNESCO"), std::string::npos) << problemi[0];
}

TEST(MixedSet, TheToolsCheckNamesTheOddFileWithStatus1) {
  temp_folder dir;
  test_util::compila_incorporato(dir.path());
  test_util::write_file(dir.path() / nome_file_sommario(id), *piccolo().sommario);
  const auto r = test_util::run_tool({"check", "."}, dir.path());
  EXPECT_EQ(r.status, exit_status::problem);
  EXPECT_NE(r.err.find(nome_file_sommario(id) + ": does not belong with " + nome_file_linea(id) + " and " +
                       nome_file_percorso(id)),
            std::string::npos)
      << r.err;
}

}  // namespace
}  // namespace scen
