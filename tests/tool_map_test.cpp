// scenario-tool map: a well-formed SVG and a PNG of the expected size, drawn
// from a folder's binary files.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "tool_comune.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::cartella_temporanea;
using test_util::esegui_tool;
using test_util::leggi_file;

const identita id_inc = identita_incorporata();

// A small XML well-formedness check: declarations, comments and CDATA are
// skipped; every element is closed in order; attributes are quoted; text
// holds no stray '<' and only known or numeric entities. Returns the name of
// the root element, or an empty string with `errore` set.
class xml_ben_formato {
 public:
  explicit xml_ben_formato(const std::string& t) : t_(t) {}

  std::string radice(std::string& errore) {
    std::vector<std::string> pila;
    std::string prima;
    int radici = 0;
    while (at_ < t_.size()) {
      if (t_[at_] != '<') {
        if (!testo(errore)) return {};
        continue;
      }
      if (salta("<?", "?>") || salta("<!--", "-->") || salta("<![CDATA[", "]]>") || salta("<!DOCTYPE", ">")) continue;
      if (t_.compare(at_, 2, "</") == 0) {
        at_ += 2;
        const std::string n = nome();
        spazi();
        if (pila.empty() || pila.back() != n || !prendi('>')) return fallisci(errore, "bad end tag </" + n + ">");
        pila.pop_back();
        continue;
      }
      ++at_;
      const std::string n = nome();
      if (n.empty()) return fallisci(errore, "element without a name");
      if (pila.empty()) {
        if (++radici > 1) return fallisci(errore, "two root elements");
        prima = n;
      }
      if (!attributi(errore)) return {};
      if (prendi('/')) {
        if (!prendi('>')) return fallisci(errore, "bad empty element");
      } else if (prendi('>')) {
        pila.push_back(n);
      } else {
        return fallisci(errore, "unterminated start tag <" + n);
      }
    }
    if (!pila.empty()) return fallisci(errore, "unclosed element <" + pila.back() + ">");
    return prima;
  }

 private:
  std::string fallisci(std::string& errore, const std::string& perche) {
    male(errore, perche);
    return {};
  }
  bool male(std::string& errore, const std::string& perche) {
    errore = perche + " at byte " + std::to_string(at_);
    return false;
  }
  bool salta(const char* apre, const char* chiude) {
    if (t_.compare(at_, std::strlen(apre), apre) != 0) return false;
    const auto fine = t_.find(chiude, at_);
    at_ = fine == std::string::npos ? t_.size() : fine + std::strlen(chiude);
    return true;
  }
  static bool di_nome(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == ':' || c == '.';
  }
  std::string nome() {
    const std::size_t da = at_;
    while (at_ < t_.size() && di_nome(t_[at_])) ++at_;
    return t_.substr(da, at_ - da);
  }
  void spazi() {
    while (at_ < t_.size() && std::isspace(static_cast<unsigned char>(t_[at_]))) ++at_;
  }
  bool prendi(char c) {
    spazi();
    if (at_ < t_.size() && t_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool entita(std::size_t& i, std::string& errore) {
    const auto fine = t_.find(';', i);
    if (fine == std::string::npos || fine - i > 10) return male(errore, "bad entity");
    const std::string e = t_.substr(i + 1, fine - i - 1);
    const bool nota = e == "amp" || e == "lt" || e == "gt" || e == "quot" || e == "apos" ||
                      (e.size() > 1 && e[0] == '#');
    if (!nota) return male(errore, "unknown entity &" + e + ";");
    i = fine;
    return true;
  }
  bool attributi(std::string& errore) {
    for (;;) {
      spazi();
      if (at_ >= t_.size() || t_[at_] == '>' || t_[at_] == '/') return true;
      if (nome().empty() || !prendi('=')) return male(errore, "bad attribute");
      spazi();
      const char q = at_ < t_.size() ? t_[at_] : '\0';
      if (q != '"' && q != '\'') return male(errore, "unquoted attribute");
      const auto fine = t_.find(q, at_ + 1);
      if (fine == std::string::npos) return male(errore, "unterminated attribute");
      for (std::size_t i = at_ + 1; i < fine; ++i) {
        if (t_[i] == '<') return male(errore, "'<' in an attribute");
        if (t_[i] == '&' && !entita(i, errore)) return false;
      }
      at_ = fine + 1;
    }
  }
  bool testo(std::string& errore) {
    while (at_ < t_.size() && t_[at_] != '<') {
      if (t_[at_] == '&' && !entita(at_, errore)) return false;
      ++at_;
    }
    return true;
  }

  const std::string& t_;
  std::size_t at_ = 0;
};

std::uint32_t be32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(b.at(at + static_cast<std::size_t>(i)));
  return v;
}

TEST(XmlCheck, TellsWellFormedFromBroken) {
  const std::pair<const char*, bool> casi[] = {
      {"<?xml version=\"1.0\"?><svg a=\"1\"><g/><text>x &amp; y</text></svg>", true},
      {"<svg><g></svg>", false},
      {"<svg a=1></svg>", false},
      {"<svg></svg><svg></svg>", false},
      {"<svg>a & b</svg>", false},
      {"<svg><g></g>", false},
  };
  for (const auto& [testo, buono] : casi) {
    std::string t(testo), errore;
    EXPECT_EQ(!xml_ben_formato(t).radice(errore).empty(), buono) << testo << ": " << errore;
  }
}

class Map : public ::testing::Test {
 protected:
  void SetUp() override { test_util::compila_incorporato(dir_.path()); }
  cartella_temporanea dir_;
};

TEST_F(Map, DefaultIsAWellFormedSvgInTheFolder) {
  const auto r = esegui_tool({"map", "."}, dir_.path());
  ASSERT_EQ(r.stato, 0) << r.errori;
  const fs::path svg = dir_.path() / "Ardena_VelmoraCle_4713_map.svg";
  ASSERT_TRUE(fs::exists(svg));
  const std::string t = leggi_file(svg);
  std::string errore;
  EXPECT_EQ(xml_ben_formato(t).radice(errore), "svg") << errore;
  EXPECT_NE(t.find("width=\"2400pt\" height=\"1700pt\""), std::string::npos);
}

TEST_F(Map, PngByExtensionWithItsSignatureAndSize) {
  const auto r = esegui_tool({"map", ".", "-o", "pictures/route.PNG"}, dir_.path());
  ASSERT_EQ(r.stato, 0) << r.errori;
  const std::string png = leggi_file(dir_.path() / "pictures" / "route.PNG");
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(be32(png, 16), 2400u);
  EXPECT_EQ(be32(png, 20), 1700u);
  EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
}

TEST_F(Map, WithoutLineDataTheLongSectionIsStillDrawn) {
  fs::remove(dir_.path() / nome_file_linea(id_inc));
  const auto r = esegui_tool({"map", ".", "-o", "m.svg"}, dir_.path());
  EXPECT_EQ(r.stato, 0) << r.errori;
  EXPECT_NE(r.errori.find("no such file; the map has no plan view"), std::string::npos) << r.errori;
  std::string errore;
  EXPECT_EQ(xml_ben_formato(leggi_file(dir_.path() / "m.svg")).radice(errore), "svg") << errore;
}

TEST_F(Map, MissingOrDamagedFilesAndBadNamesAreRefused) {
  EXPECT_EQ(esegui_tool({"map", ".", "-o", "m.jpg"}, dir_.path()).stato, 2);
  EXPECT_EQ(esegui_tool({"map", ".", "--train-number", "a/b"}, dir_.path()).stato, 2);
  fs::resize_file(dir_.path() / nome_file_percorso(id_inc), 100);
  const auto r = esegui_tool({"map", "."}, dir_.path());
  EXPECT_EQ(r.stato, 1);
  EXPECT_NE(r.errori.find("at byte offset 90"), std::string::npos) << r.errori;
  fs::remove(dir_.path() / nome_file_sommario(id_inc));
  EXPECT_EQ(esegui_tool({"map", "."}, dir_.path()).stato, 1);
  EXPECT_FALSE(fs::exists(dir_.path() / "Ardena_VelmoraCle_4713_map.svg"));
}

#ifdef SCENARIO_MAP_MODULE
// The drawing lives in a module beside the tool. A tool copied without it
// still does everything but draw, and a map asked of it fails as a missing
// file does: status 2, the module's file named, nothing written.
TEST_F(Map, WithoutItsModuleTheToolWorksAndTheMapNamesTheModule) {
  const fs::path alone = dir_.path() / "alone";
  fs::create_directory(alone);
  fs::copy_file(SCENARIO_TOOL_EXE, alone / "scenario-tool");
  const std::string tool = (alone / "scenario-tool").string();

  const auto versione = test_util::esegui_processo({tool, "--version"}, dir_.path());
  EXPECT_EQ(versione.stato, 0) << versione.errori;
  const auto esportato = test_util::esegui_processo({tool, "export", "-o", "exported"}, dir_.path());
  EXPECT_EQ(esportato.stato, 0) << esportato.errori;
  EXPECT_TRUE(fs::exists(dir_.path() / "exported" / nome_sorgente_linea(id_inc)));

  const auto r = test_util::esegui_processo({tool, "map", ".", "-o", "m.png"}, dir_.path());
  EXPECT_EQ(r.stato, 2);
  EXPECT_NE(r.errori.find((alone / SCENARIO_MAP_MODULE).string() + ": "), std::string::npos) << r.errori;
  EXPECT_FALSE(fs::exists(dir_.path() / "m.png"));
}
#endif

}  // namespace
}  // namespace scen
