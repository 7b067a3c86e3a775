// Encoders of the three binary files, field by field, and the texts whose
// length field cannot hold them.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <stdexcept>
#include <string>

#include "formats/decodifica.h"
#include "formats/file_binari.h"
#include "support/sources.h"

namespace scen {
namespace {

std::uint16_t u16_at(const std::string& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}

TEST(TrackFile, CellIsFifteenBytesAtItsOffsetLittleEndian) {
  std::vector<cella> celle(3);
  celle[2] = cella{1, -1, 0x1234, 3, 4, 5, 6, 7, 8, 9, 10};
  const std::string b = codifica_percorso(celle);
  ASSERT_EQ(b.size(), 45u);
  const std::string atteso("\x01\xFF\xFF\x34\x12\x03\x00\x04\x00\x05\x06\x07\x08\x09\x0A", 15);
  EXPECT_EQ(b.substr(30, 15), atteso);
  EXPECT_EQ(b.substr(0, 30), std::string(30, '\0'));
}

TEST(TrackFile, RouteOf85000MetresGives27615Bytes) {
  // 85000 + 7000 = 92000 metres; 92000 / 50 = 1840 is the last cell.
  const std::vector<cella> celle(1841);
  EXPECT_EQ(codifica_percorso(celle).size(), 27615u);
}

TEST(SummaryFile, EntryIs34BytesPlusItsNameInFieldOrder) {
  std::array<stazione, numero_stazioni> voci{};
  stazione& s = voci[1];
  s.tipo = 8;
  s.inizio = -700;
  s.fine = 700;
  s.posizione = 0x01020304;
  s.opzione1 = 9;
  s.nome = "AB";
  s.gruppo_a1 = 1;
  s.gruppo_a2 = 2;
  s.gruppo_b1 = 3;
  s.gruppo_b2 = 4;
  s.gruppo_b3 = -2;
  s.gruppo_a3 = 5;
  s.sosta = 6;
  s.opzione3 = 7;
  s.opzione2 = 8;
  s.orario = 30900;
  const std::string b = codifica_sommario(voci);
  ASSERT_EQ(b.size(), 87u * 34u + 2u);
  const std::string vuota(34, '\0');
  EXPECT_EQ(b.substr(0, 34), vuota) << "an empty entry: its name is 00 00 and nothing else";
  const std::string atteso(
      "\x08"
      "\x44\xFD\xFF\xFF"
      "\xBC\x02\x00\x00"
      "\x04\x03\x02\x01"
      "\x09"
      "\x02\x00"
      "AB"
      "\x01\x00\x02\x00\x03\x00\x04\x00\xFE\xFF"
      "\x05\x06\x07\x08"
      "\xB4\x78\x00\x00",
      36);
  EXPECT_EQ(b.substr(34, 36), atteso);
}

TEST(LineDataFile, TaggedValuesCoordinateZeroFirst) {
  piano p(4);
  p.poni_intero(0, 0, 0);
  p.poni_intero(0, 1, 0);
  p.poni_intero(1, 0, 0);
  p.poni_intero(1, 1, 1);
  p.poni_reale(2, 0, 0.5);
  p.poni_reale(2, 1, 2.0);
  const std::string b = codifica_linea(p);
  // Coordinate 0: int, int, double, empty, empty; then coordinate 1 alike.
  ASSERT_EQ(b.size(), 2u * (4 + 4 + 10 + 2 + 2));
  EXPECT_EQ(u16_at(b, 0), 2u);
  EXPECT_EQ(u16_at(b, 4), 2u);
  EXPECT_EQ(u16_at(b, 8), 5u);
  double d = 0;
  std::memcpy(&d, b.data() + 10, 8);
  EXPECT_EQ(d, 0.5);
  EXPECT_EQ(u16_at(b, 18), 0u);
  EXPECT_EQ(u16_at(b, 20), 0u);
  EXPECT_EQ(u16_at(b, 22 + 4), 2u);
  EXPECT_EQ(u16_at(b, 22 + 6), 1u) << "planimetria(1,1) = 1";
}

TEST(LineDataFile, RouteOf85000MetresHolds2Times92001Values) {
  piano p(92000);
  // All empty: 2 bytes each.
  EXPECT_EQ(codifica_linea(p).size(), 2u * 92001u * 2u);
}

// Found by the fuzz target of the compile.
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
