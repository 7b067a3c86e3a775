// scenario-tool compile and export, run as an author runs them: the bytes
// written are the run's, the sources are never touched, and each fault in a
// source gives its code, position, place and message, and the exit status.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <nlohmann/json.hpp>
#include <set>

#include "model/codici_errore.h"
#include "passes/messaggi_fatali.h"
#include "support/tool_runs.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::join_crlf;
using test_util::read_file;
using test_util::run_tool;
using test_util::temp_folder;
using test_util::write_file;

const identita id_inc = identita_incorporata();
const std::vector<std::string> nomi_binari{nome_file_linea(id_inc), nome_file_sommario(id_inc),
                                           nome_file_percorso(id_inc)};

std::set<std::string> file_in(const fs::path& dir) {
  std::set<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.insert(e.path().filename().string());
  return out;
}

// A source file's bytes and modification time, to tell it was left alone.
struct impronta {
  std::string byte;
  std::int64_t mtime_ns;
  bool operator==(const impronta&) const = default;
};
impronta impronta_di(const fs::path& p) {
  struct stat st {};
  ::stat(p.c_str(), &st);
  return {read_file(p), static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// One faulty pair of sources: the fixture with some lines replaced or added.
struct caso_errore {
  const char* nome;
  bool nel_treno;                  // the edit is in the train source (else the route source)
  int riga;                        // line replaced (1-based); 0: the lines are added before "[fine]"
  std::vector<std::string> righe;  // the new lines
  std::int32_t codice;
  std::int32_t posizione;
  int status;               // expected exit status
  const char* file_atteso;  // source named on standard error, or nullptr for none
  int riga_atteso;          // its line, 0 for none
  const char* fatale;       // fatal text, or nullptr
  int riga_fatale = 0;      // the train source line the fatal error finding names, 0 for none
};

// Named by its case in test output, not by its bytes.
void PrintTo(const caso_errore& c, std::ostream* os) { *os << c.nome; }

constexpr const char* R = "route.txt";
constexpr const char* T = "train.txt";

std::vector<std::string> modifica(std::vector<std::string> righe, const caso_errore& c) {
  if (c.riga > 0) {
    righe.erase(righe.begin() + (c.riga - 1));
    righe.insert(righe.begin() + (c.riga - 1), c.righe.begin(), c.righe.end());
  } else {
    righe.insert(righe.end() - 1, c.righe.begin(), c.righe.end());
  }
  return righe;
}

std::vector<std::string> molti_cartelli(int quanti) {
  std::vector<std::string> out;
  for (int i = 0; i < quanti; ++i) out.push_back("cartello indicatore,  " + std::to_string(12000 + 50 * i) + ",  T");
  return out;
}

const std::vector<caso_errore>& casi_errore() {
  static const std::vector<caso_errore> casi{
      {"length_over_limit", false, 2, {"lunghezza percorso,    1000001"}, 1, 0, 3, R, 2, "1"},
      {"zone_not_multiple_of_50",
       false,
       3,
       {"progressiva chilometrica uno,    0,    9825,    1"},
       2,
       0,
       1,
       R,
       3,
       nullptr},
      {"repetition_start", false, 9, {"ripetizione segnali 4 codici,    25,    8000"}, 3, 0, 1, R, 9, nullptr},
      {"repetition_end", false, 9, {"ripetizione segnali 4 codici,    0,    8010"}, 4, 0, 1, R, 9, nullptr},
      {"repetition_digit", false, 9, {"ripetizione segnali quattro codici,    0,    8000"}, 5, 0, 1, R, 9, nullptr},
      {"indication_board_on_board", false, 0, {"cartello indicatore,  700,  STAZIONE"}, 6, 700, 1, R, 20, nullptr},
      {"code_line_on_slowdown_start", true, 0, {"abbattimento,   3050,   180"}, 7, 3050, 1, T, 24, nullptr},
      {"station_position",
       true,
       0,
       {"stazione,    9975, 22,  500,  0, 0, 0,  0,0,0,  4,1,1,    0,   0, 0, 0, NUOVA"},
       8,
       9975,
       1,
       T,
       24,
       nullptr},
      {"station_length",
       true,
       14,
       {"stazione,    5000, 12,  650,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, LUNESCO"},
       9,
       5000,
       1,
       T,
       14,
       nullptr},
      {"station_table_full", false, 0, molti_cartelli(78), 10, 0, 1, T, 13, nullptr},
      {"code_point_before_warning_board",
       true,
       0,
       {"abbattimento,   1400,   0", "abbattimento,   1450,   0",
        "segnale,    1450,   2, 4, 0,  0, 0,    0,  0,0,0, 0"},
       11,
       1500,
       1,
       T,
       25,
       nullptr},
      {"approach_code_points",
       true,
       0,
       {"abbattimento,   2700,   0", "abbattimento,   2750,   0", "abbattimento,   2800,   0"},
       12,
       3050,
       1,
       T,
       17,
       nullptr},
      {"code_point_along_slowdown",
       true,
       0,
       {"abbattimento,   3400,   0", "abbattimento,   3450,   0", "abbattimento,   3500,   0"},
       13,
       3450,
       1,
       T,
       25,
       nullptr},
      // A slowdown starting inside another: the code pass's error is told at the one that starts inside.
      {"overlapping_slowdown",
       true,
       0,
       {"rallentamento,    3200,    60,  900, 1,  0,  0", "abbattimento,   3950,   180"},
       13,
       3550,
       1,
       T,
       24,
       nullptr},
      {"too_close_to_track_end", true, 0, {"velocita,   16950,    80"}, 15, 16950, 1, T, 24, nullptr},
      {"signal_on_signal",
       true,
       0,
       {"segnale,    1000,   2, 4, 0,  0, 0,    0,  0,0,0, 0"},
       16,
       1000,
       1,
       T,
       24,
       nullptr},
      {"slowdown_board_on_signal",
       true,
       0,
       {"rallentamento,    5200,    60,  300, 1,  0,  0"},
       17,
       5200,
       1,
       T,
       24,
       nullptr},
      {"slowdown_start_on_signal",
       true,
       0,
       {"rallentamento,    4000,    60,  300, 1,  0,  0"},
       18,
       4000,
       1,
       T,
       24,
       nullptr},
      {"slowdown_end_on_signal",
       true,
       0,
       {"rallentamento,    3600,    60,  400, 1,  0,  0"},
       19,
       3600,
       1,
       T,
       24,
       nullptr},
      {"slowdown_approach_on_signal",
       true,
       0,
       {"rallentamento,    5300,    60,  500, 1,  1,  0"},
       20,
       5300,
       1,
       T,
       24,
       nullptr},
      {"speed_board_on_board",
       false,
       0,
       {"indicatori_vmax,  700,  100,  100,  100,  0,  ,  ,  ,  0"},
       21,
       700,
       1,
       R,
       20,
       nullptr},
      {"stations_too_close",
       true,
       0,
       {"stazione,    9000, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, TROPPO VICINA"},
       22,
       9000,
       1,
       T,
       24,
       nullptr},
      {"station_marker_on_cell_1",
       true,
       13,
       {"stazione,       0, 12,  200,  0, 1, 0,  1,1,0,  4,1,1,    1,   8,35, 0, ARDENA"},
       24,
       0,
       1,
       T,
       13,
       nullptr},
      {"number_with_letters", true, 2, {"numero vetture,    12x"}, 25, 0, 1, T, 2, nullptr},
      {"no_general_section", false, 1, {"[general]"}, 102, 0, 3, R, 1, "102"},
      {"curve_digit", false, 11, {"curvad7,  800,  450"}, 103, 0, 1, R, 11, nullptr},
      {"marker_slot_used", true, 0, {"abbattimento,     50,   180"}, 0, 0, 3, nullptr, 0, "1250", 24},
      {"check_code_slot_used",
       true,
       0,
       {"rallentamento,       0,     0,  500, 1,  0,  7"},
       0,
       0,
       3,
       nullptr,
       0,
       "1251",
       24},
      // A fatal end still names the compile's error and its place.
      {"marker_slot_used_after_an_error",
       true,
       0,
       {"abbattimento,     50,   180",
        "stazione,    9000, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, TROPPO VICINA"},
       22,
       9000,
       3,
       T,
       25,
       "1250",
       24},
  };
  return casi;
}

class CompileFaults : public ::testing::TestWithParam<caso_errore> {};

TEST_P(CompileFaults, CodePlaceMessageAndExitStatus) {
  const caso_errore& c = GetParam();
  temp_folder dir;
  const auto linea = c.nel_treno ? test_util::linea_piccola() : modifica(test_util::linea_piccola(), c);
  const auto treno = c.nel_treno ? modifica(test_util::treno_piccolo(), c) : test_util::treno_piccolo();
  write_file(dir.path() / "route.txt", join_crlf(linea));
  write_file(dir.path() / "train.txt", join_crlf(treno));
  const impronta prima_linea = impronta_di(dir.path() / "route.txt");
  const impronta prima_treno = impronta_di(dir.path() / "train.txt");

  const auto r = run_tool({"compile", "route.txt", "train.txt", "-o", "out", "--json"}, dir.path());
  EXPECT_EQ(r.status, c.status) << r.err;
  EXPECT_EQ(impronta_di(dir.path() / "route.txt"), prima_linea);
  EXPECT_EQ(impronta_di(dir.path() / "train.txt"), prima_treno);

  // Standard error: the place (source, line and column of the token at
  // fault; for the code pass, the slowdown's line) and the code.
  if (c.codice != 0) {
    std::string luogo;
    if (c.file_atteso) {
      luogo = c.riga_atteso > 0 ? std::string(c.file_atteso) + ":" + std::to_string(c.riga_atteso) + ":"
                                : std::string(c.file_atteso) + ": ";
    }
    const std::string codice = " [code " + std::to_string(c.codice) + "]\n";
    bool trovata = false;
    for (std::size_t at = 0; at < r.err.size();) {
      const std::size_t fine = r.err.find('\n', at);
      const std::string riga = r.err.substr(at, fine == std::string::npos ? std::string::npos : fine - at + 1);
      if (riga.rfind(luogo, 0) == 0 && riga.find(" error: ") != std::string::npos && riga.size() >= codice.size() &&
          riga.compare(riga.size() - codice.size(), codice.size(), codice) == 0) {
        trovata = true;
        // A code with a position says it, one without says no "at N m".
        if (cerca_errore(c.codice)->con_posizione) {
          EXPECT_NE(riga.find(std::to_string(c.posizione) + " m"), std::string::npos) << riga;
        }
      }
      if (fine == std::string::npos) break;
      at = fine + 1;
    }
    EXPECT_TRUE(trovata) << "expected a line \"" << luogo << "... error: ..." << codice << "\", got:\n" << r.err;
  }
  if (c.fatale && c.riga_fatale > 0) {
    // The fatal end is an error finding at the line whose object caused it.
    const std::string luogo = std::string(T) + ":" + std::to_string(c.riga_fatale) + ":";
    bool trovata = false;
    for (std::size_t at = r.err.find(luogo); at != std::string::npos; at = r.err.find(luogo, at + 1)) {
      const std::string riga = r.err.substr(at, r.err.find('\n', at) - at);
      trovata = trovata || (riga.find(std::string("error: fatal error ") + c.fatale) != std::string::npos &&
                            riga.find(std::string("[code ") + c.fatale + "]") != std::string::npos);
    }
    EXPECT_TRUE(trovata) << "expected \"" << luogo << "...: error: fatal error " << c.fatale << "\", got:\n" << r.err;
  } else if (c.fatale) {
    EXPECT_NE(r.err.find(std::string("fatal error ") + c.fatale + ": " + messaggio_fatale(c.fatale)), std::string::npos)
        << r.err;
  }
  if (c.fatale) {
    EXPECT_FALSE(fs::exists(dir.path() / "out") && !fs::is_empty(dir.path() / "out")) << "a fatal end writes nothing";
  } else {
    EXPECT_EQ(file_in(dir.path() / "out"), std::set<std::string>(nomi_binari.begin(), nomi_binari.end()));
  }

  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j.at("error_code"), c.codice);
  EXPECT_EQ(j.at("error_position"), c.posizione);
  EXPECT_EQ(j.at("fatal"), c.fatale ? nlohmann::json(c.fatale) : nlohmann::json(nullptr));
  EXPECT_EQ(j.at("files").size(), c.fatale ? 0u : 3u);
  EXPECT_TRUE(j.at("message").is_string());
  EXPECT_EQ(j.at("source"), c.file_atteso ? nlohmann::json(c.file_atteso) : nlohmann::json(nullptr));
  EXPECT_EQ(j.at("line"), c.riga_atteso > 0 ? nlohmann::json(c.riga_atteso) : nlohmann::json(nullptr));
  if (c.riga_fatale > 0) {
    // In --json the fatal end is an error finding with its file and line, and counts as an error.
    bool trovata = false;
    for (const auto& f : j.at("findings")) {
      trovata = trovata || (f.at("code") == std::atoi(c.fatale) && f.at("severity") == "error" && f.at("source") == T &&
                            f.at("line") == c.riga_fatale);
    }
    EXPECT_TRUE(trovata) << j.dump(2);
    EXPECT_GE(j.at("errors").get<int>(), 1);
  }
}

std::string nome_caso(const ::testing::TestParamInfo<caso_errore>& caso) { return caso.param.nome; }

INSTANTIATE_TEST_SUITE_P(EveryCode, CompileFaults, ::testing::ValuesIn(casi_errore()), nome_caso);

TEST(Compile, EveryCodeTheCompilerOrPassRecordsHasAFaultCase) {
  std::set<std::int32_t> coperti;
  for (const auto& c : casi_errore()) coperti.insert(c.codice);
  for (const auto& e : tabella_errori()) {
    if (e.codice == 101) continue;  // a missing file: its own test below
    EXPECT_TRUE(coperti.count(e.codice)) << "no fault case for code " << e.codice;
  }
}

TEST(Compile, CleanSourcesGiveExitZeroAndTheThreeFiles) {
  temp_folder dir;
  write_file(dir.path() / "route.txt", join_crlf(test_util::linea_piccola()));
  write_file(dir.path() / "train.txt", join_crlf(test_util::treno_piccolo()));
  const auto r = run_tool({"compile", "route.txt", "train.txt", "--json"}, dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const auto j = nlohmann::json::parse(r.out);
  for (const char* campo : {"error_code", "error_position", "fatal", "files", "source", "line", "message"}) {
    EXPECT_TRUE(j.contains(campo)) << campo;
  }
  EXPECT_EQ(j.at("error_code"), 0);
  EXPECT_TRUE(j.at("fatal").is_null());
  EXPECT_TRUE(j.at("source").is_null());
  EXPECT_TRUE(j.at("line").is_null());
  EXPECT_EQ(j.at("files"), nlohmann::json(nomi_binari));
  // The default folder is the current one, next to the sources, which stay.
  EXPECT_EQ(file_in(dir.path()),
            (std::set<std::string>{"route.txt", "train.txt", nomi_binari[0], nomi_binari[1], nomi_binari[2]}));
  const auto c = run_tool({"check", "."}, dir.path());
  EXPECT_EQ(c.status, 0) << c.out;
  EXPECT_EQ(c.out, "ok\n");
}

// The code pass records its own code over the compile's: both are reported,
// the compile's first, with its place.
TEST(Compile, ACompileErrorOverwrittenByTheCodePassIsStillReported) {
  temp_folder dir;
  auto treno = test_util::treno_piccolo();
  treno.insert(treno.end() - 1, {"abbattimento,   2700,   0", "abbattimento,   2750,   0", "abbattimento,   2800,   0",
                                 "velocita,   16950,    80"});
  write_file(dir.path() / "route.txt", join_crlf(test_util::linea_piccola()));
  write_file(dir.path() / "train.txt", join_crlf(treno));
  const auto r = run_tool({"compile", "route.txt", "train.txt", "--json"}, dir.path());
  EXPECT_EQ(r.status, 1);
  const auto a = r.err.find("train.txt:27:13: error: " + messaggio_errore(15, 16950) + " [code 15]\n");
  const auto b = r.err.find("train.txt:17:1: error: " + messaggio_errore(12, 3050));
  EXPECT_NE(a, std::string::npos) << r.err;
  EXPECT_NE(b, std::string::npos) << r.err;
  EXPECT_LT(a, b) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j.at("error_code"), 12);
  EXPECT_EQ(j.at("source"), "train.txt");
  EXPECT_EQ(j.at("line"), 17);
  ASSERT_EQ(j.at("findings").size(), 2u);
  EXPECT_EQ(j.at("findings")[0].at("code"), 15);
  EXPECT_EQ(j.at("findings")[0].at("source"), "train.txt");
  EXPECT_EQ(j.at("findings")[0].at("line"), 27);
  EXPECT_EQ(j.at("findings")[1].at("code"), 12);
}

// A source that is not there is input that cannot be read: exit status 2,
// nothing written (the run's codes 101 and 25 are for the program's own folder).
TEST(Compile, AMissingSourceIsAnInputErrorAndWritesNothing) {
  temp_folder dir;
  write_file(dir.path() / "route.txt", join_crlf(test_util::linea_piccola()));
  write_file(dir.path() / "train.txt", join_crlf(test_util::treno_piccolo()));
  for (const auto& [linea, treno] : {std::pair{"nowhere.txt", "train.txt"}, std::pair{"route.txt", "nowhere.txt"}}) {
    const auto r = run_tool({"compile", linea, treno, "-o", "out"}, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("nowhere.txt: no such file"), std::string::npos) << r.err;
    EXPECT_TRUE(!fs::exists(dir.path() / "out") || fs::is_empty(dir.path() / "out"));
  }
}

TEST(Compile, WithoutLineDataWritesTwoFilesAndLeavesAnOldLineFile) {
  temp_folder dir;
  write_file(dir.path() / "route.txt", join_crlf(test_util::linea_piccola()));
  write_file(dir.path() / "train.txt", join_crlf(test_util::treno_piccolo()));
  write_file(dir.path() / nomi_binari[0], "old");
  const auto r = run_tool({"compile", "route.txt", "train.txt", "--no-line-data"}, dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, nomi_binari[1] + "\n" + nomi_binari[2] + "\n");
  EXPECT_EQ(read_file(dir.path() / nomi_binari[0]), "old");
}

TEST(Compile, IdentityNamesTheFilesAndIsRefusedWhenItLeavesTheFolder) {
  temp_folder dir;
  write_file(dir.path() / "route.txt", join_crlf(test_util::linea_piccola()));
  write_file(dir.path() / "train.txt", join_crlf(test_util::treno_piccolo()));
  const auto r = run_tool(
      {"compile", "route.txt", "train.txt", "-o", "out", "--route-name", "Linea_Prova", "--train-number", "99"},
      dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(file_in(dir.path() / "out"),
            (std::set<std::string>{"Linea_Prova_linea.dat", "Linea_Prova_99.sim", "Linea_Prova_99.dat"}));
  EXPECT_EQ(run_tool({"check", "out", "--route-name", "Linea_Prova", "--train-number", "99"}, dir.path()).out, "ok\n");

  const std::vector<std::vector<std::string>> rifiutate{{"--route-name", "../fuori"}, {"--route-name", "a/b"},
                                                        {"--train-number", "x\\y"},   {"--route-name", ""},
                                                        {"--train-number", ""},       {"--train-number", ".."}};
  for (const auto& opzioni : rifiutate) {
    std::vector<std::string> argomenti{"compile", "route.txt", "train.txt", "-o", "rifiuto"};
    argomenti.insert(argomenti.end(), opzioni.begin(), opzioni.end());
    const auto x = run_tool(argomenti, dir.path());
    EXPECT_EQ(x.status, 2) << opzioni[0] << " \"" << opzioni[1] << "\"";
    EXPECT_NE(x.err.find(opzioni[0]), std::string::npos) << x.err;
    EXPECT_FALSE(fs::exists(dir.path() / "rifiuto"));
  }
}

TEST(Compile, NeverOverwritesASourceNamedLikeAnOutput) {
  temp_folder dir;
  write_file(dir.path() / nomi_binari[2], join_crlf(test_util::linea_piccola()));
  write_file(dir.path() / "train.txt", join_crlf(test_util::treno_piccolo()));
  const impronta prima = impronta_di(dir.path() / nomi_binari[2]);
  const auto r = run_tool({"compile", nomi_binari[2], "train.txt"}, dir.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("never overwrites its sources"), std::string::npos) << r.err;
  EXPECT_EQ(impronta_di(dir.path() / nomi_binari[2]), prima);
}

// The source reached under an output's name through a link or a hard link
// is the same file: it is refused as well.
TEST(Compile, NeverOverwritesASourceReachedThroughALink) {
  for (const bool fisico : {false, true}) {
    temp_folder dir;
    fs::create_directory(dir.path() / "out");
    write_file(dir.path() / "route.txt", join_crlf(test_util::linea_piccola()));
    write_file(dir.path() / "train.txt", join_crlf(test_util::treno_piccolo()));
    const fs::path uscita = dir.path() / "out" / nomi_binari[2];
    if (fisico) {
      fs::create_hard_link(dir.path() / "route.txt", uscita);
    } else {
      fs::create_symlink(dir.path() / "route.txt", uscita);
    }
    const impronta prima = impronta_di(dir.path() / "route.txt");
    const auto r = run_tool({"compile", "route.txt", "train.txt", "-o", "out"}, dir.path());
    EXPECT_EQ(r.status, 2) << (fisico ? "hard link" : "link");
    EXPECT_NE(r.err.find("never overwrites its sources"), std::string::npos) << r.err;
    EXPECT_EQ(impronta_di(dir.path() / "route.txt"), prima);
  }
}

TEST(Compile, UsageAndInputErrorsExitWithTwo) {
  temp_folder dir;
  write_file(dir.path() / "train.txt", join_crlf(test_util::treno_piccolo()));
  fs::create_directory(dir.path() / "a_folder");
  // A source over the size limit: a sparse file, so nothing is written to disk.
  {
    write_file(dir.path() / "huge.txt", "");
    fs::resize_file(dir.path() / "huge.txt", std::uintmax_t{64} * 1024 * 1024 + 1);
  }
  const std::vector<std::vector<std::string>> casi{
      {"compile"},
      {"compile", "train.txt"},
      {"compile", "a", "b", "c"},
      {"compile", "train.txt", "train.txt", "--bogus"},
      {"compile", "a_folder", "train.txt"},
      {"compile", "huge.txt", "train.txt"},
  };
  for (const auto& argomenti : casi) {
    const auto r = run_tool(argomenti, dir.path());
    EXPECT_EQ(r.status, 2) << argomenti.back() << "\n" << r.err;
    EXPECT_FALSE(r.err.empty());
  }
}

TEST(Compile, HelpOnEveryCommandAndVersion) {
  temp_folder dir;
  // A call builds only the command it names; the overview still lists all.
  const auto panoramica = run_tool({"--help"}, dir.path());
  EXPECT_EQ(panoramica.status, 0);
  for (const char* comando : {"compile", "lint", "export", "dump", "check", "map", "diff"}) {
    const auto r = run_tool({comando, "--help"}, dir.path());
    EXPECT_EQ(r.status, 0) << comando;
    EXPECT_NE(r.out.find(std::string("scenario-tool ") + comando), std::string::npos) << r.out;
    EXPECT_NE(panoramica.out.find(std::string("\n  ") + comando), std::string::npos) << panoramica.out;
  }
  const auto v = run_tool({"--version"}, dir.path());
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.out.rfind("scenario-tool ", 0), 0u) << v.out;
}

// The author's starting point: export, compile, and the files are those of
// the run of the main program, byte for byte.
TEST(Export, ThenCompileGivesTheRunsFilesByteForByte) {
  temp_folder corsa, autore;
  fs::copy_file(SCENARIO_EXE, corsa.path() / "scenario");
  const auto run = test_util::run_process({(corsa.path() / "scenario").string()}, corsa.path(),
                                          test_util::environment_without_display());
  ASSERT_EQ(run.status, 0) << run.err;

  const auto e = run_tool({"export", "-o", "src"}, autore.path());
  ASSERT_EQ(e.status, 0) << e.err;
  const fs::path src = autore.path() / "src";
  EXPECT_EQ(file_in(src), (std::set<std::string>{nome_sorgente_linea(id_inc), nome_sorgente_treno(id_inc),
                                                 nome_note(id_inc), nome_rallentamenti(id_inc), nome_scheda(id_inc)}));
  for (const std::string& doc : {nome_note(id_inc), nome_rallentamenti(id_inc), nome_scheda(id_inc)}) {
    EXPECT_EQ(read_file(src / doc), read_file(corsa.path() / doc)) << doc;
  }

  const auto c =
      run_tool({"compile", "src/" + nome_sorgente_linea(id_inc), "src/" + nome_sorgente_treno(id_inc), "-o", "bin"},
               autore.path());
  ASSERT_EQ(c.status, 0) << c.err;
  for (const std::string& nome : nomi_binari) {
    const std::string atteso = read_file(corsa.path() / nome);
    ASSERT_FALSE(atteso.empty()) << nome;
    EXPECT_TRUE(read_file(autore.path() / "bin" / nome) == atteso) << nome << " differs from the run's";
  }
  EXPECT_TRUE(fs::exists(src / nome_sorgente_linea(id_inc))) << "compile deleted its source";
}

}  // namespace
}  // namespace scen
