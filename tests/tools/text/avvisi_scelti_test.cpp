// Warnings by name: each shows the name it is selected by; -Wno-NAME and
// -Werror=NAME select them in compile and lint, inside the collection so
// that the cap counts only what is shown; the totals stay true past the
// cap; a compile the warnings fail leaves the earlier files; explain tells
// what a name or a code means; findings go to the stream each command gives
// them.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "compiler/avvisi.h"
#include "model/codici_errore.h"
#include "model/nomi_file.h"
#include "passes/messaggi_fatali.h"
#include "support/files.h"
#include "support/sources.h"
#include "support/tool_in_process.h"
#include "text/testo_utf8.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::join_crlf;
using test_util::read_file;
using test_util::run_tool_in_process;
using test_util::temp_folder;
using test_util::write_file;

const identita id_inc = identita_incorporata();
const std::string bit_bassi(avviso_di(tipo_avviso::bit_bassi).nome);
const std::string sconosciuta(avviso_di(tipo_avviso::chiave_sconosciuta).nome);
const std::string valore_chiave(avviso_di(tipo_avviso::valore_come_chiave).nome);

// The small pair with two warnings: a gradient whose low bits are kept
// (route line 14) and a mistyped station key (train line 14).
void scrivi_con_avvisi(const fs::path& dir) {
  auto linea = test_util::linea_piccola();
  auto treno = test_util::treno_piccolo();
  linea[13] = "pendenza,  1000,   200";
  treno[13] = "stazoine,    5000, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, LUNESCO";
  write_file(dir / "route.txt", join_crlf(linea));
  write_file(dir / "train.txt", join_crlf(treno));
}

std::vector<std::string> con(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(WarningNames, EveryWarningShowsItsNameInTextAndJson) {
  temp_folder dir;
  scrivi_con_avvisi(dir.path());
  const auto r = run_tool_in_process({"lint", "route.txt", "train.txt"}, dir.path());
  EXPECT_NE(r.out.find("route.txt:14:20: warning: gradient 200"), std::string::npos) << r.out;
  for (const std::string& nome : {bit_bassi, sconosciuta}) {
    EXPECT_NE(r.out.find("[" + nome + "]\n"), std::string::npos) << nome << "\n" << r.out;
  }
  // The suggestion stays on its help: line.
  EXPECT_NE(r.out.find("  help: did you mean \"stazione\"?\n"), std::string::npos) << r.out;

  const auto j =
      nlohmann::json::parse(run_tool_in_process({"lint", "route.txt", "train.txt", "--json"}, dir.path()).out);
  ASSERT_EQ(j.at("findings").size(), 2u) << j.dump();
  EXPECT_EQ(j.at("findings")[0].at("name"), bit_bassi);
  EXPECT_EQ(j.at("findings")[1].at("name"), sconosciuta);
  EXPECT_EQ(j.at("findings")[1].at("help"), "did you mean \"stazione\"?");

  // An error keeps its code and has no name.
  auto treno = test_util::treno_piccolo();
  treno[1] = "numero vetture,    1.5";
  write_file(dir.path() / "train.txt", join_crlf(treno));
  const auto e = run_tool_in_process({"compile", "route.txt", "train.txt", "-o", "out", "--json"}, dir.path());
  const auto k = nlohmann::json::parse(e.out);
  const auto& errore = k.at("findings").back();
  EXPECT_EQ(errore.at("code"), 25);
  EXPECT_TRUE(errore.at("name").is_null());
  EXPECT_NE(e.err.find("[code 25]\n"), std::string::npos) << e.err;
}

// -W selects warnings alike in compile and lint, in text and JSON.
TEST(WarningSelection, NoAndErrorAndWerrorInEveryCommandAndForm) {
  struct caso {
    std::vector<std::string> opzioni;
    const char* bit_bassi_come;  // "warning", "error", or "" when left out
    int errori, avvisi;          // the counts
    int stato;                   // of lint and compile alike
  };
  const std::vector<caso> casi{
      {{}, "warning", 0, 2, 0},
      {{"-Wno-" + bit_bassi}, "", 0, 1, 0},
      {{"-W", "no-" + bit_bassi}, "", 0, 1, 0},
      {{"-Werror=" + bit_bassi}, "error", 1, 1, 1},
      {{"-Werror=" + bit_bassi, "-Wno-error=" + bit_bassi}, "warning", 0, 2, 0},
      {{"-Wno-" + bit_bassi, "-W" + bit_bassi}, "warning", 0, 2, 0},
      {{"--werror"}, "warning", 0, 2, 1},
      {{"--werror", "-Wno-" + bit_bassi}, "", 0, 1, 1},
      {{"--werror", "-Wno-" + bit_bassi, "-Wno-" + sconosciuta}, "", 0, 0, 0},
  };
  temp_folder dir;
  scrivi_con_avvisi(dir.path());
  for (const caso& c : casi) {
    for (const std::vector<std::string>& comando :
         {std::vector<std::string>{"lint", "route.txt", "train.txt"},
          std::vector<std::string>{"compile", "route.txt", "train.txt", "-o", "out"}}) {
      SCOPED_TRACE(comando[0] + " " + testing::PrintToString(c.opzioni));
      const auto t = run_tool_in_process(con(comando, c.opzioni), dir.path());
      EXPECT_EQ(t.status, c.stato) << t.out << t.err;
      const std::string testo = comando[0] == "lint" ? t.out : t.err;
      const std::string riga = std::string("route.txt:14:20: ") + c.bit_bassi_come + ": gradient 200";
      EXPECT_EQ(testo.find(riga) != std::string::npos, *c.bit_bassi_come != '\0') << testo;
      EXPECT_EQ(testo.find("[" + bit_bassi + "]") != std::string::npos, *c.bit_bassi_come != '\0') << testo;
      if (comando[0] == "lint") {
        EXPECT_NE(t.out.find(fmt::format("{} error{}, {} warning", c.errori, c.errori == 1 ? "" : "s", c.avvisi)),
                  std::string::npos)
            << t.out;
      }

      const auto j = run_tool_in_process(con(con(comando, c.opzioni), {"--json"}), dir.path());
      EXPECT_EQ(j.status, c.stato) << j.out;
      const auto o = nlohmann::json::parse(j.out);
      EXPECT_EQ(o.at("errors"), c.errori);
      EXPECT_EQ(o.at("warnings"), c.avvisi);
      std::string trovato;
      for (const auto& f : o.at("findings")) {
        if (f.at("name") == bit_bassi) trovato = f.at("severity");
      }
      EXPECT_EQ(trovato, c.bit_bassi_come) << j.out;
    }
  }
}

TEST(WarningSelection, AnUnknownNameIsAUsageErrorNamingTheNearest) {
  temp_folder dir;
  scrivi_con_avvisi(dir.path());
  const std::string sbagliato = bit_bassi.substr(0, bit_bassi.size() - 1);
  for (const char* comando : {"compile", "lint"}) {
    for (const std::string& opzione : {"-Wno-" + sbagliato, "-Werror=" + sbagliato}) {
      SCOPED_TRACE(std::string(comando) + " " + opzione);
      const auto r = run_tool_in_process({comando, "route.txt", "train.txt", opzione}, dir.path());
      EXPECT_EQ(r.status, 2) << r.err;
      EXPECT_NE(r.err.find("\"" + bit_bassi + "\""), std::string::npos) << r.err;
      const auto j = run_tool_in_process({comando, "route.txt", "train.txt", opzione, "--json"}, dir.path());
      EXPECT_EQ(j.status, 2);
      EXPECT_NE(nlohmann::json::parse(j.out).at("error").get<std::string>().find(bit_bassi), std::string::npos);
    }
  }
  EXPECT_FALSE(fs::exists(dir.path() / nome_file_percorso(id_inc))) << "nothing compiled";
}

// A warning left out does not fill the cap: the one after a hundred and
// more silenced ones is shown.
TEST(WarningSelection, ASilencedWarningLeavesTheCapToTheOthers) {
  auto linea = test_util::linea_piccola();
  linea[13] = "pendenza,  1000,   200";
  linea.insert(linea.begin() + 13, 150, "12");
  temp_folder dir;
  write_file(dir.path() / "route.txt", join_crlf(linea));
  write_file(dir.path() / "train.txt", join_crlf(test_util::treno_piccolo()));
  const auto tutti =
      nlohmann::json::parse(run_tool_in_process({"lint", "route.txt", "train.txt", "--json"}, dir.path()).out);
  EXPECT_EQ(tutti.at("warnings"), 151);
  EXPECT_EQ(tutti.at("not_shown").at("warnings"), 51);
  EXPECT_EQ(tutti.at("findings").size(), 100u);
  const auto scelti = nlohmann::json::parse(
      run_tool_in_process({"lint", "route.txt", "train.txt", "--json", "-Wno-" + valore_chiave}, dir.path()).out);
  EXPECT_EQ(scelti.at("warnings"), 1);
  EXPECT_EQ(scelti.at("not_shown").at("warnings"), 0);
  ASSERT_EQ(scelti.at("findings").size(), 1u);
  EXPECT_EQ(scelti.at("findings")[0].at("name"), bit_bassi);
}

// Past the cap findings are only counted, and the counts are the true
// totals: a stray value on every line of a long source, and a bad number
// on a thousand more.
TEST(FindingsCap, TotalsAreTruePastTheCap) {
  struct caso {
    int avvisi, errori;
    const char* fine;  // how the text report ends
  };
  const std::vector<caso> casi{
      {40, 3, "3 errors, 40 warnings\n"},
      {300000, 1000, "1,000 errors, 300,000 warnings\nand 900 more errors and 299,900 more warnings not shown\n"},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.avvisi);
    auto linea = test_util::linea_piccola();
    std::vector<std::string> righe(static_cast<std::size_t>(c.avvisi), "12");
    righe.insert(righe.end(), static_cast<std::size_t>(c.errori), "pendenza,  1O00,   3");
    linea.insert(linea.begin() + 14, righe.begin(), righe.end());
    temp_folder dir;
    write_file(dir.path() / "route.txt", join_crlf(linea));
    write_file(dir.path() / "train.txt", join_crlf(test_util::treno_piccolo()));
    const auto t = run_tool_in_process({"lint", "route.txt", "train.txt"}, dir.path());
    EXPECT_EQ(t.status, 1);
    ASSERT_GE(t.out.size(), std::string(c.fine).size());
    EXPECT_EQ(t.out.substr(t.out.size() - std::string(c.fine).size()), c.fine);

    const auto j =
        nlohmann::json::parse(run_tool_in_process({"lint", "route.txt", "train.txt", "--json"}, dir.path()).out);
    EXPECT_EQ(j.at("warnings"), c.avvisi);
    EXPECT_EQ(j.at("errors"), c.errori);
    EXPECT_EQ(j.at("not_shown").at("warnings"), c.avvisi - std::min(c.avvisi, 100));
    EXPECT_EQ(j.at("not_shown").at("errors"), c.errori - std::min(c.errori, 100));
    EXPECT_EQ(j.at("findings").size(), static_cast<std::size_t>(std::min(c.avvisi, 100) + std::min(c.errori, 100)));
  }
}

// A compile the warnings fail writes nothing: the earlier files stay, byte
// for byte; without the failure the same sources replace them.
TEST(WarningSelection, ACompileTheWarningsFailLeavesTheEarlierFiles) {
  temp_folder dir;
  write_file(dir.path() / "route.txt", join_crlf(test_util::linea_piccola()));
  write_file(dir.path() / "train.txt", join_crlf(test_util::treno_piccolo()));
  ASSERT_EQ(run_tool_in_process({"compile", "route.txt", "train.txt", "-o", "out"}, dir.path()).status, 0);
  const std::vector<std::string> nomi{nome_file_linea(id_inc), nome_file_sommario(id_inc), nome_file_percorso(id_inc)};
  const auto prima = test_util::folder_entries(dir.path() / "out");
  ASSERT_EQ(prima.size(), 3u);

  auto linea = test_util::linea_piccola();
  linea[13] = "pendenza,  1000,   200";
  write_file(dir.path() / "route.txt", join_crlf(linea));
  for (const std::vector<std::string>& opzioni :
       {std::vector<std::string>{"--werror"}, std::vector<std::string>{"-Werror=" + bit_bassi},
        std::vector<std::string>{"--werror", "--json"}}) {
    SCOPED_TRACE(testing::PrintToString(opzioni));
    const auto r = run_tool_in_process(con({"compile", "route.txt", "train.txt", "-o", "out"}, opzioni), dir.path());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(test_util::folder_entries(dir.path() / "out"), prima);
    EXPECT_NE(r.err.find("no file written"), std::string::npos) << r.err;
    if (opzioni.back() == "--json") {
      EXPECT_TRUE(nlohmann::json::parse(r.out).at("files").empty()) << r.out;
    }
  }
  const auto r = run_tool_in_process({"compile", "route.txt", "train.txt", "-o", "out"}, dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(test_util::folder_entries(dir.path() / "out"), prima) << "the gradient changes the files";
}

TEST(Explain, EveryWarningErrorAndFatalEndFromItsTable) {
  temp_folder dir;
  for (const voce_avviso& v : tabella_avvisi()) {
    const auto r = run_tool_in_process({"explain", std::string(v.nome)}, dir.path());
    EXPECT_EQ(r.status, 0) << v.nome;
    EXPECT_NE(r.out.find(tool::utf8_da_1252(v.titolo)), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(tool::utf8_da_1252(v.esempio)), std::string::npos) << r.out;
    const std::string_view inizio = v.spiegazione.substr(0, v.spiegazione.find(' ', 20));
    EXPECT_NE(r.out.find(tool::utf8_da_1252(inizio)), std::string::npos) << r.out;
  }
  for (const voce_errore& e : tabella_errori()) {
    const auto r = run_tool_in_process({"explain", std::to_string(e.codice)}, dir.path());
    EXPECT_EQ(r.status, 0) << e.codice;
    const std::string_view inizio = e.messaggio.substr(0, e.messaggio.find('{'));
    EXPECT_NE(r.out.find(fmt::format("error {}: {}", e.codice, inizio)), std::string::npos) << r.out;
  }
  for (const voce_fatale& f : tabella_fatali()) {
    const auto r = run_tool_in_process({"explain", std::string(f.testo)}, dir.path());
    EXPECT_EQ(r.status, 0) << f.testo;
    EXPECT_NE(r.out.find(std::string(f.messaggio)), std::string::npos) << r.out;
  }
  // Without a name: every name.
  const auto elenco = run_tool_in_process({"explain"}, dir.path());
  EXPECT_EQ(elenco.status, 0);
  for (const voce_avviso& v : tabella_avvisi()) EXPECT_NE(elenco.out.find(v.nome), std::string::npos) << v.nome;
  // Unknown: a usage error with the nearest.
  const auto x = run_tool_in_process({"explain", bit_bassi + "x"}, dir.path());
  EXPECT_EQ(x.status, 2);
  EXPECT_NE(x.err.find("\"" + bit_bassi + "\""), std::string::npos) << x.err;
}

// Findings in text go to standard error, but for lint, whose report they
// are; JSON always to standard output.
TEST(FindingStreams, EachCommandWritesItsFindingsWhereItSays) {
  temp_folder dir;
  scrivi_con_avvisi(dir.path());
  write_file(dir.path() / "good_route.txt", join_crlf(test_util::linea_piccola()));
  write_file(dir.path() / "good_train.txt", join_crlf(test_util::treno_piccolo()));
  ASSERT_EQ(run_tool_in_process({"compile", "good_route.txt", "good_train.txt", "-o", "good"}, dir.path()).status, 0);
  ASSERT_EQ(run_tool_in_process({"compile", "good_route.txt", "good_train.txt", "-o", "bad"}, dir.path()).status, 0);
  std::string percorso = read_file(dir.path() / "bad" / nome_file_percorso(id_inc));
  percorso[15 * 100] = static_cast<char>(99);  // a cell type no compile writes
  write_file(dir.path() / "bad" / nome_file_percorso(id_inc), percorso);

  struct caso {
    std::vector<std::string> argomenti;
    bool su_uscita;     // the findings on standard output, not standard error
    const char* segno;  // a piece of the findings
  };
  const std::vector<caso> casi{
      {{"compile", "route.txt", "train.txt", "-o", "out"}, false, "warning: gradient 200"},
      {{"lint", "route.txt", "train.txt"}, true, "warning: gradient 200"},
      {{"check", "bad"}, false, "unknown cell type 99"},
      {{"map", "bad", "-o", "m.svg"}, false, "unknown cell type 99"},
      {{"diff", "good", "missing"}, false, "missing"},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(testing::PrintToString(c.argomenti));
    const auto r = run_tool_in_process(c.argomenti, dir.path());
    const std::string& con_segno = c.su_uscita ? r.out : r.err;
    const std::string& senza = c.su_uscita ? r.err : r.out;
    EXPECT_NE(con_segno.find(c.segno), std::string::npos) << con_segno;
    EXPECT_EQ(senza.find(c.segno), std::string::npos) << senza;
  }
  // With --json standard output is one object holding the findings.
  for (const std::vector<std::string>& argomenti :
       {std::vector<std::string>{"compile", "route.txt", "train.txt", "-o", "out", "--json"},
        std::vector<std::string>{"lint", "route.txt", "train.txt", "--json"},
        std::vector<std::string>{"check", "bad", "--json"},
        std::vector<std::string>{"diff", "good", "bad", "--json"}}) {
    SCOPED_TRACE(testing::PrintToString(argomenti));
    const auto r = run_tool_in_process(argomenti, dir.path());
    ASSERT_TRUE(nlohmann::json::accept(r.out)) << r.out;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_TRUE(j.contains("findings") || j.contains("problems") || j.contains("changes")) << r.out;
  }
}

}  // namespace
}  // namespace scen
