// The built program, run twice in a folder of its own as a user would run it:
// what it leaves there, what it prints, and the markers and check codes inside
// the binary files.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "model/nomi_file.h"
#include "passes/codici_gara.h"
#include "support/child_process.h"
#include "support/files.h"

namespace scen {
namespace {

namespace fs = std::filesystem;

struct corsa {
  test_util::process_result process;
  std::map<std::string, std::string> file;  // every file left in the folder but the program
};

corsa esegui_e_raccogli(const fs::path& cartella, const fs::path& programma) {
  corsa c;
  c.process = test_util::run_process({programma.string()}, {}, test_util::environment_without_display());
  for (const fs::directory_entry& e : fs::directory_iterator(cartella)) {
    if (e.path() == programma) continue;
    c.file[e.path().filename().string()] = test_util::read_file(e.path());
  }
  return c;
}

std::uint32_t byte_a(const std::string& b, std::size_t at) { return static_cast<unsigned char>(b.at(at)); }

std::int16_t le16(const std::string& b, std::size_t at) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(byte_a(b, at) | (byte_a(b, at + 1) << 8)));
}

std::int32_t le32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t k = 0; k < 4; ++k) v |= byte_a(b, at + k) << (8 * k);
  return static_cast<std::int32_t>(v);
}

// The fields of a summary-file entry that the run stamps, and where the entry ends.
struct voce_letta {
  std::string nome;
  std::int16_t gruppo_a1 = 0;
  std::int32_t orario = 0;
  std::size_t fine = 0;
};

// An entry is 14 bytes of numbers, the name (16-bit length and bytes), then
// 18 bytes of numbers ending with `orario`.
voce_letta leggi_voce(const std::string& b, std::size_t at) {
  voce_letta v;
  const std::size_t n = static_cast<std::uint16_t>(le16(b, at + 14));
  v.nome = b.substr(at + 16, n);
  v.gruppo_a1 = le16(b, at + 16 + n);
  v.orario = le32(b, at + 30 + n);
  v.fine = at + 34 + n;
  return v;
}

// The entries one after the other, as far as the file holds whole ones.
std::vector<voce_letta> leggi_sommario(const std::string& b) {
  std::vector<voce_letta> voci;
  std::size_t at = 0;
  while (voci.size() < 87 && at + 34 <= b.size()) {
    const std::size_t n = static_cast<std::uint16_t>(le16(b, at + 14));
    if (at + 34 + n > b.size()) break;
    voci.push_back(leggi_voce(b, at));
    at = voci.back().fine;
  }
  return voci;
}

class EndToEnd : public ::testing::Test {
 protected:
  // Two runs in the same fresh folder; every test looks at their results.
  static void SetUpTestSuite() {
    cartella_ = std::make_unique<test_util::temp_folder>();
    programma_ = cartella_->path() / fs::path(SCENARIO_EXE).filename();
    fs::copy_file(SCENARIO_EXE, programma_);
    fs::permissions(programma_, fs::perms::owner_all, fs::perm_options::add);
    for (int k = 0; k < 2; ++k) {
      corse_.push_back(esegui_e_raccogli(cartella_->path(), programma_));
    }
  }
  static void TearDownTestSuite() {
    corse_.clear();
    cartella_.reset();
  }

  static const corsa& prima() { return corse_.at(0); }
  static const corsa& seconda() { return corse_.at(1); }
  static const std::string& file_di(const std::string& nome) { return prima().file.at(nome); }

  static inline std::unique_ptr<test_util::temp_folder> cartella_;
  static inline fs::path programma_;
  static inline std::vector<corsa> corse_;

  const identita id_ = identita_incorporata();
};

TEST_F(EndToEnd, ACleanRunPrintsNothingAndExitsWithZero) {
  for (const corsa* c : {&prima(), &seconda()}) {
    EXPECT_EQ(c->process.status, 0) << c->process.err;
    EXPECT_EQ(c->process.out, "");
    // Without a display the waiting window is one line on standard error, and
    // a clean run adds nothing to it.
    EXPECT_EQ(c->process.err, "Attendere\n");
  }
}

TEST_F(EndToEnd, LeavesTheThreeDocumentsAndTheThreeBinaryFilesOnly) {
  const std::set<std::string> attesi{nome_note(id_),       nome_rallentamenti(id_), nome_scheda(id_),
                                     nome_file_linea(id_), nome_file_sommario(id_), nome_file_percorso(id_)};
  for (const corsa* c : {&prima(), &seconda()}) {
    std::set<std::string> trovati;
    for (const auto& [nome, byte] : c->file) trovati.insert(nome);
    EXPECT_EQ(trovati, attesi);
    EXPECT_EQ(c->file.count(nome_sorgente_linea(id_)), 0U);
    EXPECT_EQ(c->file.count(nome_sorgente_treno(id_)), 0U);
  }
  for (const std::string& nome : attesi) {
    if (prima().file.count(nome) != 0) {
      EXPECT_FALSE(prima().file.at(nome).empty()) << nome;
    }
  }
}

TEST_F(EndToEnd, ASecondRunGivesTheSameBytes) {
  ASSERT_EQ(prima().file.size(), 6U);
  for (const auto& [nome, byte] : prima().file) {
    ASSERT_EQ(seconda().file.count(nome), 1U) << nome;
    EXPECT_TRUE(seconda().file.at(nome) == byte) << nome << " differs between the two runs";
  }
}

TEST_F(EndToEnd, TrackFileHoldsEveryCellAndCell1TheMarkerAndCode) {
  const std::string& percorso = file_di(nome_file_percorso(id_));
  // 85000 m of route plus 7000 m: cells 0 to 1840, 15 bytes each.
  ASSERT_EQ(percorso.size(), 27615U);
  EXPECT_EQ(le16(percorso, 16), 5121);
  EXPECT_EQ(le16(percorso, 18), codice_gara_og(id_.nome_treno, id_.nome_linea));
  // The code points the pass adds around the slowdown reach the file.
  for (const std::size_t c : {694U, 713U, 720U, 726U, 739U, 742U}) {
    EXPECT_EQ(byte_a(percorso, 15 * c), 12U) << "cell " << c;
    EXPECT_EQ(le16(percorso, 15 * c + 1), 180) << "cell " << c;
  }
}

TEST_F(EndToEnd, SummaryFileHoldsTheMarkerAndCodeInEntry85) {
  const std::string& sommario = file_di(nome_file_sommario(id_));
  const std::vector<voce_letta> voci = leggi_sommario(sommario);
  ASSERT_EQ(voci.size(), 87U);
  EXPECT_EQ(voci.back().fine, sommario.size()) << "87 entries and nothing after them";
  EXPECT_EQ(voci[85].nome, id_.nome_linea);
  EXPECT_EQ(voci[86].nome, id_.nome_treno);
  EXPECT_EQ(voci[85].gruppo_a1, 610);
  EXPECT_EQ(voci[85].orario, codice_gara_st(id_.nome_treno, id_.nome_linea));
  EXPECT_EQ(voci[0].fine, 34U) << "entry 0 is never filled";
}

TEST_F(EndToEnd, LineDataFileHoldsThePlanOfEveryMetre) {
  const std::string& linea = file_di(nome_file_linea(id_));
  // Per coordinate, metres 0 to 92000: two 16-bit integers (4 bytes each),
  // doubles for metres 2 to 91998 (10 bytes each), two empty values (2 bytes).
  constexpr std::size_t per_coordinata = 2 * 4 + (92000 - 3) * 10 + 2 * 2;
  ASSERT_EQ(linea.size(), 2 * per_coordinata);
  EXPECT_EQ(le16(linea, 0), 2);  // planimetria(0, 0): an integer, 0
  EXPECT_EQ(le16(linea, 2), 0);
  EXPECT_EQ(le16(linea, per_coordinata + 4), 2);  // planimetria(1, 1): an integer, 1
  EXPECT_EQ(le16(linea, per_coordinata + 6), 1);
  EXPECT_EQ(le16(linea, per_coordinata - 2), 0);  // planimetria(92000, 0): empty
}

}  // namespace
}  // namespace scen
