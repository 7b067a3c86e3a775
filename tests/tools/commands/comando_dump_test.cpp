// scenario-tool dump: readable listings and full JSON of the three binary
// files; a damaged file gives an error that names the offset.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "formats/decodifica.h"
#include "support/tool_runs.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::read_file;
using test_util::run_tool;
using test_util::temp_folder;
using test_util::write_file;

const identita id_inc = identita_incorporata();

class Dump : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new temp_folder;
    test_util::compila_incorporato(dir_->path());
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static fs::path file(const std::string& nome) { return dir_->path() / nome; }
  static fs::path linea() { return file(nome_file_linea(id_inc)); }
  static fs::path sommario() { return file(nome_file_sommario(id_inc)); }
  static fs::path percorso() { return file(nome_file_percorso(id_inc)); }
  static const fs::path& cartella() { return dir_->path(); }

 private:
  static temp_folder* dir_;
};
temp_folder* Dump::dir_ = nullptr;

std::size_t conta(const std::string& testo, const std::string& parola) {
  std::size_t n = 0;
  for (std::size_t at = testo.find(parola); at != std::string::npos; at = testo.find(parola, at + 1)) ++n;
  return n;
}

TEST_F(Dump, SummaryListsTheEntriesByNameAndField) {
  const auto r = run_tool({"dump", sommario().string()}, cartella());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(conta(r.out, "\nentry "), 87u);
  EXPECT_NE(r.out.find("entry  1  station \"ARDENA\" at 0 m, zone -700 to 700 m, timetable 08:35:00"),
            std::string::npos);
  EXPECT_NE(r.out.find("entry 84  general data: braked-mass percentage (inizio) 125, route length (fine) 85000 m"),
            std::string::npos);
  EXPECT_NE(r.out.find("format marker (gruppo_a1) 610, check code (orario)"), std::string::npos);
  EXPECT_NE(r.out.find("nome \"VELMORA CENTRALE\""), std::string::npos);
}

TEST_F(Dump, TrackListsCellsWithTheirTypeAndTheProfilesAsRuns) {
  const auto r = run_tool({"dump", percorso().string()}, cartella());
  ASSERT_EQ(r.status, 0) << r.err;
  const auto celle = decodifica_percorso(read_file(percorso()));
  std::size_t segnali = 0;
  for (const auto& c : celle) segnali += c.tipo == tipo_cella::segnale;
  EXPECT_EQ(conta(r.out, " signal "), segnali);
  EXPECT_EQ(segnali, 45u);
  EXPECT_NE(r.out.find("cell 1: format marker (valore1) 5121, check code (valore2)"), std::string::npos);
  EXPECT_NE(r.out.find("cell   707 (  35350 m)  4  slowdown warning board"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("cell   731 (  36550 m)  3  slowdown start"), std::string::npos);
  EXPECT_NE(r.out.find("cells     0 to    59  (      0 to    3000 m)   27  135 km/h"), std::string::npos);
}

TEST_F(Dump, LineDataListsEveryPoint) {
  const auto r = run_tool({"dump", linea().string()}, cartella());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("plan view of metres 0 to 92000, 184002 tagged values"), std::string::npos);
  EXPECT_NE(r.out.find("       1                   0 (int)                   1 (int)\n"), std::string::npos);
  EXPECT_NE(r.out.find("   92000                   (empty)                   (empty)\n"), std::string::npos);
  EXPECT_EQ(conta(r.out, "\n"), 3u + 92001u);
}

TEST_F(Dump, JsonCarriesTheFullStructure) {
  const auto s = run_tool({"dump", sommario().string(), "--json"}, cartella());
  ASSERT_EQ(s.status, 0) << s.err;
  const auto js = nlohmann::json::parse(s.out);
  const auto voci = decodifica_sommario(read_file(sommario()));
  ASSERT_EQ(js.at("entries").size(), 87u);
  EXPECT_EQ(js.at("kind"), "summary");
  EXPECT_EQ(js.at("entries")[85].at("nome"), voci[85].nome);
  EXPECT_EQ(js.at("entries")[85].at("orario"), voci[85].orario);
  EXPECT_EQ(js.at("entries")[1].at("inizio"), -700);

  const auto t = run_tool({"dump", percorso().string(), "--json"}, cartella());
  ASSERT_EQ(t.status, 0) << t.err;
  const auto jt = nlohmann::json::parse(t.out);
  const auto celle = decodifica_percorso(read_file(percorso()));
  ASSERT_EQ(jt.at("cells").size(), celle.size());
  EXPECT_EQ(jt.at("last_cell"), 1840);
  const auto& c = jt.at("cells")[1551];
  EXPECT_EQ(c.at("tipo"), celle[1551].tipo);
  EXPECT_EQ(c.at("valore4"), celle[1551].valore4);
  EXPECT_EQ(c.at("tempo"), celle[1551].tempo);

  const auto l = run_tool({"dump", linea().string(), "--json"}, cartella());
  ASSERT_EQ(l.status, 0) << l.err;
  const auto jl = nlohmann::json::parse(l.out);
  const piano p = decodifica_linea(read_file(linea()));
  EXPECT_EQ(jl.at("last_metre"), 92000);
  ASSERT_EQ(jl.at("coordinates").size(), 2u);
  for (int k = 0; k < 2; ++k) {
    const auto& co = jl.at("coordinates")[static_cast<std::size_t>(k)];
    ASSERT_EQ(co.at("tags").size(), 92001u);
    EXPECT_EQ(co.at("tags")[1], 2);
    EXPECT_EQ(co.at("tags")[50000], 5);
    EXPECT_TRUE(co.at("values")[92000].is_null());
    EXPECT_EQ(co.at("values")[50000].get<double>(), p.numero(50000, k));
  }
}

TEST_F(Dump, TruncatedFileNamesTheOffsetAndExitsWithOne) {
  temp_folder dir;
  std::string b = read_file(percorso());
  b.resize(b.size() - 7);
  write_file(dir.path() / "cut.dat", b);
  const auto r = run_tool({"dump", "cut.dat"}, dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "cut.dat: not a valid track file: at byte offset 27600: file ends inside cell 1840: 8 of its "
            "15 bytes are there\n");
  const auto j = run_tool({"dump", "cut.dat", "--json"}, dir.path());
  EXPECT_EQ(j.status, 1);
  EXPECT_EQ(nlohmann::json::parse(j.out).at("offset"), 27600);

  std::string s = read_file(sommario());
  s.resize(s.size() / 2);
  write_file(dir.path() / "cut.sim", s);
  const auto rs = run_tool({"dump", "cut.sim"}, dir.path());
  EXPECT_EQ(rs.status, 1);
  EXPECT_NE(rs.err.find("cut.sim: not a valid summary file: at byte offset "), std::string::npos) << rs.err;
}

TEST_F(Dump, FlippedMarkerIsShownWithTheExpectedValue) {
  temp_folder dir;
  std::string b = read_file(percorso());
  b[16] = static_cast<char>(b[16] ^ 1);
  write_file(dir.path() / "x.dat", b);
  const auto r = run_tool({"dump", "x.dat"}, dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("cell 1: format marker (valore1) 5120 (expected 5121)"), std::string::npos);
}

TEST_F(Dump, KindFromTheNameOrFromTheOption) {
  temp_folder dir;
  write_file(dir.path() / "copy.bin", read_file(sommario()));
  EXPECT_EQ(run_tool({"dump", "copy.bin"}, dir.path()).status, 2);
  EXPECT_EQ(run_tool({"dump", "copy.bin", "--kind", "summary"}, dir.path()).status, 0);
  // The wrong kind is a file that does not decode as that kind.
  const auto r = run_tool({"dump", "copy.bin", "--kind", "track"}, dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("not a valid track file"), std::string::npos);
  EXPECT_EQ(run_tool({"dump", "copy.bin", "--kind", "picture"}, dir.path()).status, 2);
  EXPECT_EQ(run_tool({"dump", "missing.sim"}, dir.path()).status, 2);
}

}  // namespace
}  // namespace scen
