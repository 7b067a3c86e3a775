// Check codes derived from the identity.
#include <gtest/gtest.h>

#include <string>

#include "passes/codici_gara.h"

namespace scen {
namespace {

// Straight from the definition: the first 25 bytes of
// lower(train + route) + filler, summed plain and weighted by position.
struct atteso_t {
  std::int32_t og;
  std::int32_t st;
};
atteso_t di_riferimento(const std::string& lavoro) {
  atteso_t r{0, 0};
  for (int i = 0; i < 25; ++i) {
    const int c = static_cast<unsigned char>(lavoro[static_cast<std::size_t>(i)]);
    r.og += c;
    r.st += (i + 1) * c;
  }
  return r;
}

struct caso {
  const char* nome;
  std::string treno;
  std::string linea;
  std::string lavoro;  // the working text the codes must be taken from
};

TEST(CheckCodes, TableOfIdentities) {
  const caso casi[] = {
      {"embedded", "4713", "Ardena_VelmoraCle", "4713ardena_velmoracleeegg"},
      {"empty identity uses the filler alone", "", "", "eeggkkmmpprrssttvvwwxxyyz"},
      {"25 characters or more: the filler plays no part", "12345", "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
       "12345abcdefghijklmnopqrst"},
      {"upper-case Windows-1252 letters are lowered", "\xC0\xC9", "\x8A\x9F",
       "\xE0\xE9\x9A\xFF"
       "eeggkkmmpprrssttvvwwx"},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    const atteso_t a = di_riferimento(c.lavoro);
    EXPECT_EQ(codice_gara_og(c.treno, c.linea), a.og);
    EXPECT_EQ(codice_gara_st(c.treno, c.linea), a.st);
  }
}

TEST(CheckCodes, EmbeddedIdentityValues) {
  // "4713ardena_velmoracleeegg", summed independently of this code.
  EXPECT_EQ(codice_gara_og("4713", "Ardena_VelmoraCle"), 2395);
  EXPECT_EQ(codice_gara_st("4713", "Ardena_VelmoraCle"), 33285);
}

TEST(CheckCodes, CharactersAfterPosition25DoNotCount) {
  EXPECT_EQ(codice_gara_og("4713", "Ardena_VelmoraCle_VescAAAA"), codice_gara_og("4713", "Ardena_VelmoraCle_VescZZZZ"));
  EXPECT_EQ(codice_gara_st("4713", "Ardena_VelmoraCle_VescAAAA"), codice_gara_st("4713", "Ardena_VelmoraCle_VescZZZZ"));
}

TEST(CheckCodes, LetterCaseOfTheRouteDoesNotMatter) {
  EXPECT_EQ(codice_gara_og("4713", "ARDENA_VELMORACLE"), codice_gara_og("4713", "ardena_velmoracle"));
  EXPECT_EQ(codice_gara_st("4713", "ARDENA_VELMORACLE"), codice_gara_st("4713", "ardena_velmoracle"));
}

TEST(CheckCodes, ExchangingTrainAndRouteChangesOnlyTheWeightedCode) {
  EXPECT_EQ(codice_gara_og("4713", "Ardena"), codice_gara_og("Ardena", "4713"));
  EXPECT_NE(codice_gara_st("4713", "Ardena"), codice_gara_st("Ardena", "4713"));
}

TEST(CheckCodes, PositionsAreWeightedFromOne) {
  // Only position 1 differs by one: the weighted code moves by 1, not 0 or 2.
  EXPECT_EQ(codice_gara_st("b", "") - codice_gara_st("a", ""), 1);
  // Only position 25 differs by one (24 characters of identity, then the filler's first 'e' vs 'f').
  EXPECT_EQ(codice_gara_st("", std::string(24, 'x') + "f") - codice_gara_st("", std::string(24, 'x')), 25);
}

}  // namespace
}  // namespace scen
