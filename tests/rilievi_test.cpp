// Findings about sources: each mistake an author makes by hand gives its
// finding at the right place with words to act on; warnings never change a
// byte of the files; lint reports every mistake at once; JSON carries the
// fields editors read.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "compiler/rilievi.h"
#include "output/file_binari.h"
#include "tool_comune.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::cartella_temporanea;
using test_util::esegui_tool;
using test_util::leggi_file;
using test_util::righe_crlf;
using test_util::scrivi_file;

const identita id_inc = identita_incorporata();

// One mistaken pair of sources: the small fixture with some lines replaced
// (or added before its "[fine]" when `riga` is 0), and the finding it gives.
struct caso {
  const char* nome;
  bool nel_treno;
  int riga;
  std::vector<std::string> righe;
  const char* livello;  // "warning" or "error"
  int codice;           // -1: none
  int riga_attesa;      // 0: the file only
  int colonna_attesa;   // 0: not checked
  const char* parole;   // words of the message
};

void PrintTo(const caso& c, std::ostream* os) { *os << c.nome; }

std::vector<std::string> modifica(std::vector<std::string> righe, const caso& c) {
  if (c.riga > 0) {
    righe.erase(righe.begin() + (c.riga - 1));
    righe.insert(righe.begin() + (c.riga - 1), c.righe.begin(), c.righe.end());
  } else {
    righe.insert(righe.end() - 1, c.righe.begin(), c.righe.end());
  }
  return righe;
}

std::pair<std::string, std::string> sorgenti_di(const caso& c) {
  const auto linea = c.nel_treno ? test_util::linea_piccola() : modifica(test_util::linea_piccola(), c);
  const auto treno = c.nel_treno ? modifica(test_util::treno_piccolo(), c) : test_util::treno_piccolo();
  return {righe_crlf(linea), righe_crlf(treno)};
}

const std::string stazione_5000 = "stazione,    5000, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, ";

const std::vector<caso>& casi() {
  static const std::vector<caso> v{
      // Warnings: the compile goes on as always, the author is told.
      {"misspelt_train_key", true, 14, {"stazoine,    5000, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, L"},
       "warning", -1, 14, 1, "did you mean \"stazione\""},
      {"misspelt_general_key", false, 6, {"sfodno uno,    33000"}, "warning", -1, 6, 1, "did you mean \"sfondo uno\""},
      {"general_key_in_upper_case", false, 6, {"Sfondo Uno,    33000"}, "warning", -1, 6, 1, "lower case"},
      {"general_key_after_general", false, 0, {"sfondo uno,    5"}, "warning", -1, 20, 1,
       "only in the [generale] section"},
      {"misspelt_section_header", true, 12, {"[stazoini]"}, "warning", -1, 12, 1, "did you mean \"[stazioni]\""},
      {"value_too_many", true, 2, {"numero vetture,    12,  5"}, "warning", -1, 2, 25, "stands where a key is expected"},
      {"train_without_general", true, 1, {"[general]"}, "warning", -1, 0, 0, "no \"[generale]\""},
      {"quote_over_line_end", true, 15,
       {"stazione,    9500,  5,  800,  1, 1, 0,  1,1,0,  2,1,1,    0,   9, 5, 0, \"VELMORA", "CENTRALE\""}, "warning",
       -1, 15, 73, "runs over a line end"},
      {"quote_never_closed", true, 15,
       {"stazione,    9500,  5,  800,  1, 1, 0,  1,1,0,  2,1,1,    0,   9, 5, 0, \"VELMORA"}, "warning", -1, 15, 73,
       "never closed"},
      {"text_after_closing_quote", true, 15,
       {"stazione,    9500,  5,  800,  1, 1, 0,  1,1,0,  2,1,1,    0,   9, 5, 0, \"VELMORA\" C.LE"}, "warning", -1,
       15, 83, "\"C.LE\" after the closing quote is dropped"},
      {"signal_beyond_route_end", true, 0, {"segnale,   12000,   2, 4, 0,  0, 0,    0,  0,0,0, 0"}, "warning", -1, 24,
       12, "beyond the end of the route (10000 m)"},
      {"gradient_before_route_start", false, 0, {"pendenza,  -100,   2"}, "warning", -1, 20, 12,
       "before the start of the route"},
      {"utf8_station_name", true, 14, {stazione_5000 + "LUN\xC3\x88SCO"}, "warning", -1, 14, 73, "UTF-8"},
      {"control_byte_in_board_text", false, 0, {"cartello indicatore,  2000,  \"A\x01" "B\""}, "warning", -1, 20, 30,
       "control byte 0x01"},
      {"signal_rounded_to_next_cell", true, 20, {"segnale,    4025,   2, 3, 1,  0, 0,    2,  2,1,0, 0"}, "warning",
       -1, 20, 13, "stands for 4050 m"},
      {"speed_rounded_to_cell", true, 11, {"velocita,    6010,   100"}, "warning", -1, 11, 14, "at 6000 m"},
      {"speed_lines_out_of_order", true, 11, {"velocita,    6000,   100", "velocita,    3000,   90"}, "warning", -1,
       12, 14, "does not come after the previous one"},
      {"gradient_low_bits", false, 14, {"pendenza,  1000,   200"}, "warning", -1, 14, 20, "stored as -56"},
      {"adhesion_low_bits", true, 8, {"aderenza,    4000,    300"}, "warning", -1, 8, 23, "stored as 44"},
      {"signal_time_without_sx_2", true, 21, {"segnale,    8000,   1, 4, 0,  0, 0,    0,  0,0,0, 215"}, "warning",
       -1, 21, 51, "kept only for a signal with sx = 2"},
      {"slowdown_without_board_with_f_ta", true, 17, {"rallentamento,    1500,    70,  500, 1,  1,  0"}, "warning",
       -1, 17, 42, "no warning board"},
      {"station_marker_replaces_code_line", true, 12, {"abbattimento,   5250,   180", "[stazioni]"}, "warning", -1,
       15, 1, "replaces the code line at 5250 m"},
      {"second_length_line", false, 2, {"lunghezza percorso,    10000", "lunghezza percorso,    10000"}, "warning",
       -1, 3, 1, "start anew"},
      {"source_not_ended_by_fine", true, 24, {"[end]"}, "warning", -1, 24, 1, "never acted upon"},
      // Errors: told with the field, the text found and what is valid.
      {"letter_in_a_number", true, 14, {"stazione,    50O0, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, L"},
       "error", 25, 14, 14, "expected a whole number for the station's position, found \"50O0\""},
      {"decimal_point", true, 11, {"velocita,    6000,   5.5"}, "error", 25, 11, 22,
       "expected a whole number for the speed limit, found \"5.5\""},
      {"value_too_wide", true, 4, {"sabbia,    40000"}, "error", 25, 4, 12,
       "from -32768 to 32767 for the sand quantity, found \"40000\""},
      {"comma_missing_after_key", false, 2, {"lunghezza percorso    10000"}, "error", 25, 2, 22,
       "expected a comma between the key \"lunghezza percorso\" and its value 10000"},
      {"length_key_misspelt", false, 2, {"lunghezza percoso,    10000"}, "error", 25, 10, 1,
       "no route length line"},
      {"general_section_missing", false, 1, {"[general]"}, "error", 102, 1, 1, "\"[general]\" here is not it"},
      {"signal_on_signal_names_it", true, 0, {"segnale,    1000,   2, 4, 0,  0, 0,    0,  0,0,0, 0"}, "error", 16, 24,
       13, "cell 21 already holds the signal at 1000 m"},
      {"station_position_with_fix", true, 14, {stazione_5000.substr(0, 9) + "    5025" + stazione_5000.substr(17) + "L"},
       "error", 8, 14, 14, "station position 5025 m is not a multiple of 50 m"},
      {"station_too_close_names_the_previous", true, 0,
       {"stazione,    9000, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, VICINA"}, "error", 22, 24, 14,
       "less than 350 m after the end of the previous station"},
      {"too_close_to_track_end", true, 0, {"velocita,   16950,    80"}, "error", 15, 24, 13,
       "too close to the end of the track"},
  };
  return v;
}

class Findings : public ::testing::TestWithParam<caso> {};

const rilievo* cerca(const std::vector<rilievo>& rr, const caso& c) {
  for (const rilievo& r : rr) {
    const bool livello = (r.livello == gravita::errore) == (std::string(c.livello) == "error");
    const bool codice = c.codice < 0 ? !r.codice : (r.codice && *r.codice == c.codice);
    if (livello && codice && r.messaggio.find(c.parole) != std::string::npos) return &r;
  }
  return nullptr;
}

std::string elenco(const std::vector<rilievo>& rr) {
  std::string out;
  for (const rilievo& r : rr) {
    out += std::to_string(r.dove.riga) + ":" + std::to_string(r.dove.colonna) + " " + r.messaggio + "\n";
  }
  return out;
}

TEST_P(Findings, TheMistakeGivesItsFindingInBothModes) {
  const caso& c = GetParam();
  const auto [linea, treno] = sorgenti_di(c);
  for (const modo_analisi modo : {modo_analisi::come_compilazione, modo_analisi::verifica}) {
    modello m;
    m.nome_linea = id_inc.nome_linea;
    m.nome_treno = id_inc.nome_treno;
    m.scrivi_linea = 1;
    const esito_analisi a = analizza_sorgenti(m, linea, treno, modo);
    const rilievo* r = cerca(a.rilievi, c);
    ASSERT_NE(r, nullptr) << "no finding with \"" << c.parole << "\"; found:\n" << elenco(a.rilievi);
    EXPECT_EQ(r->dove.file, c.nel_treno ? luogo_errore::sorgente::treno : luogo_errore::sorgente::linea);
    EXPECT_EQ(r->dove.riga, c.riga_attesa) << r->messaggio;
    if (c.colonna_attesa > 0) {
      EXPECT_EQ(r->dove.colonna, c.colonna_attesa) << r->messaggio;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Mistakes, Findings, ::testing::ValuesIn(casi()),
                         [](const ::testing::TestParamInfo<caso>& i) { return std::string(i.param.nome); });

// A warning tells; it never changes what the compile writes nor its status.
TEST(Findings, WarningsLeaveTheFilesAsTheCompileWritesThem) {
  for (const caso& c : casi()) {
    if (std::string(c.livello) != "warning") continue;
    SCOPED_TRACE(c.nome);
    const auto [linea, treno] = sorgenti_di(c);
    cartella_temporanea dir;
    scrivi_file(dir.path() / "route.txt", linea);
    scrivi_file(dir.path() / "train.txt", treno);
    const auto r = esegui_tool({"compile", "route.txt", "train.txt", "-o", "tool"}, dir.path());

    fs::create_directory(dir.path() / "plain");
    folder dove(dir.path() / "plain");
    sorgenti_in_memoria s(linea, treno);
    modello m;
    m.nome_linea = id_inc.nome_linea;
    m.nome_treno = id_inc.nome_treno;
    const bool fatale = memorizza_percorso(m, 1, id_inc, s, dove).fatale.has_value();
    EXPECT_EQ(r.stato, fatale ? 3 : m.codice_errore != 0 ? 1 : 0) << r.errori;
    EXPECT_NE(r.errori.find("warning: "), std::string::npos) << r.errori;
    for (const std::string& nome : {nome_file_linea(id_inc), nome_file_sommario(id_inc), nome_file_percorso(id_inc)}) {
      EXPECT_EQ(fs::exists(dir.path() / "tool" / nome), fs::exists(dir.path() / "plain" / nome)) << nome;
      if (fs::exists(dir.path() / "plain" / nome)) {
        EXPECT_TRUE(leggi_file(dir.path() / "tool" / nome) == leggi_file(dir.path() / "plain" / nome)) << nome;
      }
    }
  }
}

TEST(Findings, CleanSourcesAndTheEmbeddedScenarioHaveNone) {
  cartella_temporanea dir;
  ASSERT_EQ(esegui_tool({"export", "-o", "."}, dir.path()).stato, 0);
  const auto piccola = esegui_tool({"lint", "route.txt", "train.txt"}, dir.path());
  scrivi_file(dir.path() / "route.txt", righe_crlf(test_util::linea_piccola()));
  scrivi_file(dir.path() / "train.txt", righe_crlf(test_util::treno_piccolo()));
  for (const std::vector<std::string>& coppia :
       {std::vector<std::string>{"route.txt", "train.txt"},
        std::vector<std::string>{nome_sorgente_linea(id_inc), nome_sorgente_treno(id_inc)}}) {
    for (const char* piano : {"", "--no-line-data"}) {
      std::vector<std::string> argomenti{"lint", coppia[0], coppia[1]};
      if (*piano) argomenti.push_back(piano);
      const auto r = esegui_tool(argomenti, dir.path());
      EXPECT_EQ(r.stato, 0) << r.uscita << r.errori;
      EXPECT_EQ(r.uscita, "0 errors, 0 warnings\n");
    }
    const auto c = esegui_tool({"compile", coppia[0], coppia[1], "-o", "bin", "--werror"}, dir.path());
    EXPECT_EQ(c.stato, 0) << c.errori;
    EXPECT_EQ(c.errori, "");
  }
}

// Several mistakes in both sources: lint reports each, reading on after
// every error, and ends with the count.
TEST(Lint, ReportsEveryMistakeInOnePass) {
  auto linea = test_util::linea_piccola();
  auto treno = test_util::treno_piccolo();
  linea[13] = "pendenza,  1000,   200";                                                  // line 14: warning
  linea[17] = "indicatori_vmax,  7O0,  125,  135,  145,  0,  50,  55,  55,  0";          // line 18: error 25
  treno[1] = "numero vetture,    1.5";                                                  // line 2: error 25
  treno[13] = "stazoine,    5000, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, L";  // line 14: warning
  treno.insert(treno.end() - 1, "segnale,    1000,   2, 4, 0,  0, 0,    0,  0,0,0, 0");  // line 24: error 16
  cartella_temporanea dir;
  scrivi_file(dir.path() / "route.txt", righe_crlf(linea));
  scrivi_file(dir.path() / "train.txt", righe_crlf(treno));

  const auto r = esegui_tool({"lint", "route.txt", "train.txt"}, dir.path());
  EXPECT_EQ(r.stato, 1) << r.uscita;
  for (const char* atteso :
       {"route.txt:14:20: warning: gradient 200", "route.txt:18:19: error: expected a whole number for the board's "
                                                  "position, found \"7O0\" [code 25]",
        "train.txt:2:20: error: expected a whole number for the number of cars, found \"1.5\" [code 25]",
        "train.txt:14:1: warning: unknown key \"stazoine\"", "train.txt:24:13: error: signal at 1000 m",
        "train.txt:19:13: note: the signal at 1000 m was placed here", "\n3 errors, 2 warnings\n"}) {
    EXPECT_NE(r.uscita.find(atteso), std::string::npos) << "missing: " << atteso << "\n" << r.uscita;
  }
  EXPECT_FALSE(fs::exists(dir.path() / nome_file_percorso(id_inc))) << "lint writes nothing";

  const auto j = nlohmann::json::parse(esegui_tool({"lint", "route.txt", "train.txt", "--json"}, dir.path()).uscita);
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
  scrivi_file(dir.path() / "route.txt", righe_crlf(linea));
  scrivi_file(dir.path() / "train.txt", righe_crlf(treno));
  EXPECT_EQ(esegui_tool({"lint", "route.txt", "train.txt"}, dir.path()).stato, 0);
  EXPECT_EQ(esegui_tool({"lint", "route.txt", "train.txt", "--werror"}, dir.path()).stato, 1);
  EXPECT_EQ(esegui_tool({"compile", "route.txt", "train.txt", "--werror"}, dir.path()).stato, 1);
}

// The fix of a finding: the text to write instead, and where.
TEST(Findings, JsonFixNamesTheReplacementAndItsRange) {
  auto treno = test_util::treno_piccolo();
  treno[13] = stazione_5000.substr(0, 9) + "    5025" + stazione_5000.substr(17) + "LUNESCO";
  cartella_temporanea dir;
  scrivi_file(dir.path() / "route.txt", righe_crlf(test_util::linea_piccola()));
  scrivi_file(dir.path() / "train.txt", righe_crlf(treno));
  const auto r = esegui_tool({"compile", "route.txt", "train.txt", "--json"}, dir.path());
  EXPECT_EQ(r.stato, 1);
  const auto j = nlohmann::json::parse(r.uscita);
  ASSERT_EQ(j.at("findings").size(), 1u) << r.uscita;
  const auto& f = j.at("findings")[0];
  EXPECT_EQ(f.at("code"), 8);
  EXPECT_EQ(f.at("position"), 5025);
  EXPECT_EQ(f.at("fix").at("replacement"), "5000");
  EXPECT_EQ(f.at("fix").at("line"), 14);
  EXPECT_EQ(f.at("fix").at("column"), 14);
  EXPECT_EQ(f.at("fix").at("end_column"), 18);
  // The text form: place, caret under the token, the fix under it.
  EXPECT_NE(r.errori.find("train.txt:14:14: error: station position 5025 m is not a multiple of 50 m [code 8]\n  " +
                          treno[13] + "\n               ^~~~\n               5000\n"),
            std::string::npos)
      << r.errori;
}

// The code pass's errors are told by the slowdown that caused them.
TEST(Findings, CodePassErrorNamesTheSlowdownLine) {
  auto treno = test_util::treno_piccolo();
  treno.insert(treno.end() - 1, {"abbattimento,   2700,   0", "abbattimento,   2750,   0", "abbattimento,   2800,   0"});
  cartella_temporanea dir;
  scrivi_file(dir.path() / "route.txt", righe_crlf(test_util::linea_piccola()));
  scrivi_file(dir.path() / "train.txt", righe_crlf(treno));
  for (const char* comando : {"compile", "lint"}) {
    const auto r = esegui_tool({comando, "route.txt", "train.txt"}, dir.path());
    EXPECT_EQ(r.stato, 1);
    EXPECT_NE((r.errori + r.uscita).find("train.txt:17:1: error: no free cell for an approach code point of the "
                                         "slowdown starting near 3050 m"),
              std::string::npos)
        << comando << "\n" << r.errori << r.uscita;
  }
}

TEST(CommandLine, UnknownCommandHelpAndMissingSources) {
  cartella_temporanea dir;
  const auto x = esegui_tool({"frobnicate"}, dir.path());
  EXPECT_EQ(x.stato, 2);
  EXPECT_NE(x.errori.find("unknown command \"frobnicate\""), std::string::npos) << x.errori;
  const auto h = esegui_tool({"help"}, dir.path());
  EXPECT_EQ(h.stato, 0);
  for (const char* c : {"compile", "lint", "export", "dump", "check", "map"}) {
    EXPECT_NE(h.uscita.find(c), std::string::npos) << c;
  }
  EXPECT_EQ(esegui_tool({"help", "lint"}, dir.path()).stato, 0);
  const auto nessuno = esegui_tool({}, dir.path());
  EXPECT_EQ(nessuno.stato, 2);
  EXPECT_NE(nessuno.errori.find("a command is required"), std::string::npos);

  scrivi_file(dir.path() / "route.txt", righe_crlf(test_util::linea_piccola()));
  for (const char* comando : {"compile", "lint"}) {
    std::vector<std::string> argomenti{comando, "route.txt", "nowhere.txt"};
    if (std::string(comando) == "compile") argomenti.insert(argomenti.end(), {"-o", "out"});
    const auto r = esegui_tool(argomenti, dir.path());
    EXPECT_EQ(r.stato, 2) << comando;
    EXPECT_NE(r.errori.find("nowhere.txt: no such file"), std::string::npos) << r.errori;
    EXPECT_FALSE(fs::exists(dir.path() / "out" / nome_file_percorso(id_inc)));
    // A usage error with --json is still one JSON object.
    const auto j = esegui_tool({comando, "route.txt", "nowhere.txt", "--json"}, dir.path());
    EXPECT_EQ(j.stato, 2);
    const auto o = nlohmann::json::parse(j.uscita);
    EXPECT_EQ(o.at("status"), 2);
    EXPECT_NE(o.at("error").get<std::string>().find("nowhere.txt"), std::string::npos);
  }
  const auto j = esegui_tool({"compile", "--json", "--bogus"}, dir.path());
  EXPECT_EQ(j.stato, 2);
  EXPECT_TRUE(nlohmann::json::accept(j.uscita)) << j.uscita;
}

}  // namespace
}  // namespace scen

namespace scen {
namespace {

// check: what the files mean, as JSON too, and the identity from the folder.
TEST(CheckMeaning, UnknownCellTypeAndIdentityFromTheFolder) {
  cartella_temporanea dir;
  scrivi_file(dir.path() / "route.txt", righe_crlf(test_util::linea_piccola()));
  scrivi_file(dir.path() / "train.txt", righe_crlf(test_util::treno_piccolo()));
  ASSERT_EQ(esegui_tool({"compile", "route.txt", "train.txt", "-o", "out", "--route-name", "Prova", "--train-number",
                         "7"},
                        dir.path())
                .stato,
            0);
  // No identity named: the folder's file names give it.
  const auto ok = esegui_tool({"check", "out"}, dir.path());
  EXPECT_EQ(ok.stato, 0) << ok.uscita << ok.errori;
  EXPECT_EQ(ok.uscita, "ok\n");
  const auto j = nlohmann::json::parse(esegui_tool({"check", "out", "--json"}, dir.path()).uscita);
  EXPECT_EQ(j.at("ok"), true);
  EXPECT_EQ(j.at("route_name"), "Prova");
  EXPECT_EQ(j.at("train_number"), "7");

  // A cell type no compile writes, and a signal tempo it never stores.
  std::string percorso = leggi_file(dir.path() / "out" / "Prova_7.dat");
  percorso[15 * 100] = static_cast<char>(99);
  scrivi_file(dir.path() / "out" / "Prova_7.dat", percorso);
  const auto rotto = esegui_tool({"check", "out", "--json"}, dir.path());
  EXPECT_EQ(rotto.stato, 1);
  const auto k = nlohmann::json::parse(rotto.uscita);
  EXPECT_EQ(k.at("ok"), false);
  ASSERT_EQ(k.at("problems").size(), 1u) << rotto.uscita;
  EXPECT_EQ(k.at("problems")[0].at("file"), "Prova_7.dat");
  EXPECT_EQ(k.at("problems")[0].at("message"), "cell 100: unknown cell type 99");

  // Two identities in one folder: the options must choose.
  ASSERT_EQ(esegui_tool({"compile", "route.txt", "train.txt", "-o", "out"}, dir.path()).stato, 0);
  const auto due = esegui_tool({"check", "out"}, dir.path());
  EXPECT_EQ(due.stato, 2);
  EXPECT_NE(due.errori.find("several scenarios"), std::string::npos) << due.errori;
  EXPECT_EQ(esegui_tool({"check", "out", "--route-name", "Ardena_VelmoraCle", "--train-number", "4713"}, dir.path())
                .uscita,
            "ok\n");
}

}  // namespace
}  // namespace scen
