// The writing pattern the five writers share, and the writers on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "embedded/righe.h"
#include "embedded/scrittori.h"
#include "embedded/scrittura.h"
#include "embedded/testi.h"
#include "model/nomi_file.h"
#include "platform/folder.h"
#include "support/files.h"

namespace scen {
namespace {

namespace fs = std::filesystem;

TEST(WriterTable, LinesFillTheSlotsFromZeroAndTheMarkerFollowsThem) {
  const std::string_view righe[] = {"uno", "", "tre"};
  const tabella_righe t = riempi_tabella(righe);
  EXPECT_EQ(t[0], "uno");
  EXPECT_EQ(t[1], "");
  EXPECT_EQ(t[2], "tre");
  EXPECT_EQ(t[3], fine_del_file);
  for (std::size_t i = 4; i < t.size(); ++i) ASSERT_TRUE(t[i].empty()) << "slot " << i;
  EXPECT_EQ(t.size(), 1001u);
}

TEST(WriterTable, HoldsAtMostAThousandLinesBeforeItsMarker) {
  const std::vector<std::string_view> mille(1000, "x");
  const tabella_righe t = riempi_tabella(mille);
  EXPECT_EQ(t[999], "x");
  EXPECT_EQ(t[1000], fine_del_file);
  EXPECT_EQ(testo_tabella(t).size(), 3000u);

  const std::vector<std::string_view> troppe(1001, "x");
  EXPECT_THROW(riempi_tabella(troppe), std::length_error);
}

TEST(WriterTable, EveryLineEndsInCrLfAndKeepsItsBytes) {
  const std::string_view righe[] = {"", " ", "a  ", "realt\xE0 \xE8", "\"virgolette\", e virgole,"};
  EXPECT_EQ(testo_tabella(riempi_tabella(righe)), "\r\n \r\na  \r\nrealt\xE0 \xE8\r\n\"virgolette\", e virgole,\r\n");
}

TEST(WriterTable, NoLinesMakeAnEmptyFile) { EXPECT_EQ(testo_tabella(riempi_tabella({})), ""); }

TEST(WriterTable, TheFirstSlotEqualToTheMarkerStopsTheWritingWhateverFollows) {
  tabella_righe t{};
  t[0] = "prima";
  t[1] = "seconda";
  t[2] = fine_del_file;
  t[3] = "dopo il marcatore";
  t[4] = fine_del_file;
  t[1000] = "ultima";
  EXPECT_EQ(testo_tabella(t), "prima\r\nseconda\r\n");

  t[0] = fine_del_file;
  EXPECT_EQ(testo_tabella(t), "");
}

TEST(WriterTable, OnlyTheExactMarkerStops) {
  const std::string_view quasi[] = {"Riferimento fine del file", "riferimento fine del file ",
                                    " riferimento fine del file", "riferimento fine del fil",
                                    "xriferimento fine del file"};
  tabella_righe t{};
  for (std::size_t i = 0; i < std::size(quasi); ++i) t[i] = quasi[i];
  t[std::size(quasi)] = fine_del_file;
  std::string atteso;
  for (std::string_view q : quasi) atteso += std::string(q) + "\r\n";
  EXPECT_EQ(testo_tabella(t), atteso);
}

TEST(WriterTable, ATableWithoutTheMarkerIsWrittenToItsLastSlot) {
  tabella_righe t{};
  t.fill("z");
  const std::string testo = testo_tabella(t);
  EXPECT_EQ(testo.size(), 1001u * 3u);
}

TEST(WriterTable, WritingCreatesAMissingFileAndReplacesALongerOneWhole) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  const std::string_view righe[] = {"a", "b"};
  const tabella_righe t = riempi_tabella(righe);

  scrivi_tabella(dove, "f.txt", t);
  EXPECT_EQ(test_util::read_file(tmp.path() / "f.txt"), "a\r\nb\r\n");

  test_util::write_file(tmp.path() / "f.txt", std::string(5000, 'v') + "\r\n");
  scrivi_tabella(dove, "f.txt", t);
  EXPECT_EQ(test_util::read_file(tmp.path() / "f.txt"), "a\r\nb\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 1);
}

// Each writer, its file name and the bytes it writes.
struct scrittore {
  const char* nome;
  void (*scrivi)(file_writer&, const identita&);
  std::string (*file)(const identita&);
  std::string (*testo)();
  std::span<const std::string_view> (*righe)();
};

const scrittore scrittori[] = {
    {"route source", dati_linea, nome_sorgente_linea, testo_linea, righe_linea},
    {"train source", dati_treno, nome_sorgente_treno, testo_treno, righe_treno},
    {"notes", dati_note, nome_note, testo_note, righe_note},
    {"slowdown order", dati_rallentamenti, nome_rallentamenti, testo_rallentamenti, righe_rallentamenti},
    {"timetable sheet", dati_scheda, nome_scheda, testo_scheda, righe_scheda},
};

TEST(Writers, EachWritesItsLinesUnderItsNameReplacingAnOldFile) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  const identita id = identita_incorporata();
  for (const scrittore& s : scrittori) {
    SCOPED_TRACE(s.nome);
    const fs::path file = tmp.path() / s.file(id);
    test_util::write_file(file, std::string(100000, '#'));
    s.scrivi(dove, id);
    const std::string scritto = test_util::read_file(file);
    EXPECT_EQ(scritto, s.testo());
    std::string atteso;
    for (std::string_view r : s.righe()) atteso += std::string(r) + "\r\n";
    EXPECT_EQ(scritto, atteso);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 5);
}

TEST(Writers, AnotherIdentityChangesTheFileNamesOnly) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  const identita altra{"Altra_Linea", "99"};
  for (const scrittore& s : scrittori) {
    SCOPED_TRACE(s.nome);
    s.scrivi(dove, altra);
    EXPECT_EQ(test_util::read_file(tmp.path() / s.file(altra)), s.testo());
    EXPECT_FALSE(fs::exists(tmp.path() / s.file(identita_incorporata())));
  }
}

TEST(Writers, NoLineOfTheScenarioHoldsALineBreakOrTheEndMarker) {
  for (const scrittore& s : scrittori) {
    SCOPED_TRACE(s.nome);
    for (std::string_view r : s.righe()) {
      EXPECT_EQ(r.find_first_of("\r\n"), std::string_view::npos) << r;
      EXPECT_EQ(r.find(fine_del_file), std::string_view::npos) << r;
    }
    EXPECT_EQ(s.testo().find("riferimento"), std::string::npos);
  }
}

}  // namespace
}  // namespace scen
