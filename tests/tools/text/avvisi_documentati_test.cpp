// docs/formats.md names every warning of the registry: one row each in the
// "Warnings" table, by the name an author selects it by, and no row for a
// name the registry does not hold. A kind added without its row fails here.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "compiler/avvisi.h"
#include "support/files.h"

namespace scen {
namespace {

// The text of the section headed `titolo`, up to the next section.
std::string sezione(const std::string& documento, const std::string& titolo) {
  const auto inizio = documento.find("\n" + titolo + "\n");
  if (inizio == std::string::npos) return {};
  const auto fine = documento.find("\n## ", inizio + titolo.size() + 1);
  return documento.substr(inizio, fine == std::string::npos ? std::string::npos : fine - inizio);
}

const std::string formati = test_util::read_file(std::string(SCENARIO_DOCS_DIR) + "/formats.md");

TEST(WarningDocs, TheWarningsTableHasOneRowPerRegistryName) {
  const std::string avvisi = sezione(formati, "## Warnings");
  ASSERT_FALSE(avvisi.empty()) << "no \"## Warnings\" section";
  std::set<std::string> righe;  // the first cell of every row that names a warning
  std::size_t da = 0;
  while ((da = avvisi.find("\n| `", da)) != std::string::npos) {
    da += 4;
    righe.insert(avvisi.substr(da, avvisi.find('`', da) - da));
  }
  std::set<std::string> nomi;
  for (const voce_avviso& v : tabella_avvisi()) {
    nomi.emplace(v.nome);
    EXPECT_EQ(righe.count(std::string(v.nome)), 1u) << "docs/formats.md has no row for warning " << v.nome;
  }
  for (const std::string& r : righe) EXPECT_EQ(nomi.count(r), 1u) << "a row for no warning: " << r;
}

TEST(WarningDocs, TheToolSectionDocumentsTheSelectionAndExplain) {
  const std::string strumento = sezione(formati, "## scenario-tool");
  for (const char* parola : {"-Wno-NAME", "-Werror=NAME", "--werror", "scenario-tool explain", "not_shown"}) {
    EXPECT_NE(strumento.find(parola), std::string::npos) << parola;
  }
}

}  // namespace
}  // namespace scen
