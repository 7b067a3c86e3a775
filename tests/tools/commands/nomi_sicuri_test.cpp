// A station name that holds control bytes, as a damaged or hostile summary
// file may: the readable outputs show them escaped, JSON escapes them as
// JSON does and stays UTF-8, the pages hold no control byte.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "formats/decodifica.h"
#include "formats/file_binari.h"
#include "support/files.h"
#include "support/text_lines.h"
#include "support/tool_in_process.h"
#include "text/testo_utf8.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::read_file;
using test_util::run_tool_in_process;
using test_util::temp_folder;
using test_util::write_file;
using tool::utf8_da_1252;

const identita id_inc = identita_incorporata();

// ESC sequences that set the title and clear the screen, a BEL, an undefined
// Windows-1252 byte, and the four characters \x1b written in the name.
const std::string nome_ostile =
    "AR\x1b]0;pwned\x07"
    "DENA\x1b[2J\x9D\\x1b";
const std::string nome_mostrato = "AR\\x1b]0;pwned\\x07DENA\\x1b[2J\\x9d\\\\x1b";

using test_util::has_control_bytes;

// JSON escapes C0 and leaves C1 characters as they are (valid UTF-8, which
// parsing the output checks): only C0 and DEL must be absent.
bool ha_c0(const std::string& t) {
  for (const char c : t) {
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F) return true;
  }
  return false;
}

// The embedded scenario compiled into "a", and into "b" with its first
// station renamed `nome_ostile` in the summary file.
class NomiSicuri : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(run_tool_in_process({"export", "-o", "src"}, dir_.path()).status, 0);
    const auto r = run_tool_in_process(
        {"compile", "src/" + nome_sorgente_linea(id_inc), "src/" + nome_sorgente_treno(id_inc), "-o", "a"},
        dir_.path());
    ASSERT_EQ(r.status, 0) << r.err;
    fs::copy(dir_.path() / "a", dir_.path() / "b");
    auto voci = decodifica_sommario(read_file(sommario("a")));
    ASSERT_EQ(voci[1].nome, "ARDENA");
    voci[1].nome = nome_ostile;
    write_file(sommario("b"), codifica_sommario(voci));
  }
  fs::path sommario(const std::string& cartella) const { return dir_.path() / cartella / nome_file_sommario(id_inc); }
  temp_folder dir_;
};

TEST_F(NomiSicuri, DumpShowsTheNameEscaped) {
  const auto r = run_tool_in_process({"dump", sommario("b").string()}, dir_.path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("entry  1  station \"" + nome_mostrato + "\" at 0 m"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("nome \"" + nome_mostrato + "\""), std::string::npos);
  EXPECT_FALSE(has_control_bytes(r.out));
  // JSON: the name as it is, escaped the JSON way, in valid UTF-8.
  const auto j = run_tool_in_process({"dump", sommario("b").string(), "--json"}, dir_.path());
  ASSERT_EQ(j.status, 0) << j.err;
  EXPECT_FALSE(ha_c0(j.out));
  EXPECT_NE(j.out.find("AR\\u001b]0;pwned\\u0007DENA"), std::string::npos);
  EXPECT_EQ(nlohmann::json::parse(j.out).at("entries")[1].at("nome"), utf8_da_1252(nome_ostile));
}

TEST_F(NomiSicuri, DiffShowsTheNameEscaped) {
  const auto r = run_tool_in_process({"diff", "a", "b", "--html", "page.html"}, dir_.path());
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.out.find("station ARDENA renamed " + nome_mostrato + " at "), std::string::npos) << r.out;
  EXPECT_FALSE(has_control_bytes(r.out));
  const std::string pagina = read_file(dir_.path() / "page.html");
  EXPECT_FALSE(has_control_bytes(pagina));
  const auto j = run_tool_in_process({"diff", "a", "b", "--json"}, dir_.path());
  EXPECT_FALSE(ha_c0(j.out));
  const auto cambi = nlohmann::json::parse(j.out).at("changes");
  bool trovato = false;
  for (const auto& c : cambi) {
    trovato = trovato || c.at("text").get<std::string>().find("renamed " + utf8_da_1252(nome_ostile) + " at ") !=
                             std::string::npos;
  }
  EXPECT_TRUE(trovato) << j.out;
}

TEST_F(NomiSicuri, MapPagesHoldNoControlByte) {
  for (const char* file : {"m.svg", "m.html"}) {
    const auto r = run_tool_in_process({"map", "b", "-o", file}, dir_.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(has_control_bytes(r.err)) << r.err;
    const std::string pagina = read_file(dir_.path() / file);
    EXPECT_FALSE(has_control_bytes(pagina)) << file;
    EXPECT_NE(pagina.find("DENA"), std::string::npos) << file;
  }
}

}  // namespace
}  // namespace scen
