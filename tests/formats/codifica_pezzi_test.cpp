// The binary files encoded piece by piece: the same bytes as the files
// encoded whole, and a failure in the largest one leaves the earlier set.
#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "formats/codifica_pezzi.h"
#include "formats/file_binari.h"
#include "formats/piano_in_corso.h"
#include "model/nomi_file.h"
#include "platform/folder.h"
#include "support/files.h"

namespace scen {
namespace {

namespace fs = std::filesystem;

std::ptrdiff_t file_nella_cartella(const fs::path& p) {
  return std::distance(fs::directory_iterator(p), fs::directory_iterator());
}

// Records the pieces a stream receives.
class pezzi_ricevuti final : public byte_sink {
 public:
  void write(std::string_view byte) override { pezzi.emplace_back(byte); }
  std::string tutto() const {
    std::string s;
    for (const std::string& p : pezzi) s += p;
    return s;
  }
  std::vector<std::string> pezzi;
};

// A plan view of `metri` metres with every kind of tagged value.
piano piano_misto(std::int32_t metri) {
  piano p(metri);
  p.poni_intero(0, 0, 0);
  p.poni_intero(0, 1, 0);
  p.poni_intero(1, 0, -7);
  p.poni_intero(1, 1, 1);
  for (std::int32_t m = 2; m <= metri - 2; ++m) {
    p.poni_reale(m, 0, m * 0.5 - 3.25);
    p.poni_reale(m, 1, -m / 3.0);
  }
  return p;
}

// A plan view whose kinds of value alternate metre by metre (empty ones too).
piano piano_alterno(std::int32_t metri) {
  piano p(metri);
  for (std::int32_t m = 0; m <= metri; ++m) {
    if (m % 3 == 1) p.poni_intero(m, 0, static_cast<std::int16_t>(-m));
    if (m % 3 == 2) p.poni_reale(m, 1, m * 0.25);
  }
  return p;
}

// The line data file as its layout states it, value after value, built
// from the plan view's accessors alone.
std::string linea_attesa(const piano& p) {
  std::string b;
  const auto le = [&b](std::uint64_t v, int byte) {
    for (int i = 0; i < byte; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  for (int c = 0; c < 2; ++c) {
    for (std::int32_t m = 0; m <= p.ultimo_metro(); ++m) {
      le(static_cast<std::uint16_t>(p.tag(m, c)), 2);
      if (p.tag(m, c) == tag_piano::intero)
        le(static_cast<std::uint16_t>(static_cast<std::int16_t>(p.numero(m, c))), 2);
      if (p.tag(m, c) == tag_piano::reale) le(std::bit_cast<std::uint64_t>(p.numero(m, c)), 8);
    }
  }
  return b;
}

TEST(EncodingInPieces, LineDataGoesOutInLongRunsAndGatheredShortPieces) {
  // A plan view of mostly doubles (as every route has) and one where the
  // kinds alternate metre by metre.
  struct caso {
    const char* nome;
    piano p;
    std::size_t pezzi_al_massimo;
  };
  const caso casi[] = {
      {"4 metres", piano_misto(4), 1},
      {"52428 metres", piano_misto(52428), 5},
      {"200000 metres", piano_misto(200000), 5},
      {"alternating", piano_alterno(30000), 6},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    pezzi_ricevuti r;
    codifica_linea(c.p, r);
    EXPECT_EQ(r.tutto(), linea_attesa(c.p));
    EXPECT_EQ(r.tutto(), codifica_linea(c.p));
    ASSERT_FALSE(r.pezzi.empty());
    EXPECT_LE(r.pezzi.size(), c.pezzi_al_massimo) << "short values are gathered, runs of doubles go whole";
    for (const std::string& pezzo : r.pezzi) EXPECT_FALSE(pezzo.empty());
  }
}

// The line data file encoded while another thread fills the plan view, as
// the run writes it. Each value starts wrong and is set right just before
// its metre is published: a writer that read a metre before it was final
// would put the wrong value in.
TEST(EncodingInPieces, LineDataEncodedWhileThePlanViewIsFilledIsTheSameFile) {
  struct caso {
    const char* nome;
    piano finale;
    std::int32_t passo;  // metres between two publications
  };
  const caso casi[] = {
      {"mixed, a metre at a time", piano_misto(3000), 1},
      {"mixed, odd steps", piano_misto(200000), 4099},
      {"alternating kinds", piano_alterno(30000), 7},
      {"one step", piano_misto(5000), 6000},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    const std::int32_t ultimo = c.finale.ultimo_metro();
    piano p(ultimo);
    for (std::int32_t m = 0; m <= ultimo; ++m) {
      for (int coordinata = 0; coordinata < 2; ++coordinata) {
        if (c.finale.tag(m, coordinata) != tag_piano::vuoto) p.poni_intero(m, coordinata, 12345);
      }
    }
    piano_in_corso avanzamento;
    pezzi_ricevuti r;
    std::thread scrittore([&] { codifica_linea(p, r, avanzamento); });
    for (std::int32_t m = 0; m <= ultimo; ++m) {
      for (int coordinata = 0; coordinata < 2; ++coordinata) {
        switch (c.finale.tag(m, coordinata)) {
          case tag_piano::intero:
            p.poni_intero(m, coordinata, static_cast<std::int16_t>(c.finale.numero(m, coordinata)));
            break;
          case tag_piano::reale:
            p.poni_reale(m, coordinata, c.finale.numero(m, coordinata));
            break;
          case tag_piano::vuoto:
            break;
        }
      }
      if ((m + 1) % c.passo == 0) avanzamento.pubblica(m + 1);
    }
    avanzamento.completa();
    scrittore.join();
    EXPECT_EQ(r.tutto(), codifica_linea(c.finale));
  }
}

TEST(EncodingInPieces, AWriterWaitingForThePlanViewGivesUpWhenTheFileIs) {
  piano p(100000);
  piano_in_corso avanzamento;
  avanzamento.pubblica(500);
  pezzi_ricevuti r;
  bool abbandonato = false;
  std::thread scrittore([&] {
    try {
      codifica_linea(p, r, avanzamento);
    } catch (const linea_abbandonata&) {
      abbandonato = true;
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  avanzamento.abbandona();
  scrittore.join();
  EXPECT_TRUE(abbandonato);
  EXPECT_LE(r.tutto().size(), 500u * 2) << "nothing beyond the 500 empty metres that were final";
  EXPECT_THROW(avanzamento.attendi(0), linea_abbandonata) << "given up for good, even for what is final";
}

TEST(EncodingInPieces, TrackInPiecesIsTheWholeFile) {
  std::vector<cella> celle(100000);
  for (std::size_t i = 0; i < celle.size(); ++i) {
    cella& c = celle[i];
    c.tipo = static_cast<std::uint8_t>(i % 15);
    c.valore1 = static_cast<std::int16_t>(-static_cast<int>(i % 30000));
    c.valore4 = static_cast<std::int16_t>(i % 1000);
    c.aderenza = static_cast<std::uint8_t>(i % 256);
  }
  pezzi_ricevuti r;
  codifica_percorso(celle, r);
  EXPECT_EQ(r.tutto(), codifica_percorso(celle));
  EXPECT_EQ(r.tutto().size(), 1500000u);
  EXPECT_GE(r.pezzi.size(), 2u);
}

TEST(EncodingInPieces, AFailureInTheLargestFileLeavesTheEarlierFilesWhole) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  const identita id{"Prova", "1"};
  modello m;
  m.scrivi_linea = 1;
  m.planimetria = piano_misto(300000);  // about 6 MB: several pieces
  m.percorso.emplace(6001);
  m.stazioni[85].nome = "Prova";
  dove.write(nome_file_linea(id), "earlier line data");
  dove.fail_after_bytes(3 * byte_pezzo + 7);
  EXPECT_THROW(scrivi_file_binari(m, id, dove), platform_error);
  EXPECT_EQ(test_util::read_file(tmp.path() / nome_file_linea(id)), "earlier line data");
  EXPECT_EQ(file_nella_cartella(tmp.path()), 1) << "nothing half written, no temporary left";

  dove.fail_after_bytes(std::nullopt);
  EXPECT_EQ(scrivi_file_binari(m, id, dove).size(), 3u);
  EXPECT_EQ(test_util::read_file(tmp.path() / nome_file_linea(id)), codifica_linea(*m.planimetria));
  EXPECT_EQ(test_util::read_file(tmp.path() / nome_file_percorso(id)), codifica_percorso(*m.percorso));
  EXPECT_EQ(test_util::read_file(tmp.path() / nome_file_sommario(id)), codifica_sommario(m.stazioni));
}

}  // namespace
}  // namespace scen
