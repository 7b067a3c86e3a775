// docs/formats.md carries every error message exactly as the tool prints it,
// and no code the system does not record.
#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "model/codici_errore.h"
#include "passes/messaggi_fatali.h"
#include "support/files.h"

namespace scen {
namespace {

std::string formati() {
  const auto file = std::filesystem::path(SCENARIO_DOCS_DIR) / "formats.md";
  return test_util::read_file(file);
}

// The table row of a code: "| 8 | station position P m is ... |".
std::string riga_tabella(const std::string& codice, const std::string& messaggio) {
  const auto at = messaggio.find("{pos}");
  const std::string testo =
      at == std::string::npos ? messaggio : messaggio.substr(0, at) + "P" + messaggio.substr(at + 5);
  return "| " + codice + " | " + testo + " |";
}

TEST(FormatsDoc, EveryErrorCodeHasItsMessage) {
  const std::string doc = formati();
  ASSERT_FALSE(doc.empty()) << "docs/formats.md not found";
  for (const auto& e : tabella_errori()) {
    const std::string riga = riga_tabella(std::to_string(e.codice), std::string(e.messaggio));
    EXPECT_NE(doc.find(riga), std::string::npos) << "missing or different: " << riga;
  }
  for (const auto& f : tabella_fatali()) {
    const std::string riga = riga_tabella(std::string(f.testo), std::string(f.messaggio));
    EXPECT_NE(doc.find(riga), std::string::npos) << "missing or different: " << riga;
  }
}

TEST(FormatsDoc, ErrorTablesHoldNoOtherCode) {
  const std::string doc = formati();
  const auto inizio = doc.find("## Error codes");
  ASSERT_NE(inizio, std::string::npos);
  const auto fine = doc.find("\n## ", inizio + 1);
  const std::string sezione = doc.substr(inizio, fine == std::string::npos ? std::string::npos : fine - inizio);
  std::set<std::string> noti;
  for (const auto& e : tabella_errori()) noti.insert(std::to_string(e.codice));
  for (const auto& f : tabella_fatali()) noti.insert(std::string(f.testo));
  // Rows whose first cell is a number: "| 8 | ...".
  std::size_t righe = 0;
  for (std::size_t at = sezione.find("\n| "); at != std::string::npos; at = sezione.find("\n| ", at + 1)) {
    const std::size_t da = at + 3;
    std::size_t a = da;
    while (a < sezione.size() && std::isdigit(static_cast<unsigned char>(sezione[a]))) ++a;
    if (a == da || sezione.compare(a, 2, " |") != 0) continue;
    const std::string codice = sezione.substr(da, a - da);
    EXPECT_TRUE(noti.count(codice)) << "the doc lists code " << codice << ", which nothing records";
    ++righe;
  }
  EXPECT_EQ(righe, noti.size());
}

}  // namespace
}  // namespace scen
