// Text from files shown to a person: every control byte escaped, so that a
// name or a source line never drives the terminal; the caret of a finding
// still under its token.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <set>

#include "support/files.h"
#include "support/source_mistakes.h"
#include "support/sources.h"
#include "support/text_lines.h"
#include "support/tool_in_process.h"
#include "text/testo_utf8.h"

namespace scen {
namespace {

using test_util::join_crlf;
using test_util::run_tool_in_process;
using test_util::stazione_5000;
using test_util::temp_folder;
using test_util::write_file;
using tool::colonne;
using tool::leggibile_da_1252;
using tool::testo_leggibile;
using tool::utf8_da_1252;

// The five bytes Windows-1252 leaves undefined.
const std::set<unsigned> indefiniti_1252{0x81, 0x8D, 0x8F, 0x90, 0x9D};

using test_util::has_control_bytes;

TEST(TestoLeggibile, EveryByteOfWindows1252) {
  for (unsigned b = 0; b < 256; ++b) {
    SCOPED_TRACE(fmt::format("byte 0x{:02X}", b));
    const std::string byte(1, static_cast<char>(b));
    const std::string shown = leggibile_da_1252(byte);
    EXPECT_FALSE(has_control_bytes(shown));
    const bool controllo = b < 0x20 || b == 0x7F || indefiniti_1252.count(b) > 0;
    if (controllo) {
      EXPECT_EQ(shown, fmt::format("\\x{:02x}", b));
    } else if (b == '\\') {
      EXPECT_EQ(shown, "\\\\");
    } else {
      EXPECT_EQ(shown, utf8_da_1252(byte));
    }
    // One character on the terminal unless escaped.
    EXPECT_EQ(colonne(shown), controllo ? 4u : b == '\\' ? 2u : 1u);
  }
  // Some bytes by what they are.
  EXPECT_EQ(leggibile_da_1252("A\xE8\x80 z"), "A\xC3\xA8\xE2\x82\xAC z");
  EXPECT_EQ(leggibile_da_1252("\x1b[2J\x07"), "\\x1b[2J\\x07");
  // An ESC and the four characters \x1b read apart.
  EXPECT_NE(leggibile_da_1252("\x1b"), leggibile_da_1252("\\x1b"));
}

TEST(TestoLeggibile, Utf8TextKeepsItsCharactersAndEscapesControlsAndBrokenBytes) {
  const struct {
    std::string utf8, shown;
  } casi[] = {
      {"plain", "plain"},
      {"\xE2\x86\x92 \xC3\xA8", "\xE2\x86\x92 \xC3\xA8"},  // arrow, e grave
      {"a\tb\r\nc", "a\\x09b\\x0d\\x0ac"},
      {"\xC2\x9D"
       "x",
       "\\x9dx"},                // a C1 control
      {"\xC2\xA0", "\xC2\xA0"},  // no-break space, not a control
      {"\xFF"
       "a",
       "\\xffa"},                           // not UTF-8
      {"\xE2\x86", "\\xe2\\x86"},           // cut short
      {"\xC0\xAF", "\\xc0\\xaf"},           // overlong
      {"\xED\xA0\x80", "\\xed\\xa0\\x80"},  // a surrogate
  };
  for (const auto& c : casi) {
    EXPECT_EQ(testo_leggibile(c.utf8), c.shown) << c.utf8;
    EXPECT_FALSE(has_control_bytes(testo_leggibile(c.utf8)));
  }
}

// A finding whose source line holds control bytes before the token: the line
// shown escaped, the caret moved by each escape's width, the fix under it.
TEST(TestoLeggibile, CaretStaysUnderTheTokenAfterEscapedBytes) {
  const std::string resto = stazione_5000.substr(17) + "LUNESCO";
  const struct {
    std::string prima;  // the line's bytes before the token, which starts at column 14
    std::string shown;  // as the finding shows them
  } casi[] = {
      {"stazione,    ", "stazione,    "},
      {"stazione,\t   ", "stazione,\\x09   "},
      {"stazione,\t\t\t ", "stazione,\\x09\\x09\\x09 "},
  };
  for (const auto& c : casi) {
    SCOPED_TRACE(c.shown);
    auto treno = test_util::treno_piccolo();
    treno[13] = c.prima + "5025" + resto;
    temp_folder dir;
    write_file(dir.path() / "route.txt", join_crlf(test_util::linea_piccola()));
    write_file(dir.path() / "train.txt", join_crlf(treno));
    const auto r = run_tool_in_process({"lint", "route.txt", "train.txt"}, dir.path());
    const std::string sotto(2 + colonne(c.shown), ' ');
    const std::string atteso =
        "train.txt:14:14: error: station position 5025 m is not a multiple of 50 m (station "
        "\"LUNESCO\") [code 8]\n  " +
        c.shown + "5025" + resto + "\n" + sotto + "^~~~\n" + sotto + "5000\n";
    EXPECT_NE(r.out.find(atteso), std::string::npos) << r.out;
    EXPECT_FALSE(has_control_bytes(r.out));
  }
}

// A control byte that is the token: the caret spans its escape.
TEST(TestoLeggibile, CaretSpansAnEscapedToken) {
  temp_folder dir;
  auto linea = test_util::linea_piccola();
  const std::string cartello =
      "cartello indicatore,  2000,  \"A\x01"
      "B\"";
  linea.insert(linea.end() - 1, cartello);
  write_file(dir.path() / "route.txt", join_crlf(linea));
  write_file(dir.path() / "train.txt", join_crlf(test_util::treno_piccolo()));
  const auto r = run_tool_in_process({"lint", "route.txt", "train.txt"}, dir.path());
  const std::string shown = "cartello indicatore,  2000,  \"A\\x01B\"";
  const auto at = r.out.find("  " + shown + "\n");
  ASSERT_NE(at, std::string::npos) << r.out;
  const std::size_t riga_caret = at + shown.size() + 3;
  const std::string caret = r.out.substr(riga_caret, r.out.find('\n', riga_caret) - riga_caret);
  // From the opening quote, where the finding's column is, to past the whole escape.
  const std::size_t da = caret.find('^');
  EXPECT_EQ(da, 2 + shown.find('"')) << r.out;
  EXPECT_EQ(caret.find_first_not_of('~', da + 1), std::string::npos) << r.out;
  EXPECT_GE(caret.size(), 2 + shown.find("\\x01") + 4) << r.out;
  EXPECT_FALSE(has_control_bytes(r.out));
}

}  // namespace
}  // namespace scen
