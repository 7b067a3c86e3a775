// Hostile sources fed to `scenario-tool compile`: NUL bytes, binary garbage,
// one very long line, millions of short lines, a quote that never closes, a
// source over the size limit, and names that would put files outside the
// output folder. Each ends with a clear result: an exit status, a message
// that says what happened, and no file anywhere it was not asked for.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/files.h"
#include "support/sources.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::join_crlf;
using test_util::linea;
using test_util::temp_folder;
using test_util::treno;

// The tool's exit statuses.
constexpr int pulito = 0;
constexpr int con_errore = 1;
constexpr int rifiutato = 2;
constexpr int fatale = 3;

// Far above what the sources below need, far below what an unbounded reader would take.
constexpr long rss_limit_kb = 1536L * 1024;

std::string spazzatura(std::size_t n, unsigned seme) {
  std::mt19937 gen(seme);
  std::string r(n, '\0');
  for (char& c : r) c = static_cast<char>(gen() & 0xFF);
  return r;
}

std::string ripeti(const std::string& riga, std::size_t volte) {
  std::string r;
  r.reserve(riga.size() * volte);
  for (std::size_t i = 0; i < volte; ++i) r += riga;
  return r;
}

std::string stazione(const std::string& nome) {
  return "stazione,  10000, 22, 500, 0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, " + nome;
}

struct caso {
  const char* nome;
  std::string route;
  std::string train;
  int status;
  const char* messaggio;  // a text standard error must hold; empty when it prints nothing
};

struct corsa_tool {
  test_util::process_result process;
  std::vector<std::string> scritti;  // files in the output folder
};

corsa_tool compila(const temp_folder& dir, const std::string& route, const std::string& train,
                   std::vector<std::string> altri = {}) {
  const fs::path r = dir.path() / "route.txt";
  const fs::path t = dir.path() / "train.txt";
  test_util::write_file(r, route);
  test_util::write_file(t, train);
  const fs::path uscita = dir.path() / "out";
  std::vector<std::string> argomenti{SCENARIO_TOOL_EXE, "compile", r.string(), t.string(), "-o", uscita.string()};
  argomenti.insert(argomenti.end(), altri.begin(), altri.end());
  corsa_tool c;
  c.process = test_util::run_process(argomenti, {}, test_util::environment_without_display());
  if (fs::exists(uscita)) {
    for (const auto& v : fs::directory_iterator(uscita)) c.scritti.push_back(v.path().filename().string());
  }
  return c;
}

void controlla(const caso& c, const corsa_tool& r) {
  EXPECT_EQ(r.process.signal, 0) << "ended by a signal";
  EXPECT_EQ(r.process.status, c.status) << r.process.err;
  if (*c.messaggio != '\0') {
    EXPECT_NE(r.process.err.find(c.messaggio), std::string::npos) << r.process.err.substr(0, 2000);
  }
  EXPECT_LT(r.process.max_rss_kb, rss_limit_kb);
  // A run that ends with a result writes the three files; one refused or fatal writes none.
  const std::size_t attesi = (c.status == pulito || c.status == con_errore) ? 3 : 0;
  EXPECT_EQ(r.scritti.size(), attesi);
}

TEST(HostileSources, EndWithAClearResult) {
  // After the length line the track exists and a bad number is a compile error;
  // in the length line itself no track is ever built, which ends the run.
  std::string nul_numero = linea();
  nul_numero.replace(nul_numero.find("33000"), 5,
                     std::string("33\0"
                                 "000",
                                 6));
  std::string nul_lunghezza = linea();
  nul_lunghezza.replace(nul_lunghezza.find("85000"), 5,
                        std::string("85\0"
                                    "000",
                                    6));
  const caso casi[] = {
      {"NUL inside a number", nul_numero, treno(), con_errore, "route.txt:6:"},
      {"NUL inside the length", nul_lunghezza, treno(), fatale, "fatal error 25"},
      {"NUL inside a station name", linea(), treno(join_crlf({stazione(std::string("VEL\0MORA", 8))})), pulito, ""},
      {"NUL bytes only", std::string(4096, '\0'), std::string(4096, '\0'), fatale, "fatal error 102"},
      {"binary garbage as the route", spazzatura(1 << 20, 1), treno(), fatale, "fatal error 102"},
      {"binary garbage as the train", linea(), spazzatura(1 << 20, 2), pulito, ""},
      {"garbage after [generale]", "[generale]\r\n" + spazzatura(1 << 20, 3), treno(), fatale, ""},
      {"a quote that never closes in a station name", linea(),
       treno(join_crlf({stazione("\"VELMORA"), stazione("X"), "segnale,  1650, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0"})), pulito,
       ""},
      {"a quote that never closes in a board text",
       linea("cartello indicatore,  1000,  \"TESTO\r\npendenza, 2000, 5\r\n"), treno(), pulito, ""},
      {"a quote that never closes in a key", "\"[generale]\r\nlunghezza percorso, 5000\r\n", treno(), fatale,
       "fatal error 102"},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    temp_folder dir;
    controlla(c, compila(dir, c.route, c.train));
  }
}

TEST(HostileSources, OneVeryLongLineUnderTheLimit) {
  const std::string lunga(32u << 20, 'x');
  const caso casi[] = {
      // A field of 32 MiB that is no key: the compile reads past it.
      {"32 MiB line in the route", linea(lunga + "\r\n"), treno(), pulito, ""},
      // A station name of 32 MiB does not fit the summary file's 16-bit text length.
      {"32 MiB station name", linea(), treno(join_crlf({stazione(lunga)})), con_errore, "does not fit station name"},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    temp_folder dir;
    controlla(c, compila(dir, c.route, c.train));
  }
}

TEST(HostileSources, TenMillionShortLines) {
  const std::string molte = ripeti("x\r\n", 10'000'000);
  const caso casi[] = {
      {"in the train", linea(), "[generale]\r\n" + molte + "[fine]\r\n", pulito, ""},
      {"in the route's sections", linea(ripeti("-\r\n", 10'000'000)), treno(), pulito, ""},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    temp_folder dir;
    controlla(c, compila(dir, c.route, c.train));
  }
}

TEST(HostileSources, ASourceOverTheSizeLimitIsRefused) {
  // 100 MB on one line, above the 64 MiB the tool reads at most.
  temp_folder dir;
  const caso c{"100 MB line", std::string(100'000'000, 'x'), treno(), rifiutato, "larger than 67108864 bytes"};
  const auto r = compila(dir, c.route, c.train);
  controlla(c, r);
  EXPECT_NE(r.process.err.find((dir.path() / "route.txt").string()), std::string::npos) << r.process.err;
}

// A route name or train number that would put a file outside the output
// folder is refused before anything is read or written.
TEST(HostileSources, ANameThatLeavesTheFolderIsRefused) {
  struct nome {
    const char* opzione;
    const char* valore;
  } nomi[] = {
      {"--route-name", "../fuori"}, {"--route-name", "a/b"},    {"--route-name", "a\\b"},   {"--route-name", ".."},
      {"--route-name", ""},         {"--route-name", "/tmp/x"}, {"--train-number", "../1"}, {"--train-number", "4/713"},
      {"--train-number", ""},       {"--train-number", ".."},
  };
  for (const nome& n : nomi) {
    SCOPED_TRACE(std::string(n.opzione) + " \"" + n.valore + "\"");
    temp_folder dir;
    const auto prima = std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator());
    const auto r = compila(dir, linea(), treno(), {n.opzione, n.valore});
    EXPECT_EQ(r.process.status, rifiutato) << r.process.err;
    EXPECT_NE(r.process.err.find(n.opzione), std::string::npos) << r.process.err;
    EXPECT_TRUE(r.scritti.empty());
    // Only the two sources the test wrote (and nothing beside or above them).
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), prima + 2);
    EXPECT_FALSE(fs::exists(dir.path() / "fuori_linea.dat"));
  }
}

}  // namespace
}  // namespace scen
