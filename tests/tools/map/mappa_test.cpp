// scenario-tool map: a well-formed SVG and a PNG of the expected size, drawn
// from a folder's binary files.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <regex>
#include <set>

#include "formats/decodifica.h"
#include "formats/file_binari.h"

#include "support/tool_in_process.h"
#include "support/tool_runs.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::read_file;
using test_util::run_tool;
using test_util::run_tool_in_process;
using test_util::temp_folder;

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
    const bool nota =
        e == "amp" || e == "lt" || e == "gt" || e == "quot" || e == "apos" || (e.size() > 1 && e[0] == '#');
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
  temp_folder dir_;
};

TEST_F(Map, DefaultIsAWellFormedSvgInTheFolder) {
  const auto r = run_tool_in_process({"map", "."}, dir_.path());
  ASSERT_EQ(r.status, 0) << r.err;
  const fs::path svg = dir_.path() / "Ardena_VelmoraCle_4713_map.svg";
  ASSERT_TRUE(fs::exists(svg));
  const std::string t = read_file(svg);
  std::string errore;
  EXPECT_EQ(xml_ben_formato(t).radice(errore), "svg") << errore;
  EXPECT_NE(t.find("width=\"2400pt\" height=\"1760pt\""), std::string::npos);
}

TEST_F(Map, PngByExtensionWithItsSignatureAndSize) {
#ifndef SCENARIO_HAS_CAIRO
  GTEST_SKIP() << "built without cairo: no PNG";
#endif
  const auto r = run_tool({"map", ".", "-o", "pictures/route.PNG"}, dir_.path());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string png = read_file(dir_.path() / "pictures" / "route.PNG");
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(be32(png, 16), 2400u);
  EXPECT_EQ(be32(png, 20), 1760u);
  EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
}

TEST_F(Map, WithoutLineDataTheLongSectionIsStillDrawn) {
  fs::remove(dir_.path() / nome_file_linea(id_inc));
  const auto r = run_tool_in_process({"map", ".", "-o", "m.svg"}, dir_.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("no such file; the map has no plan view"), std::string::npos) << r.err;
  std::string errore;
  EXPECT_EQ(xml_ben_formato(read_file(dir_.path() / "m.svg")).radice(errore), "svg") << errore;
}

TEST_F(Map, MissingOrDamagedFilesAndBadNamesAreRefused) {
  EXPECT_EQ(run_tool_in_process({"map", ".", "-o", "m.jpg"}, dir_.path()).status, 2);
  EXPECT_EQ(run_tool_in_process({"map", ".", "--train-number", "a/b"}, dir_.path()).status, 2);
  fs::resize_file(dir_.path() / nome_file_percorso(id_inc), 100);
  const auto r = run_tool_in_process({"map", "."}, dir_.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("at byte offset 90"), std::string::npos) << r.err;
  fs::remove(dir_.path() / nome_file_sommario(id_inc));
  EXPECT_EQ(run_tool_in_process({"map", "."}, dir_.path()).status, 1);
  EXPECT_FALSE(fs::exists(dir_.path() / "Ardena_VelmoraCle_4713_map.svg"));
}

// The texts of an SVG's <text> elements, entities read back.
std::vector<std::string> testi_svg(const std::string& svg) {
  std::vector<std::string> out;
  static const std::regex testo("<text[^>]*>([^<]*)</text>");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), testo); it != std::sregex_iterator(); ++it) {
    std::string t = (*it)[1];
    for (const auto& [e, c] :
         {std::pair{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}}) {
      for (auto at = t.find(e); at != std::string::npos; at = t.find(e, at + 1)) t.replace(at, std::strlen(e), c);
    }
    out.push_back(t);
  }
  return out;
}

bool ha_testo(const std::vector<std::string>& testi, const std::string& nome) {
  return std::any_of(testi.begin(), testi.end(), [&](const std::string& t) { return t.rfind(nome, 0) == 0; });
}

std::vector<stazione> stazioni_di(const fs::path& dir) {
  const auto voci = decodifica_sommario(read_file(dir / nome_file_sommario(id_inc)));
  std::vector<stazione> out;
  for (int n = 1; n <= voce::prima_indicazione; ++n) {
    if (voci[static_cast<std::size_t>(n)].posizione != 0 || voci[static_cast<std::size_t>(n)].tipo != 0) {
      out.push_back(voci[static_cast<std::size_t>(n)]);
    }
  }
  return out;
}

TEST_F(Map, SvgHoldsTextForEveryStationAndATooltipPerObject) {
  ASSERT_EQ(run_tool_in_process({"map", ".", "-o", "m.svg"}, dir_.path()).status, 0);
  const std::string svg = read_file(dir_.path() / "m.svg");
  const auto testi = testi_svg(svg);
  const auto stazioni = stazioni_di(dir_.path());
  ASSERT_EQ(stazioni.size(), 19u);
  for (const stazione& s : stazioni) EXPECT_TRUE(ha_testo(testi, s.nome)) << s.nome;
  EXPECT_NE(svg.find("<g class=\"signal\"><title>signal at 15700 m (km 67.200)"), std::string::npos);
  EXPECT_NE(svg.find("<g class=\"slowdown\"><title>slowdown 70 km/h from 36500 m (km 46.400) to 37000 m"),
            std::string::npos);
}

TEST_F(Map, FromToDrawsOnlyTheStretch) {
  const auto r = run_tool_in_process({"map", ".", "-o", "part.svg", "--from", "36", "--to", "37.5"}, dir_.path());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string svg = read_file(dir_.path() / "part.svg");
  std::string errore;
  ASSERT_EQ(xml_ben_formato(svg).radice(errore), "svg") << errore;
  const auto testi = testi_svg(svg);
  EXPECT_TRUE(ha_testo(testi, "CORSENA"));
  for (const char* fuori : {"ARDENA", "LUNESCO", "FONTEBRUNA", "VELMORA CENTRALE"}) {
    EXPECT_FALSE(ha_testo(testi, fuori)) << fuori;
  }
  // Every object drawn lies in the stretch: two signals, the slowdown and
  // its code points, at readable distances from each other.
  static const std::regex posto("<title>(signal|cab-signal code point) at ([0-9]+) m");
  std::set<int> posizioni;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), posto); it != std::sregex_iterator(); ++it) {
    posizioni.insert(std::stoi((*it)[2]));
  }
  EXPECT_EQ(posizioni, (std::set<int>{36300, 36950, 37100}));
  EXPECT_EQ(run_tool_in_process({"map", ".", "--from", "40", "--to", "30"}, dir_.path()).status, 2);
  EXPECT_EQ(run_tool_in_process({"map", ".", "--from", "-1"}, dir_.path()).status, 2);
  EXPECT_EQ(run_tool_in_process({"map", ".", "--from", "5000"}, dir_.path()).status, 2);
}

TEST_F(Map, WarnsAndStillDrawsWhenTheFolderWouldNotPassCheck) {
  // A wrong check code in the track's cell 1.
  std::string track = read_file(dir_.path() / nome_file_percorso(id_inc));
  track[15 + 3] = static_cast<char>(track[15 + 3] ^ 0x55);
  test_util::write_file(dir_.path() / nome_file_percorso(id_inc), track);
  const auto r = run_tool_in_process({"map", ".", "-o", "m.svg"}, dir_.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("warning: " + nome_file_percorso(id_inc) + ": cell 1 valore2 holds the check code"),
            std::string::npos)
      << r.err;
  const auto testi = testi_svg(read_file(dir_.path() / "m.svg"));
  EXPECT_TRUE(ha_testo(testi, "warning: " + nome_file_percorso(id_inc) + ": cell 1 valore2"));
  EXPECT_TRUE(ha_testo(testi, "LUNESCO"));
}

TEST_F(Map, HtmlIsOneSelfContainedPage) {
  const auto r = run_tool_in_process({"map", ".", "-o", "route.html"}, dir_.path());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string html = read_file(dir_.path() / "route.html");
  EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
  // Nothing fetched from elsewhere: no source or link attributes, and no
  // address but the SVG namespace.
  for (const char* esterno : {" src=", "<link", "@import", "url(", "https:"}) {
    EXPECT_EQ(html.find(esterno), std::string::npos) << esterno;
  }
  std::string senza_ns = html;
  for (auto at = senza_ns.find("http://www.w3.org/2000/svg"); at != std::string::npos;
       at = senza_ns.find("http://www.w3.org/2000/svg")) {
    senza_ns.erase(at, 26);
  }
  EXPECT_EQ(senza_ns.find("http:"), std::string::npos);
  for (const stazione& s : stazioni_di(dir_.path()))
    EXPECT_NE(html.find("\"n\":\"" + s.nome + "\""), std::string::npos);
  EXPECT_NE(html.find("id=\"search\""), std::string::npos);
  // The data holds no "</" that would end its script element early.
  const auto dati = html.find("<script type=\"application/json\" id=\"data\">");
  ASSERT_NE(dati, std::string::npos);
  EXPECT_EQ(html.find("</", dati), html.find("</script>", dati));
}

TEST_F(Map, CompileDrawsTheResultWithTheErrorMarked) {
  ASSERT_EQ(run_tool_in_process({"export", "-o", "src"}, dir_.path()).status, 0);
  std::string treno = read_file(dir_.path() / "src" / "Ardena_VelmoraCle_4713-.txt");
  const auto at = treno.find("stazione,   36750,");
  ASSERT_NE(at, std::string::npos);
  treno.replace(at, 18, "stazione,   36725,");
  test_util::write_file(dir_.path() / "src" / "Ardena_VelmoraCle_4713-.txt", treno);
  const auto r = run_tool_in_process({"compile", "src/Ardena_VelmoraCle_linea.txt", "src/Ardena_VelmoraCle_4713-.txt",
                                      "-o", "bin", "--map", "bin/result.svg"},
                                     dir_.path());
  EXPECT_EQ(r.status, 1) << r.err;
  const std::string svg = read_file(dir_.path() / "bin" / "result.svg");
  std::string errore;
  ASSERT_EQ(xml_ben_formato(svg).radice(errore), "svg") << errore;
  EXPECT_NE(
      svg.find(
          "<g class=\"mark\"><title>error 8 at 36725 m: station position 36725 m is not a multiple of "
          "50 m (station &quot;CORSENA&quot;)\nreading stopped at src/Ardena_VelmoraCle_4713-.txt line 35</title>"),
      std::string::npos);
  // The stations before the error are drawn, none after it.
  const auto testi = testi_svg(svg);
  EXPECT_TRUE(ha_testo(testi, "ROCCA ALTERA"));
  EXPECT_FALSE(ha_testo(testi, "FONTEBRUNA"));
  EXPECT_EQ(run_tool_in_process({"compile", "src/Ardena_VelmoraCle_linea.txt", "src/Ardena_VelmoraCle_4713-.txt", "-o",
                                 "bin2", "--map", "x.gif"},
                                dir_.path())
                .status,
            2);
  EXPECT_FALSE(fs::exists(dir_.path() / "bin2"));
}

// A hostile track file: a million cells, each the start of a slowdown with
// its own speed, gradient and adhesion, under a route of the greatest
// length. The map is drawn within a memory limit a few times the input and
// stays a few hundred kilobytes, simplified to what the page shows; with
// less memory than the input needs it ends with the out-of-memory status.
TEST(MapLimits, HostileTrackIsDrawnWithinBoundedMemory) {
#ifdef SCENARIO_UNDER_SANITIZER
  GTEST_SKIP() << "the sanitizer's shadow memory does not fit an address-space limit";
#else
  temp_folder dir;
  std::array<stazione, numero_stazioni> voci{};
  voci[voce::dati_generali].fine = 1000000;
  voci[1] = stazione{.tipo = 22, .inizio = 1000, .fine = 1400, .posizione = 1200, .nome = "PRIMA"};
  std::vector<cella> celle(1000000);
  for (std::size_t n = 0; n < celle.size(); ++n) {
    celle[n] = cella{.tipo = tipo_cella::inizio_rallentamento,
                     .valore1 = static_cast<std::int16_t>(n % 30 * 5),
                     .velocita = static_cast<std::uint8_t>(n % 31),
                     .pendenza = static_cast<std::uint8_t>(90 + n % 2 * 20),
                     .aderenza = static_cast<std::uint8_t>(n % 100)};
  }
  const std::string percorso = codifica_percorso(celle);
  celle = {};
  test_util::write_file(dir.path() / nome_file_percorso(id_inc), percorso);
  test_util::write_file(dir.path() / nome_file_sommario(id_inc), codifica_sommario(voci));
  ASSERT_EQ(percorso.size(), 15000000u);
  std::vector<std::string> uscite{"m.svg", "m.html"};
#ifdef SCENARIO_HAS_CAIRO
  uscite.push_back("m.png");
#endif
  for (const std::string& file : uscite) {
    SCOPED_TRACE(file);
    // 256 MiB of address space: about 17 times the track file, the program's libraries included.
    const auto r = test_util::run_process(
        {"/bin/bash", "-c", "ulimit -v 262144 && exec \"$0\" \"$@\"", SCENARIO_TOOL_EXE, "map", ".", "-o", file},
        dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning:"), std::string::npos);
    const auto dimensione = fs::file_size(dir.path() / file);
    EXPECT_LT(dimensione, file == "m.html" ? 16u << 20 : 4u << 20) << dimensione;
  }
  EXPECT_TRUE(ha_testo(testi_svg(read_file(dir.path() / "m.svg")), "PRIMA"));
  // Below what the input itself needs: a clear error, and no file, whole or partial.
  const auto r = test_util::run_process(
      {"/bin/bash", "-c", "ulimit -v 49152 && exec \"$0\" \"$@\"", SCENARIO_TOOL_EXE, "map", ".", "-o", "small.svg"},
      dir.path());
  EXPECT_EQ(r.status, 5) << r.err;
  EXPECT_NE(r.err.find("scenario-tool: out of memory"), std::string::npos) << r.err;
  std::size_t file = 0;
  for (const auto& e : fs::directory_iterator(dir.path()))
    file += e.path().filename().string().find("small") != std::string::npos;
  EXPECT_EQ(file, 0u);
#endif
}

#ifdef SCENARIO_CAIRO_MODULE
// The drawing lives in a module beside the tool. A tool copied without it
// still does everything but draw, and a map asked of it fails as a missing
// file does: status 2, the module's file named, nothing written.
TEST_F(Map, WithoutItsModuleTheToolWorksAndTheMapNamesTheModule) {
  const fs::path alone = dir_.path() / "alone";
  fs::create_directory(alone);
  fs::copy_file(SCENARIO_TOOL_EXE, alone / "scenario-tool");
  const std::string tool = (alone / "scenario-tool").string();

  const auto versione = test_util::run_process({tool, "--version"}, dir_.path());
  EXPECT_EQ(versione.status, 0) << versione.err;
  const auto esportato = test_util::run_process({tool, "export", "-o", "exported"}, dir_.path());
  EXPECT_EQ(esportato.status, 0) << esportato.err;
  EXPECT_TRUE(fs::exists(dir_.path() / "exported" / nome_sorgente_linea(id_inc)));

  const auto r = test_util::run_process({tool, "map", ".", "-o", "m.png"}, dir_.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find((alone / SCENARIO_CAIRO_MODULE).string() + ": "), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_.path() / "m.png"));
}
#endif

}  // namespace
}  // namespace scen
