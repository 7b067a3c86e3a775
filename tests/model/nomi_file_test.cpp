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

// Every device name Windows reserves, spelled every way that still opens the
// device, as the route name and as the train number: the cases come from
// the names, each in three letter cases, bare, with an extension, and with
// the dots and blanks Windows strips from a name's end.
TEST(Identities, EveryDeviceNameIsRefusedHoweverItIsSpelled) {
  std::vector<std::string> dispositivi{"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  // Digits, then the superscripts one, two, three in Windows-1252 and in UTF-8.
  const std::vector<std::string> numeri{"0", "1", "2",    "3",    "4",    "5",        "6",        "7",
                                        "8", "9", "\xB9", "\xB2", "\xB3", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
  for (const std::string porta : {"COM", "LPT"}) {
    for (const std::string& n : numeri) dispositivi.push_back(porta + n);
  }
  const auto in_minuscolo = [](std::string s) {
    for (char& c : s) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
    return s;
  };
  const auto alternato = [&](std::string s) {
    for (std::size_t i = 1; i < s.size(); i += 2) s[i] = in_minuscolo(std::string(1, s[i]))[0];
    return s;
  };
  const std::vector<std::string> code{"", ".txt", ".x.y", ".", ". .", " ", "  ", " .", ". ", " .dat"};
  std::size_t casi = 0;
  for (const std::string& d : dispositivi) {
    for (const std::string& scritto : {d, in_minuscolo(d), alternato(d)}) {
      for (const std::string& coda : code) {
        const std::string nome = scritto + coda;
        for (const identita& id : {identita{nome, "1"}, identita{"R", nome}}) {
          SCOPED_TRACE("\"" + id.nome_linea + "\" / \"" + id.nome_treno + "\"");
          const auto p = problema_identita(id);
          ASSERT_TRUE(p.has_value());
          EXPECT_NE(p->find("device name"), std::string::npos) << *p;
          ++casi;
        }
      }
    }
  }
  EXPECT_EQ(casi, dispositivi.size() * 3 * code.size() * 2);

  // Near them, but no device: more or fewer characters, another superscript
  // (0xB4 is the acute accent, 0xBC a quarter), a blank before the name.
  for (const std::string quasi :
       {"COM", "LPT", "COM10", "LPT00", "COMX", "CONIN", "CONOUT", "CONIN$$", "NULL", "AUXI", "COM\xB4", "COM\xBC",
        "LPT\xC2\xB4", "COM\xC2\xB9\xC2\xB9", " CON", "_CON", "CON_1", "COM1_x", "CONIN$x"}) {
    for (const identita& id : {identita{quasi, "1"}, identita{"R", quasi}}) {
      const auto p = problema_identita(id);
      EXPECT_TRUE(!p || p->find("device name") == std::string::npos) << quasi << ": " << *p;
    }
  }
}

}  // namespace
}  // namespace scen
