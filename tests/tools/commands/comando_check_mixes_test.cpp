// Mixed sets generated, not picked: pairs of compiles of the embedded
// scenario with one line edited, and for every pair each of the six ways of
// taking the three files from the two. A mix that differs from both
// compiles' own sets must be flagged, with the file that does not fit (or
// the pair, when the links cannot tell); a mix that is, byte for byte, one
// compile's own set (the pair differs in one file only) must pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "embedded/testi.h"
#include "formats/verifica.h"
#include "platform/exit_status.h"
#include "support/tool_runs.h"

namespace scen {
namespace {

using test_util::temp_folder;

const identita id = identita_incorporata();

// One edit of a source: the first `da` becomes `a`.
struct modifica {
  bool nel_treno;
  std::string da;
  std::string a;
};

// The embedded scenario with the edits made, compiled clean.
file_scenario compila(const std::vector<modifica>& modifiche) {
  std::string linea = testo_linea();
  std::string treno = testo_treno();
  for (const modifica& m : modifiche) {
    std::string& s = m.nel_treno ? treno : linea;
    s = test_util::sostituisci(s, m.da, m.a);
  }
  temp_folder dir;
  folder dove(dir.path());
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  sorgenti_in_memoria s(linea, treno);
  const esito_percorso esito = memorizza_percorso(m, 1, id, s, dove);
  if (esito.fatale || m.codice_errore != 0) {
    throw std::runtime_error("an edited scenario does not compile clean: error " + std::to_string(m.codice_errore));
  }
  return {test_util::read_file(dir.path() / nome_file_linea(id)),
          test_util::read_file(dir.path() / nome_file_sommario(id)),
          test_util::read_file(dir.path() / nome_file_percorso(id))};
}

const modifica tabella_a_12000{false, "[indicazioni]\r\n",
                               "[indicazioni]\r\ncartello indicatore,  12000,  \"PONTE\"\r\n"};

// Two compiles that differ in one thing. `legata`: a link between two files
// covers it (so it changes two files or more); otherwise it lives in one
// file alone, and no content can tell a mix.
struct coppia {
  const char* nome;
  std::vector<modifica> a;
  std::vector<modifica> b;
  bool legata;
};

void PrintTo(const coppia& c, std::ostream* os) { *os << c.nome; }

const std::vector<coppia>& coppie() {
  static const std::vector<coppia> c{
      // One file alone: the plan view, the track, the summary.
      {"curve", {}, {{false, "curvad3,  800,  450", "curvad4,  800,  450"}}, false},
      {"slowdown_speed", {}, {{true, "rallentamento,   36500,    70,", "rallentamento,   36500,    60,"}}, false},
      {"station_name", {}, {{true, "0, LUNESCO", "0, LUNESCA"}}, false},
      {"speed_board", {}, {{false, "indicatori_vmax,  3150,  140", "indicatori_vmax,  3150,  130"}}, false},
      {"signal", {}, {{true, "segnale,    9600,   2, 4, 0", "segnale,    9600,   2, 3, 0"}}, false},
      {"kilometric_zone", {}, {{false, "82800", "82850"}}, false},
      {"board_text", {tabella_a_12000}, {tabella_a_12000, {false, "\"PONTE\"", "\"PONTI\""}}, false},
      {"board_moved", {tabella_a_12000}, {tabella_a_12000, {false, "12000,  \"PONTE\"", "12500,  \"PONTE\""}}, false},
      // Tied between files.
      {"route_length", {}, {{false, "lunghezza percorso,    85000", "lunghezza percorso,    86000"}}, true},
      {"station_moved", {}, {{true, "stazione,   16900, 12,", "stazione,   17400, 12,"}}, true},
      {"station_length", {}, {{true, "stazione,   16900, 12,  600", "stazione,   16900, 12,  800"}}, true},
      // The same end, so the same end marker: only the approach cells differ.
      {"station_type",
       {{true, "stazione,   16900, 12,  600", "stazione,   16900, 12,  300"}},
       {{true, "stazione,   16900, 12,  600", "stazione,   16900,  5,  300"}},
       true},
      {"station_removed",
       {},
       {{true, "stazione,   25600, 22,  400,  0, 0, 0,  0,0,0,  4,1,1,    0,   0, 0, 0, MOLINETTA\r\n", ""}},
       true},
      {"board_added", {}, {tabella_a_12000}, true},
      {"second_board_added",
       {tabella_a_12000},
       {tabella_a_12000, {false, "\"PONTE\"\r\n", "\"PONTE\"\r\ncartello indicatore,  14000,  \"GALLERIA\"\r\n"}},
       true},
  };
  return c;
}

const std::optional<std::string>& file_n(const file_scenario& f, int i) {
  return i == 0 ? f.linea : i == 1 ? f.sommario : f.percorso;
}

const std::array<std::string, 3> nomi{nome_file_linea(id), nome_file_sommario(id), nome_file_percorso(id)};

// File i from B when bit i of `da_b` is set, else from A.
file_scenario mescola(const file_scenario& a, const file_scenario& b, int da_b) {
  return {(da_b & 1) != 0 ? b.linea : a.linea, (da_b & 2) != 0 ? b.sommario : a.sommario,
          (da_b & 4) != 0 ? b.percorso : a.percorso};
}

bool uguali(const file_scenario& x, const file_scenario& y) {
  return x.linea == y.linea && x.sommario == y.sommario && x.percorso == y.percorso;
}

std::string elenco(const std::vector<problema_insieme>& v) {
  std::string out;
  for (const auto& p : v) out += "  " + p.testo + "\n";
  return out;
}

class Mixes : public ::testing::TestWithParam<coppia> {};

TEST_P(Mixes, EveryMixTheLinksCanTellIsFlaggedWithTheFileThatDoesNotFit) {
  const coppia& c = GetParam();
  const file_scenario a = compila(c.a);
  const file_scenario b = compila(c.b);
  int diversi = 0;
  for (int i = 0; i < 3; ++i) diversi += file_n(a, i) != file_n(b, i) ? 1 : 0;
  // What the table says of the edit holds: a tied edit changes two files or
  // more, any other exactly one.
  if (c.legata) {
    EXPECT_GE(diversi, 2);
  } else {
    EXPECT_EQ(diversi, 1);
  }
  for (const file_scenario* f : {&a, &b}) {
    EXPECT_EQ(verifica_scenario(*f, id), std::vector<std::string>{});
    EXPECT_EQ(elenco(confronta_insieme(*f, id).problemi), "");
  }
  for (int da_b = 1; da_b <= 6; ++da_b) {
    SCOPED_TRACE("files from B: mask " + std::to_string(da_b));
    const file_scenario mix = mescola(a, b, da_b);
    const bool vero_miscuglio = !uguali(mix, a) && !uguali(mix, b);
    const esito_insieme esito = confronta_insieme(mix, id);
    if (!vero_miscuglio) {
      EXPECT_EQ(elenco(esito.problemi), "");
      continue;
    }
    ASSERT_FALSE(esito.problemi.empty()) << "a mix that differs from both compiles passes";
    // The compile each file of the mix comes from, telling apart only the
    // files that differ between the two.
    const auto origine = [&](int i) { return file_n(a, i) == file_n(b, i) ? -1 : ((da_b >> i) & 1); };
    for (const problema_insieme& p : esito.problemi) {
      SCOPED_TRACE(p.testo);
      std::vector<int> nominati;
      for (const std::string& n : p.file) {
        const auto it = std::find(nomi.begin(), nomi.end(), n);
        ASSERT_NE(it, nomi.end());
        nominati.push_back(static_cast<int>(it - nomi.begin()));
      }
      if (nominati.size() == 1) {
        // The one named is the stranger: the other two agree.
        std::vector<int> altri;
        for (int i = 0; i < 3; ++i) {
          if (i != nominati[0]) altri.push_back(i);
        }
        const int x = origine(altri[0]);
        const int y = origine(altri[1]);
        EXPECT_TRUE(x < 0 || y < 0 || x == y);
        const int o = origine(nominati[0]);
        EXPECT_GE(o, 0);
        EXPECT_TRUE((x >= 0 && x != o) || (y >= 0 && y != o));
      } else {
        // Two named: they come from two compiles.
        ASSERT_EQ(nominati.size(), 2u);
        EXPECT_GE(origine(nominati[0]), 0);
        EXPECT_GE(origine(nominati[1]), 0);
        EXPECT_NE(origine(nominati[0]), origine(nominati[1]));
      }
    }
    // Each failed link is among the links listed, with the files it ties.
    bool fallito = false;
    for (const legame& l : esito.legami) fallito = fallito || !l.ok.value_or(true);
    EXPECT_TRUE(fallito);
  }
}

INSTANTIATE_TEST_SUITE_P(Edits, Mixes, ::testing::ValuesIn(coppie()),
                         [](const ::testing::TestParamInfo<coppia>& i) { return std::string(i.param.nome); });

TEST(MixesJson, CheckListsEveryLinkWithItsFilesAndWhetherItHolds) {
  const file_scenario a = compila({});
  const file_scenario b = compila({{true, "stazione,   16900, 12,", "stazione,   17400, 12,"}});
  temp_folder dir;
  const auto scrivi = [&](const file_scenario& f) {
    for (int i = 0; i < 3; ++i) test_util::write_file(dir.path() / nomi[static_cast<std::size_t>(i)], *file_n(f, i));
  };
  const auto links = [&](const nlohmann::json& j) {
    std::map<std::string, nlohmann::json> m;
    for (const auto& l : j.at("links")) m[l.at("name").get<std::string>()] = l;
    return m;
  };

  scrivi(a);
  const auto ok = test_util::run_tool({"check", ".", "--json"}, dir.path());
  EXPECT_EQ(ok.status, exit_status::clean);
  const auto j_ok = nlohmann::json::parse(ok.out);
  EXPECT_EQ(j_ok.at("ok"), true);
  const auto l_ok = links(j_ok);
  for (const char* nome :
       {"route length / track cells", "route length / plan view", "track cells / plan view", "station end markers",
        "station approach cells", "indication board texts", "format markers", "check code og", "check code st"}) {
    ASSERT_EQ(l_ok.count(nome), 1u) << nome;
    EXPECT_EQ(l_ok.at(nome).at("ok"), true) << nome;
    EXPECT_TRUE(l_ok.at(nome).at("message").is_null()) << nome;
    EXPECT_FALSE(l_ok.at(nome).at("files").empty()) << nome;
  }

  // The summary of the compile with the station moved.
  scrivi(mescola(a, b, 2));
  const auto male = test_util::run_tool({"check", ".", "--json"}, dir.path());
  EXPECT_EQ(male.status, exit_status::problem);
  const auto j = nlohmann::json::parse(male.out);
  EXPECT_EQ(j.at("ok"), false);
  const auto l = links(j);
  const nlohmann::json coppia_file = {nomi[1], nomi[2]};
  EXPECT_EQ(l.at("station end markers").at("ok"), false);
  EXPECT_EQ(l.at("station end markers").at("files"), coppia_file);
  EXPECT_NE(l.at("station end markers").at("message").get<std::string>().find("LUNESCO"), std::string::npos);
  EXPECT_EQ(l.at("route length / track cells").at("ok"), true);
  // The plan view agrees with both: the pair is named, each file of it.
  ASSERT_EQ(j.at("problems").size(), 1u) << male.out;
  EXPECT_EQ(j.at("problems")[0].at("file"), nomi[1]);
  EXPECT_EQ(j.at("problems")[0].at("files"), coppia_file);

  // Without the line data file its links are not compared.
  std::filesystem::remove(dir.path() / nomi[0]);
  const auto l_senza = links(nlohmann::json::parse(test_util::run_tool({"check", ".", "--json"}, dir.path()).out));
  EXPECT_TRUE(l_senza.at("route length / plan view").at("ok").is_null());
  EXPECT_TRUE(l_senza.at("track cells / plan view").at("ok").is_null());
  EXPECT_EQ(l_senza.at("station end markers").at("ok"), false);
}

}  // namespace
}  // namespace scen
