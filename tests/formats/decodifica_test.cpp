// Decoders of the three binary files: they give back what the encoders wrote,
// and on any other bytes they stop with an error naming the offset, never
// reading outside the bytes or failing in another way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "formats/decodifica.h"
#include "formats/file_binari.h"

namespace scen {
namespace {

piano piano_di_prova() {
  piano p(5);
  p.poni_intero(0, 0, 0);
  p.poni_intero(0, 1, 0);
  p.poni_intero(1, 0, -1);
  p.poni_intero(1, 1, 1);
  p.poni_reale(2, 0, 0.25);
  p.poni_reale(2, 1, 2.0);
  p.poni_reale(3, 0, -1e300);
  p.poni_reale(3, 1, 3.0000000000000004);
  return p;  // metres 4 and 5 stay empty
}

std::array<stazione, numero_stazioni> voci_di_prova() {
  std::array<stazione, numero_stazioni> v{};
  v[1] = stazione{8, -700, 700, 0, 1, "ARDENA", 1, 2, 3, 4, -5, 6, 7, 8, 9, 30900};
  v[2].nome = "CITT\xC0";  // a Windows-1252 byte stays a byte
  v[80].nome = std::string(300, 'x');
  v[85] = stazione{0, 33000, 0, 1, 0, "Ardena_VelmoraCle", 610, 0, 0, 0, 0, 0, 0, 0, 0, 33285};
  v[86].nome = "4713";
  return v;
}

std::vector<cella> celle_di_prova() {
  std::vector<cella> c(4);
  c[1] = cella{0, 5121, 2395, 0, 0, 0, 0, 0, 0, 0, 0};
  c[2] = cella{1, -1, 32767, -32768, 6, 215, 81, 3, 27, 103, 97};
  c[3] = cella{255, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255};
  return c;
}

void uguali(const piano& a, const piano& b) {
  ASSERT_EQ(a.ultimo_metro(), b.ultimo_metro());
  for (std::int32_t m = 0; m <= a.ultimo_metro(); ++m) {
    for (int k = 0; k < 2; ++k) {
      EXPECT_EQ(a.tag(m, k), b.tag(m, k)) << "metre " << m << " coordinate " << k;
      EXPECT_EQ(a.numero(m, k), b.numero(m, k)) << "metre " << m << " coordinate " << k;
    }
  }
}

// Runs a decoder and gives back the offset of its error, or nothing when the
// bytes decoded. Any other exception fails the test.
template <typename F>
std::optional<std::size_t> offset_errore(F&& decoder, std::string_view byte) {
  try {
    decoder(byte);
    return std::nullopt;
  } catch (const errore_decodifica& e) {
    EXPECT_LE(e.offset(), byte.size());
    EXPECT_NE(std::string(e.what()).find("offset " + std::to_string(e.offset())), std::string::npos) << e.what();
    return e.offset();
  }
}

TEST(Decoding, GivesBackWhatTheEncodersWrote) {
  uguali(decodifica_linea(codifica_linea(piano_di_prova())), piano_di_prova());
  EXPECT_EQ(decodifica_sommario(codifica_sommario(voci_di_prova())), voci_di_prova());
  EXPECT_EQ(decodifica_percorso(codifica_percorso(celle_di_prova())), celle_di_prova());
}

TEST(Decoding, NotANumberDoubleStaysADouble) {
  piano p(1);
  p.poni_reale(0, 0, std::nan(""));
  const piano d = decodifica_linea(codifica_linea(p));
  EXPECT_EQ(d.tag(0, 0), tag_piano::reale);
  EXPECT_TRUE(std::isnan(d.numero(0, 0)));
  EXPECT_EQ(d.tag(1, 1), tag_piano::vuoto);
}

TEST(Decoding, EveryTruncationOfTheSummaryAndTrackNamesAnOffset) {
  const std::string sommario = codifica_sommario(voci_di_prova());
  for (std::size_t n = 0; n < sommario.size(); ++n) {
    const auto at = offset_errore(decodifica_sommario, std::string_view(sommario).substr(0, n));
    ASSERT_TRUE(at.has_value()) << "a summary cut to " << n << " bytes decoded";
  }
  const std::string percorso = codifica_percorso(celle_di_prova());
  for (std::size_t n = 0; n < percorso.size(); ++n) {
    const auto at = offset_errore(decodifica_percorso, std::string_view(percorso).substr(0, n));
    // Whole cells from two on are a shorter track; anything else is refused.
    ASSERT_EQ(at.has_value(), n < 30 || n % 15 != 0) << "a track cut to " << n << " bytes";
    // A cut inside a cell names where that cell starts.
    if (n % 15 != 0) {
      EXPECT_EQ(*at, n - n % 15);
    }
  }
}

TEST(Decoding, LineDataCutOnAValueBoundaryIsAShorterPlanOtherwiseAnError) {
  const std::string linea = codifica_linea(piano_di_prova());
  // Value boundaries of the encoded plan: 4, 4, 10, 10, 2, 2 bytes per coordinate.
  std::vector<std::size_t> confini{0};
  for (int k = 0; k < 2; ++k) {
    for (const std::size_t b : {4, 4, 10, 10, 2, 2}) confini.push_back(confini.back() + b);
  }
  for (std::size_t n = 0; n < linea.size(); ++n) {
    const auto it = std::find(confini.begin(), confini.end(), n);
    const bool pari = it != confini.end() && (it - confini.begin()) % 2 == 0 && n > 0;
    const auto at = offset_errore(decodifica_linea, std::string_view(linea).substr(0, n));
    EXPECT_EQ(!at.has_value(), pari) << "cut to " << n << " bytes";
  }
}

TEST(Decoding, InconsistentFilesNameTheOffsetAndTheFault) {
  const std::string linea = codifica_linea(piano_di_prova());
  const std::string sommario = codifica_sommario(voci_di_prova());
  const std::string percorso = codifica_percorso(celle_di_prova());

  // Unknown tag on the third value of coordinate 0 (after two 4-byte integers).
  std::string tag_ignoto = linea;
  tag_ignoto[8] = 7;
  try {
    decodifica_linea(tag_ignoto);
    FAIL() << "unknown tag accepted";
  } catch (const errore_decodifica& e) {
    EXPECT_EQ(e.offset(), 8u);
    EXPECT_NE(e.cosa().find("unknown type tag 7"), std::string::npos) << e.cosa();
  }
  // One value too many: an odd count.
  try {
    decodifica_linea(linea + std::string(2, '\0'));
    FAIL() << "odd value count accepted";
  } catch (const errore_decodifica& e) {
    EXPECT_EQ(e.offset(), linea.size() + 2);
    EXPECT_NE(e.cosa().find("13 values"), std::string::npos) << e.cosa();
  }
  // Bytes after entry 86.
  try {
    decodifica_sommario(sommario + "z");
    FAIL() << "trailing byte accepted";
  } catch (const errore_decodifica& e) {
    EXPECT_EQ(e.offset(), sommario.size());
    EXPECT_NE(e.cosa().find("follow entry 86"), std::string::npos) << e.cosa();
  }
  // A name longer than what follows it: entry 0's name claims 0xFFFF bytes.
  std::string nome_lungo = sommario;
  nome_lungo[14] = '\xFF';
  nome_lungo[15] = '\xFF';
  try {
    decodifica_sommario(nome_lungo);
    FAIL() << "overlong name accepted";
  } catch (const errore_decodifica& e) {
    EXPECT_EQ(e.offset(), 14u);
    EXPECT_NE(e.cosa().find("entry 0 field nome"), std::string::npos) << e.cosa();
  }
  // A track of one cell, and one with a partial cell.
  EXPECT_EQ(offset_errore(decodifica_percorso, std::string_view(percorso).substr(0, 15)), 15u);
  try {
    decodifica_percorso(percorso + "1234567");
    FAIL() << "partial cell accepted";
  } catch (const errore_decodifica& e) {
    EXPECT_EQ(e.offset(), percorso.size());
    EXPECT_NE(e.cosa().find("inside cell 4: 7 of its 15 bytes"), std::string::npos) << e.cosa();
  }
}

// Any bytes at all: random ones and valid files with random bytes changed.
TEST(Decoding, AnyBytesDecodeOrStopWithAnOffset) {
  std::mt19937 caso(20240611);
  const std::string validi[3] = {codifica_linea(piano_di_prova()), codifica_sommario(voci_di_prova()),
                                 codifica_percorso(celle_di_prova())};
  for (int giro = 0; giro < 3000; ++giro) {
    std::string byte;
    if (giro % 2 == 0) {
      byte.resize(caso() % 400);
      for (char& b : byte) b = static_cast<char>(caso() % 8 == 0 ? caso() : caso() % 6);
    } else {
      byte = validi[giro % 3];
      for (int k = 0; k < 3; ++k) byte[caso() % byte.size()] = static_cast<char>(caso());
      byte.resize(byte.size() - caso() % 3);
    }
    offset_errore(decodifica_linea, byte);
    offset_errore(decodifica_sommario, byte);
    offset_errore(decodifica_percorso, byte);
  }
}

TEST(Decoding, KindFollowsTheFileName) {
  const std::pair<const char*, std::optional<tipo_file>> casi[] = {
      {"Ardena_VelmoraCle_linea.dat", tipo_file::linea},
      {"Ardena_VelmoraCle_4713.sim", tipo_file::sommario},
      {"Ardena_VelmoraCle_4713.dat", tipo_file::percorso},
      {"dir/x_linea.dat", tipo_file::linea},
      {"linea.dat", tipo_file::percorso},  // no underscore before "linea"
      {"Ardena_VelmoraCle_linea.txt", std::nullopt},
      {"map.svg", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [nome, atteso] : casi) EXPECT_EQ(tipo_da_nome(nome), atteso) << nome;
}

// Found by the fuzz target of the decoders.
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

}  // namespace
}  // namespace scen
