// Reading a folder's binary files: which identities its names show, what is
// read and refused, and the set decoded with a reason for what is missing.
#include "formats/cartella_scenario.h"

#include <gtest/gtest.h>

#include "formats/file_binari.h"
#include "platform/platform_error.h"
#include "support/files.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::temp_folder;
using test_util::write_file;

std::vector<std::pair<std::string, std::string>> coppie(const std::vector<identita>& v) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const identita& id : v) out.emplace_back(id.nome_linea, id.nome_treno);
  return out;
}

TEST(FolderIdentities, SummaryNamesSplitAtTheLastUnderscoreInNameOrderAndFiltered) {
  temp_folder dir;
  // Only "<route>_<train>.sim" names an identity; the other names do not.
  for (const char* nome : {"Z_Linea_9.sim", "A_1.sim", "A_2.sim", "A_1.dat", "nounderscore.sim", "_1.sim", "A_.sim",
                           ".sim", "A_3.sim.bak"}) {
    write_file(dir.path() / nome, "x");
  }
  fs::create_directory(dir.path() / "B_4.sim");  // a folder so named still names one: the check says what it is
  using v = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(coppie(identita_in_cartella(dir.path(), std::nullopt, std::nullopt)),
            (v{{"A", "1"}, {"A", "2"}, {"B", "4"}, {"Z_Linea", "9"}}));
  EXPECT_EQ(coppie(identita_in_cartella(dir.path(), "A", std::nullopt)), (v{{"A", "1"}, {"A", "2"}}));
  EXPECT_EQ(coppie(identita_in_cartella(dir.path(), std::nullopt, "9")), (v{{"Z_Linea", "9"}}));
  EXPECT_EQ(coppie(identita_in_cartella(dir.path(), "A", "9")), v{});
  EXPECT_EQ(coppie(identita_in_cartella(dir.path() / "none", std::nullopt, std::nullopt)), v{});
}

TEST(FolderFiles, MissingIsNothingAndWhatIsNotAFileIsRefusedWithItsPath) {
  temp_folder dir;
  write_file(dir.path() / "a.sim", "abc");
  EXPECT_EQ(leggi_file(dir.path() / "a.sim"), std::optional<std::string>("abc"));
  EXPECT_EQ(leggi_file(dir.path() / "b.sim"), std::nullopt);
  fs::create_directory(dir.path() / "d.sim");
  try {
    leggi_file(dir.path() / "d.sim");
    ADD_FAILURE() << "a folder read as a file";
  } catch (const platform_error& e) {
    EXPECT_EQ(e.file(), dir.path() / "d.sim");
    EXPECT_EQ(e.reason(), "not a regular file");
  }
  EXPECT_THROW(leggi_file_scenario(dir.path() / "a.sim", identita_incorporata()), platform_error);
  const file_scenario nulla = leggi_file_scenario(dir.path(), identita_incorporata());
  EXPECT_FALSE(nulla.linea || nulla.sommario || nulla.percorso);
}

TEST(DecodedSet, EachMissingOrBrokenFileIsNamedWithItsReason) {
  const identita id = identita_incorporata();
  std::array<stazione, numero_stazioni> voci{};
  voci[1] = stazione{.tipo = 12, .inizio = 900, .fine = 1300, .posizione = 1000, .nome = "PRIMA"};
  voci[voce::dati_generali].fine = 2000;
  const std::vector<cella> celle(41 + oltre_linea / metri_cella);
  const fs::path dir = "cartella";
  const std::string sommario = codifica_sommario(voci);
  const std::string percorso = codifica_percorso(celle);

  struct caso {
    const char* nome;
    file_scenario f;
    std::string perche;            // empty: decoded
    std::string senza_piano = {};  // why there is no plan view
  };
  const std::vector<caso> casi{
      {"no summary",
       {std::nullopt, std::nullopt, percorso},
       (dir / nome_file_sommario(id)).string() + ": no such file"},
      {"no track", {std::nullopt, sommario, std::nullopt}, (dir / nome_file_percorso(id)).string() + ": no such file"},
      {"short track", {std::nullopt, sommario, percorso.substr(1)}, (dir / nome_file_percorso(id)).string() + ": "},
      {"no line data", {std::nullopt, sommario, percorso}, "", (dir / nome_file_linea(id)).string() + ": no such file"},
      {"broken line data", {std::string("xx"), sommario, percorso}, "", (dir / nome_file_linea(id)).string() + ": "},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    std::string perche;
    const auto d = decodifica_scenario(c.f, dir, id, perche);
    if (!c.perche.empty()) {
      EXPECT_FALSE(d.has_value());
      EXPECT_EQ(perche.substr(0, c.perche.size()), c.perche) << perche;
      continue;
    }
    ASSERT_TRUE(d.has_value()) << perche;
    EXPECT_EQ(d->voci, voci);
    EXPECT_EQ(d->celle, celle);
    EXPECT_FALSE(d->planimetria.has_value());
    EXPECT_EQ(d->senza_piano.substr(0, c.senza_piano.size()), c.senza_piano) << d->senza_piano;
    EXPECT_EQ(lunghezza_percorso(*d), 2000.0);
  }
}

TEST(DecodedSet, TheRouteLengthFallsBackToTheTrackWhenEntry84IsOutOfReach) {
  scenario_decodificato d;
  d.celle.resize(11);  // cells 0 to 10: the track ends at 500 m
  for (const std::int32_t dichiarata : {0, -5, 501, 1000000}) {
    d.voci[voce::dati_generali].fine = dichiarata;
    EXPECT_EQ(lunghezza_percorso(d), 500.0) << dichiarata;
  }
  d.voci[voce::dati_generali].fine = 450;
  EXPECT_EQ(lunghezza_percorso(d), 450.0);
}

}  // namespace
}  // namespace scen
