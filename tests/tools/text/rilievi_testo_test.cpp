// Findings as the tool reports them: warnings never change a byte of the
// files; lint reports every mistake at once; JSON carries the fields editors
// read; the command line's own mistakes; the check's findings on files.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "formats/file_binari.h"
#include "run/pipeline.h"
#include "support/files.h"
#include "support/source_mistakes.h"
#include "support/sources.h"
#include "support/tool_in_process.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::casi;
using test_util::caso;
using test_util::join_crlf;
using test_util::read_file;
using test_util::run_tool_in_process;
using test_util::sorgenti_di;
using test_util::stazione_5000;
using test_util::temp_folder;
using test_util::write_file;

const identita id_inc = identita_incorporata();

// A warning tells; it never changes what the compile writes nor its status.
TEST(Findings, WarningsLeaveTheFilesAsTheCompileWritesThem) {
  for (const caso& c : casi()) {
    if (std::string(c.livello) != "warning") continue;
    SCOPED_TRACE(c.nome);
    const auto [linea, treno] = sorgenti_di(c);
    temp_folder dir;
    write_file(dir.path() / "route.txt", linea);
    write_file(dir.path() / "train.txt", treno);
    const auto r = run_tool_in_process({"compile", "route.txt", "train.txt", "-o", "tool"}, dir.path());

    fs::create_directory(dir.path() / "plain");
    folder dove(dir.path() / "plain");
    sorgenti_in_memoria s(linea, treno);
    modello m;
    m.nome_linea = id_inc.nome_linea;
    m.nome_treno = id_inc.nome_treno;
    const bool fatale = memorizza_percorso(m, 1, id_inc, s, dove).fatale.has_value();
    EXPECT_EQ(r.status, fatale ? 3 : m.codice_errore != 0 ? 1 : 0) << r.err;
    EXPECT_NE(r.err.find("warning: "), std::string::npos) << r.err;
    for (const std::string& nome : {nome_file_linea(id_inc), nome_file_sommario(id_inc), nome_file_percorso(id_inc)}) {
      EXPECT_EQ(fs::exists(dir.path() / "tool" / nome), fs::exists(dir.path() / "plain" / nome)) << nome;
      if (fs::exists(dir.path() / "plain" / nome)) {
        EXPECT_TRUE(read_file(dir.path() / "tool" / nome) == read_file(dir.path() / "plain" / nome)) << nome;
      }
    }
  }
}

TEST(Findings, CleanSourcesAndTheEmbeddedScenarioHaveNone) {
  temp_folder dir;
  ASSERT_EQ(run_tool_in_process({"export", "-o", "."}, dir.path()).status, 0);
  const auto piccola = run_tool_in_process({"lint", "route.txt", "train.txt"}, dir.path());
  write_file(dir.path() / "route.txt", join_crlf(test_util::linea_piccola()));
  write_file(dir.path() / "train.txt", join_crlf(test_util::treno_piccolo()));
  for (const std::vector<std::string>& coppia :
       {std::vector<std::string>{"route.txt", "train.txt"},
        std::vector<std::string>{nome_sorgente_linea(id_inc), nome_sorgente_treno(id_inc)}}) {
    for (const char* piano : {"", "--no-line-data"}) {
      std::vector<std::string> argomenti{"lint", coppia[0], coppia[1]};
      if (*piano) argomenti.push_back(piano);
      const auto r = run_tool_in_process(argomenti, dir.path());
      EXPECT_EQ(r.status, 0) << r.out << r.err;
      EXPECT_EQ(r.out, "0 errors, 0 warnings\n");
    }
    const auto c = run_tool_in_process({"compile", coppia[0], coppia[1], "-o", "bin", "--werror"}, dir.path());
    EXPECT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(c.err, "");
  }
}

// Several mistakes in both sources: lint reports each, reading on after
// every error, and ends with the count.
TEST(Lint, ReportsEveryMistakeInOnePass) {
  auto linea = test_util::linea_piccola();
  auto treno = test_util::treno_piccolo();
  linea[13] = "pendenza,  1000,   200";                                                     // line 14: warning
  linea[17] = "indicatori_vmax,  7O0,  125,  135,  145,  0,  50,  55,  55,  0";             // line 18: error 25
  treno[1] = "numero vetture,    1.5";                                                      // line 2: error 25
  treno[13] = "stazoine,    5000, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, L";  // line 14: warning
  treno.insert(treno.end() - 1, "segnale,    1000,   2, 4, 0,  0, 0,    0,  0,0,0, 0");     // line 24: error 16
  temp_folder dir;
  write_file(dir.path() / "route.txt", join_crlf(linea));
  write_file(dir.path() / "train.txt", join_crlf(treno));

  const auto r = run_tool_in_process({"lint", "route.txt", "train.txt"}, dir.path());
  EXPECT_EQ(r.status, 1) << r.out;
  for (const char* atteso :
       {"route.txt:14:20: warning: gradient 200",
        "route.txt:18:19: error: expected a whole number for the board's "
        "position, found \"7O0\" [code 25]",
        "train.txt:2:20: error: expected a whole number for the number of cars, found \"1.5\": \"1.5\" is written "
        "with a decimal point, and the field takes whole numbers only [code 25]",
        "  help: write 2", "train.txt:14:1: warning: unknown key \"stazoine\"",
        "train.txt:24:13: error: signal at 1000 m", "train.txt:19:13: note: the signal at 1000 m was placed here",
        "\n3 errors, 2 warnings\n"}) {
    EXPECT_NE(r.out.find(atteso), std::string::npos) << "missing: " << atteso << "\n" << r.out;
  }
  EXPECT_FALSE(fs::exists(dir.path() / nome_file_percorso(id_inc))) << "lint writes nothing";

  const auto j =
      nlohmann::json::parse(run_tool_in_process({"lint", "route.txt", "train.txt", "--json"}, dir.path()).out);
  EXPECT_EQ(j.at("errors"), 3);
  EXPECT_EQ(j.at("warnings"), 2);
  ASSERT_EQ(j.at("findings").size(), 5u);
  for (const auto& f : j.at("findings")) {
    for (const char* campo : {"severity", "code", "source", "line", "column", "message", "notes"}) {
      EXPECT_TRUE(f.contains(campo)) << campo << " in " << f.dump();
    }
  }
  const auto& primo = j.at("findings")[0];
  EXPECT_EQ(primo.at("severity"), "warning");
  EXPECT_TRUE(primo.at("code").is_null());
  EXPECT_EQ(primo.at("source"), "route.txt");
  EXPECT_EQ(primo.at("line"), 14);
  EXPECT_EQ(primo.at("column"), 20);
  const auto& segnale = j.at("findings")[4];
  EXPECT_EQ(segnale.at("code"), 16);
  ASSERT_EQ(segnale.at("notes").size(), 1u);
  EXPECT_EQ(segnale.at("notes")[0].at("line"), 19);

  // With only warnings left, --werror makes them fail.
  linea[17] = test_util::linea_piccola()[17];
  treno = test_util::treno_piccolo();
  write_file(dir.path() / "route.txt", join_crlf(linea));
  write_file(dir.path() / "train.txt", join_crlf(treno));
  EXPECT_EQ(run_tool_in_process({"lint", "route.txt", "train.txt"}, dir.path()).status, 0);
  EXPECT_EQ(run_tool_in_process({"lint", "route.txt", "train.txt", "--werror"}, dir.path()).status, 1);
  EXPECT_EQ(run_tool_in_process({"compile", "route.txt", "train.txt", "--werror"}, dir.path()).status, 1);
}

// The fix of a finding: the text to write instead, and where.
TEST(Findings, JsonFixNamesTheReplacementAndItsRange) {
  auto treno = test_util::treno_piccolo();
  treno[13] = stazione_5000.substr(0, 9) + "    5025" + stazione_5000.substr(17) + "LUNESCO";
  temp_folder dir;
  write_file(dir.path() / "route.txt", join_crlf(test_util::linea_piccola()));
  write_file(dir.path() / "train.txt", join_crlf(treno));
  const auto r = run_tool_in_process({"compile", "route.txt", "train.txt", "--json"}, dir.path());
  EXPECT_EQ(r.status, 1);
  const auto j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j.at("findings").size(), 1u) << r.out;
  const auto& f = j.at("findings")[0];
  EXPECT_EQ(f.at("code"), 8);
  EXPECT_EQ(f.at("position"), 5025);
  EXPECT_EQ(f.at("fix").at("replacement"), "5000");
  EXPECT_EQ(f.at("fix").at("line"), 14);
  EXPECT_EQ(f.at("fix").at("column"), 14);
  EXPECT_EQ(f.at("fix").at("end_column"), 18);
  // The text form: place, caret under the token, the fix under it.
  EXPECT_NE(r.err.find("train.txt:14:14: error: station position 5025 m is not a multiple of 50 m (station "
                       "\"LUNESCO\") [code 8]\n  " +
                       treno[13] + "\n               ^~~~\n               5000\n"),
            std::string::npos)
      << r.err;
}

// The code pass's errors are told by the slowdown that caused them.
TEST(Findings, CodePassErrorNamesTheSlowdownLine) {
  auto treno = test_util::treno_piccolo();
  treno.insert(treno.end() - 1,
               {"abbattimento,   2700,   0", "abbattimento,   2750,   0", "abbattimento,   2800,   0"});
  temp_folder dir;
  write_file(dir.path() / "route.txt", join_crlf(test_util::linea_piccola()));
  write_file(dir.path() / "train.txt", join_crlf(treno));
  for (const char* comando : {"compile", "lint"}) {
    const auto r = run_tool_in_process({comando, "route.txt", "train.txt"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE((r.err + r.out)
                  .find("train.txt:17:1: error: no free cell for an approach code point of the "
                        "slowdown starting near 3050 m"),
              std::string::npos)
        << comando << "\n"
        << r.err << r.out;
  }
}

TEST(CommandLine, UnknownCommandHelpAndMissingSources) {
  temp_folder dir;
  const auto x = run_tool_in_process({"frobnicate"}, dir.path());
  EXPECT_EQ(x.status, 2);
  EXPECT_NE(x.err.find("unknown command \"frobnicate\""), std::string::npos) << x.err;
  const auto h = run_tool_in_process({"help"}, dir.path());
  EXPECT_EQ(h.status, 0);
  for (const char* c : {"compile", "lint", "export", "dump", "check", "map"}) {
    EXPECT_NE(h.out.find(c), std::string::npos) << c;
  }
  EXPECT_EQ(run_tool_in_process({"help", "lint"}, dir.path()).status, 0);
  const auto nessuno = run_tool_in_process({}, dir.path());
  EXPECT_EQ(nessuno.status, 2);
  EXPECT_NE(nessuno.err.find("a command is required"), std::string::npos);

  write_file(dir.path() / "route.txt", join_crlf(test_util::linea_piccola()));
  for (const char* comando : {"compile", "lint"}) {
    std::vector<std::string> argomenti{comando, "route.txt", "nowhere.txt"};
    if (std::string(comando) == "compile") argomenti.insert(argomenti.end(), {"-o", "out"});
    const auto r = run_tool_in_process(argomenti, dir.path());
    EXPECT_EQ(r.status, 2) << comando;
    EXPECT_NE(r.err.find("nowhere.txt: no such file"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir.path() / "out" / nome_file_percorso(id_inc)));
    // A usage error with --json is still one JSON object.
    const auto j = run_tool_in_process({comando, "route.txt", "nowhere.txt", "--json"}, dir.path());
    EXPECT_EQ(j.status, 2);
    const auto o = nlohmann::json::parse(j.out);
    EXPECT_EQ(o.at("status"), 2);
    EXPECT_NE(o.at("error").get<std::string>().find("nowhere.txt"), std::string::npos);
  }
  const auto j = run_tool_in_process({"compile", "--json", "--bogus"}, dir.path());
  EXPECT_EQ(j.status, 2);
  EXPECT_TRUE(nlohmann::json::accept(j.out)) << j.out;
}

}  // namespace
}  // namespace scen

namespace scen {
namespace {

// check: what the files mean, as JSON too, and the identity from the folder.
TEST(CheckMeaning, UnknownCellTypeAndIdentityFromTheFolder) {
  temp_folder dir;
  write_file(dir.path() / "route.txt", join_crlf(test_util::linea_piccola()));
  write_file(dir.path() / "train.txt", join_crlf(test_util::treno_piccolo()));
  ASSERT_EQ(run_tool_in_process(
                {"compile", "route.txt", "train.txt", "-o", "out", "--route-name", "Prova", "--train-number", "7"},
                dir.path())
                .status,
            0);
  // No identity named: the folder's file names give it.
  const auto ok = run_tool_in_process({"check", "out"}, dir.path());
  EXPECT_EQ(ok.status, 0) << ok.out << ok.err;
  EXPECT_EQ(ok.out, "ok\n");
  const auto j = nlohmann::json::parse(run_tool_in_process({"check", "out", "--json"}, dir.path()).out);
  EXPECT_EQ(j.at("ok"), true);
  EXPECT_EQ(j.at("route_name"), "Prova");
  EXPECT_EQ(j.at("train_number"), "7");

  // A cell type no compile writes, and a signal tempo it never stores.
  std::string percorso = read_file(dir.path() / "out" / "Prova_7.dat");
  percorso[15 * 100] = static_cast<char>(99);
  write_file(dir.path() / "out" / "Prova_7.dat", percorso);
  const auto rotto = run_tool_in_process({"check", "out", "--json"}, dir.path());
  EXPECT_EQ(rotto.status, 1);
  const auto k = nlohmann::json::parse(rotto.out);
  EXPECT_EQ(k.at("ok"), false);
  ASSERT_EQ(k.at("problems").size(), 1u) << rotto.out;
  EXPECT_EQ(k.at("problems")[0].at("file"), "Prova_7.dat");
  EXPECT_EQ(k.at("problems")[0].at("message"), "cell 100: unknown cell type 99");

  // Two identities in one folder: the options must choose.
  ASSERT_EQ(run_tool_in_process({"compile", "route.txt", "train.txt", "-o", "out"}, dir.path()).status, 0);
  const auto due = run_tool_in_process({"check", "out"}, dir.path());
  EXPECT_EQ(due.status, 2);
  EXPECT_NE(due.err.find("several scenarios"), std::string::npos) << due.err;
  EXPECT_EQ(
      run_tool_in_process({"check", "out", "--route-name", "Ardena_VelmoraCle", "--train-number", "4713"}, dir.path())
          .out,
      "ok\n");
}

}  // namespace
}  // namespace scen
