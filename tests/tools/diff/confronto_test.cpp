// scenario-tool diff: edits an author makes to the exported embedded
// scenario, compiled, and compared with the untouched compile.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/files.h"
#include "support/sources.h"
#include "support/tool_in_process.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::read_file;
using test_util::run_tool_in_process;
using test_util::temp_folder;
using test_util::write_file;

constexpr const char* sorgente_linea = "Ardena_VelmoraCle_linea.txt";
constexpr const char* sorgente_treno = "Ardena_VelmoraCle_4713-.txt";

// The embedded scenario exported once and compiled into "before".
class Diff : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(run_tool_in_process({"export", "-o", "src"}, dir_.path()).status, 0);
    compila("src", "before");
  }
  void compila(const std::string& sorgenti, const std::string& uscita) {
    const auto r = run_tool_in_process(
        {"compile", sorgenti + "/" + sorgente_linea, sorgenti + "/" + sorgente_treno, "-o", uscita}, dir_.path());
    ASSERT_EQ(r.status, 0) << r.err;
  }
  // A copy of the sources with `vecchio` replaced by `nuovo` in one of them, compiled into "after".
  void modifica(const std::string& file, const std::string& vecchio, const std::string& nuovo) {
    fs::create_directories(dir_.path() / "edit");
    for (const char* f : {sorgente_linea, sorgente_treno}) {
      std::string t = read_file(dir_.path() / "src" / f);
      if (f == file) {
        const auto at = t.find(vecchio);
        ASSERT_NE(at, std::string::npos) << vecchio;
        t.replace(at, vecchio.size(), nuovo);
      }
      write_file(dir_.path() / "edit" / f, t);
    }
    compila("edit", "after");
  }
  temp_folder dir_;
};

TEST_F(Diff, EqualFoldersPrintNothingAndExitZero) {
  compila("src", "after");
  const auto r = run_tool_in_process({"diff", "before", "after"}, dir_.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const auto j = run_tool_in_process({"diff", "before", "after", "--json"}, dir_.path());
  EXPECT_EQ(j.status, 0);
  EXPECT_EQ(
      nlohmann::json::parse(j.out),
      nlohmann::json({{"equal", true}, {"changes", nlohmann::json::array()}, {"bytes", nlohmann::json::array()}}));
}

struct caso_modifica {
  const char* nome;
  const char* file;
  const char* vecchio;
  const char* nuovo;
  const char* attese;  // the change lines, in order
};

// One edit of each kind an author makes; each must show as exactly its own
// consequences and nothing else.
const caso_modifica casi_modifica[] = {
    {"add a station", sorgente_treno, "0, FONTEBRUNA\r\n",
     "0, FONTEBRUNA\r\nstazione,   47500, 22,  400,  0, 0, 0,  0,0,0,  4,1,1,    0,   0, 0, 0, NUOVA\r\n",
     "station NUOVA added at 47500 m (km 35.400)\n"},
    {"move a signal", sorgente_treno, "segnale,   21700,", "segnale,   21900,",
     "signal moved 21700 m \xE2\x86\x92 21900 m (km 61.000)\n"},
    {"add a slowdown", sorgente_treno, "[segnali]\r\n",
     "rallentamento,   60000,    60,  400, 1,  1,  0\r\n[segnali]\r\n",
     "cab-signal code point added at 58000 m (km 24.900)\n"
     "slowdown warning board added at 58800 m (km 24.100) (values 60 0 0 0)\n"
     "5 cab-signal code points added from 59150 m (km 23.750) to 60500 m (km 22.400) "
     "(59150, 59500, 59800, 60400, 60500 m)\n"
     "slowdown added at 60000 m (km 22.900) (60 km/h, 400 m long, speed difference 0, f_tt 1)\n"},
    {"change the length", sorgente_linea, "lunghezza percorso,    85000", "lunghezza percorso,    86000",
     "route length 85000 m \xE2\x86\x92 86000 m\n"},
    {"rename a station", sorgente_treno, ", MOLINETTA\r\n", ", MOLINETTA BASSA\r\n",
     "station MOLINETTA renamed MOLINETTA BASSA at 25600 m (km 57.300)\n"},
    {"change a gradient", sorgente_linea, "pendenza,  7100,   5", "pendenza,  7100,   4",
     "gradient +5 \xE2\x86\x92 +4 \xE2\x80\xB0 from 7100 m (km 75.800) to 12400 m (km 70.500)\n"},
    {"change a speed limit", sorgente_treno, "velocita,   16900,   130", "velocita,   16900,   120",
     "speed limit 130 \xE2\x86\x92 120 km/h from 16900 m (km 66.000) to 19850 m (km 63.050)\n"},
    {"change a station's time", sorgente_treno, "   8,48, 0, LUNESCO", "   8,50, 0, LUNESCO",
     "station LUNESCO at 16900 m (km 66.000): time 8:48:00 \xE2\x86\x92 8:50:00\n"},
    {"change a station's stop", sorgente_treno, "   60,   8,48, 0, LUNESCO", "   90,   8,48, 0, LUNESCO",
     "station LUNESCO at 16900 m (km 66.000): stop 60 \xE2\x86\x92 90\n"},
    {"change a station's options", sorgente_treno, "600,  0, 0, 0,  1,1,0,  4,1,1,   60",
     "600,  1, 0, 0,  1,1,0,  4,1,1,   60",
     "station LUNESCO at 16900 m (km 66.000): options 0 0 0 \xE2\x86\x92 1 0 0\n"},
    {"change a station's groups", sorgente_treno, "0,  1,1,0,  4,1,1,   60,   8,48", "0,  1,1,0,  4,2,1,   60,   8,48",
     "station LUNESCO at 16900 m (km 66.000): groups 1 1 0 / 4 1 1 \xE2\x86\x92 1 1 0 / 4 2 1\n"},
};

TEST_F(Diff, EachEditShowsExactlyItsChanges) {
  for (const caso_modifica& c : casi_modifica) {
    SCOPED_TRACE(c.nome);
    fs::remove_all(dir_.path() / "edit");
    fs::remove_all(dir_.path() / "after");
    modifica(c.file, c.vecchio, c.nuovo);
    const auto r = run_tool_in_process({"diff", "before", "after"}, dir_.path());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, c.attese);
    // Every byte that differs is part of the changes told: none told again.
    const auto j = nlohmann::json::parse(run_tool_in_process({"diff", "before", "after", "--json"}, dir_.path()).out);
    EXPECT_FALSE(j["bytes"].empty());
    for (const auto& b : j["bytes"]) EXPECT_EQ(b["explained"], true) << b.dump();
  }
}

TEST_F(Diff, JsonAndHtmlCarryTheSameChanges) {
  modifica(sorgente_treno, "segnale,   21700,", "segnale,   21900,");
  const auto r = run_tool_in_process({"diff", "before", "after", "--json", "--html", "out/changes.html"}, dir_.path());
  ASSERT_EQ(r.status, 1) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["equal"], false);
  ASSERT_EQ(j["changes"].size(), 1u);
  EXPECT_EQ(j["changes"][0]["from"], 21700);
  EXPECT_EQ(j["changes"][0]["to"], 21900);
  EXPECT_EQ(j["changes"][0]["text"], "signal moved 21700 m \xE2\x86\x92 21900 m (km 61.000)");
  const std::string html = read_file(dir_.path() / "out" / "changes.html");
  EXPECT_NE(html.find("signal moved 21700 m"), std::string::npos);
  EXPECT_NE(html.find("<ol id=\"changes\""), std::string::npos);
  EXPECT_NE(html.find("<section id=\"bytes\">"), std::string::npos);
  ASSERT_FALSE(j["bytes"].empty());
  for (const auto& b : j["bytes"]) EXPECT_EQ(b["explained"], true) << b.dump();
}

TEST_F(Diff, MissingFoldersAndFilesAreInputErrors) {
  EXPECT_EQ(run_tool_in_process({"diff", "before", "nowhere"}, dir_.path()).status, 2);
  fs::create_directories(dir_.path() / "empty");
  const auto r = run_tool_in_process({"diff", "before", "empty"}, dir_.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no such file"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(run_tool_in_process({"diff", "before"}, dir_.path()).status, 2);
}

TEST_F(Diff, IdentityIsFoundFromTheFolder) {
  // The same scenario compiled under another identity compares equal to
  // itself, and differs from the embedded one only in its check codes.
  const auto c = run_tool_in_process({"compile", std::string("src/") + sorgente_linea,
                                      std::string("src/") + sorgente_treno, "-o", "other", "--train-number", "9999"},
                                     dir_.path());
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(run_tool_in_process({"diff", "other", "other"}, dir_.path()).status, 0);
  const auto r = run_tool_in_process({"diff", "before", "other"}, dir_.path());
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.out.find("check code (summary entry 85)"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("station"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace scen
