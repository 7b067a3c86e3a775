// What the fuzz targets found, each kept as the smallest input that showed
// it. Every case here failed before its fix.
#include <gtest/gtest.h>

#include <string>

#include "formats/decodifica.h"
#include "formats/file_binari.h"
#include "support/sources.h"

namespace scen {
namespace {

// A line data file's tags are 16 bits wide; a tag whose high byte is set
// (0x0205, 0x0A05) is unknown, not the tag of its low byte.
TEST(FuzzFindings, LineDataTagWithAHighByteIsUnknown) {
  const std::string doppio(8, '\0');
  struct caso {
    const char* nome;
    std::string byte;
    std::size_t offset;
  } casi[] = {
      {"0x0205 at value 0", std::string("\x05\x02", 2) + doppio + std::string("\x05\x00", 2) + doppio, 0},
      {"0x0A05 at value 1", std::string("\x05\x00", 2) + doppio + std::string("\x05\x0A", 2) + doppio, 10},
      {"0x0100 (empty in the low byte)", std::string("\x00\x01\x00\x00", 4), 0},
      {"0x0302 (integer in the low byte)", std::string("\x02\x03\x07\x00\x00\x00", 6), 0},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    try {
      decodifica_linea(c.byte);
      ADD_FAILURE() << "decoded a file with an unknown tag";
    } catch (const errore_decodifica& e) {
      EXPECT_EQ(e.offset(), c.offset);
      EXPECT_NE(e.cosa().find("unknown type tag"), std::string::npos) << e.cosa();
    }
  }
}

// A text of the summary file carries a 16-bit length: a station name or a
// board text longer than 65535 bytes does not fit the field that stores it.
// It used to be stored whole, and the summary file then held a wrapped length
// followed by all the bytes, a file that no longer decodes.
TEST(FuzzFindings, ATextLongerThanItsLengthFieldIsARunTimeFailure) {
  using test_util::join_crlf;
  using test_util::linea;
  using test_util::treno;
  auto stazione = [](const std::string& nome) {
    return "stazione,  10000, 22, 500, 0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, " + nome;
  };
  struct caso {
    const char* nome;
    std::string route;
    std::string train;
    std::int32_t codice;
  } casi[] = {
      {"station name of 65535 bytes", linea(), treno(join_crlf({stazione(std::string(65535, 'A'))})), 0},
      {"station name of 65536 bytes", linea(), treno(join_crlf({stazione(std::string(65536, 'A'))})), 25},
      {"quoted station name of 70000 bytes", linea(),
       treno(join_crlf({stazione("\"" + std::string(70000, 'B') + "\"")})), 25},
      {"board text of 65535 bytes", linea("cartello indicatore,  1000,  " + std::string(65535, 'C') + "\r\n"), treno(),
       0},
      {"board text of 65536 bytes", linea("cartello indicatore,  1000,  " + std::string(65536, 'C') + "\r\n"), treno(),
       25},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    const auto r = test_util::compila(c.route, c.train);
    EXPECT_EQ(r.m.codice_errore, c.codice);
    EXPECT_EQ(decodifica_sommario(codifica_sommario(r.m.stazioni)), r.m.stazioni);
  }
}

// The encoder never writes a length that does not match the text after it.
TEST(FuzzFindings, TheSummaryEncoderRefusesATextThatItsLengthCannotHold) {
  std::array<stazione, numero_stazioni> voci{};
  voci[3].nome = std::string(65536, 'x');
  EXPECT_THROW(codifica_sommario(voci), std::length_error);
  voci[3].nome = std::string(65535, 'x');
  EXPECT_EQ(decodifica_sommario(codifica_sommario(voci)), voci);
}

}  // namespace
}  // namespace scen
