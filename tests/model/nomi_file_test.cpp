// Identities that would name files badly: names that collide with each
// other's files, and names Windows refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/nomi_file.h"

namespace scen {
namespace {

TEST(Identities, NamesThatCollideOrThatWindowsRefusesAreRefused) {
  struct caso {
    std::string linea, treno, motivo;
  };
  const std::vector<caso> casi = {
      {"R", "linea", "the same name"},  // the track file would be the line data file
      {"R", "LINEA", "the same name"},  // the same, letter case aside
      {"CON", "1", "device name"},
      {"R", "nul.x", "device name"},
      {"R", "Lpt9", "device name"},
      {"com1", "2", "device name"},
      {"R", "a:b", "character :"},
      {"R", "a*b", "character *"},
      {"R", "a?b", "character ?"},
      {"R\"", "1", "character \""},
      {"R<", "1", "character <"},
      {"R", "1|2", "character |"},
      {"R", "1\t", "control character"},
      {"R", "x.", "ends with a dot"},
      {"R ", "1", "ends with a dot or a blank"},
      {"a/b", "1", "path separator"},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.linea + " / " + c.treno);
    const auto p = problema_identita({c.linea, c.treno});
    ASSERT_TRUE(p.has_value());
    EXPECT_NE(p->find(c.motivo), std::string::npos) << *p;
  }
  for (const identita& buona : {identita_incorporata(), identita{"Linea_Nord", "CONSOLE"}, identita{"R", "COM10"}}) {
    EXPECT_EQ(problema_identita(buona), std::nullopt) << buona.nome_linea << " " << buona.nome_treno;
  }
}

}  // namespace
}  // namespace scen
