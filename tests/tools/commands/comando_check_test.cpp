// Checking a folder's three binary files: consistent files pass, and each
// kind of damage is named, both by the library check and by scenario-tool check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "formats/decodifica.h"
#include "formats/verifica.h"
#include "support/tool_runs.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::read_file;
using test_util::run_tool;
using test_util::temp_folder;
using test_util::write_file;

const identita id_inc = identita_incorporata();

// The embedded scenario's files, compiled once for every test here.
const file_scenario& buoni() {
  static const file_scenario f = [] {
    temp_folder dir;
    test_util::compila_incorporato(dir.path());
    return file_scenario{read_file(dir.path() / nome_file_linea(id_inc)),
                         read_file(dir.path() / nome_file_sommario(id_inc)),
                         read_file(dir.path() / nome_file_percorso(id_inc))};
  }();
  return f;
}

// Byte offset of entry `n` of a summary file.
std::size_t offset_voce(const std::string& sommario, int n) {
  const auto voci = decodifica_sommario(sommario);
  std::size_t at = 0;
  for (int i = 0; i < n; ++i) at += 34 + voci[static_cast<std::size_t>(i)].nome.size();
  return at;
}

std::string con_byte(std::string b, std::size_t at, char v) {
  b.at(at) = v;
  return b;
}

// The track file with one byte of the first cell of type `tipo` set to `v`
// (`dove` counts from the cell's first byte: 0 the type, 1 valore1's low
// byte, 9 tempo).
std::string con_cella(const std::string& percorso, std::uint8_t tipo, std::size_t dove, char v) {
  const auto celle = decodifica_percorso(percorso);
  const auto c = std::find_if(celle.begin(), celle.end(), [&](const cella& x) { return x.tipo == tipo; });
  if (c == celle.end()) {
    ADD_FAILURE() << "the embedded track has no cell of type " << int{tipo};
    return percorso;
  }
  return con_byte(percorso, static_cast<std::size_t>(c - celle.begin()) * 15 + dove, v);
}

// The summary with the 32-bit field at `dove` of entry `n` set to `v`
// (1 inizio, 5 fine, 9 posizione).
std::string con_campo(std::string sommario, int n, std::size_t dove, std::int32_t v) {
  const std::size_t at = offset_voce(sommario, n) + dove;
  const auto u = static_cast<std::uint32_t>(v);
  for (std::size_t i = 0; i < 4; ++i) sommario.at(at + i) = static_cast<char>((u >> (8 * i)) & 0xFF);
  return sommario;
}

struct caso_danno {
  const char* nome;
  file_scenario (*danneggia)(file_scenario);
  std::vector<std::string> frasi;  // each must stand in one of the problems
};

std::string elenco(const std::vector<std::string>& v) {
  std::string out;
  for (const auto& s : v) out += "  " + s + "\n";
  return out;
}

const std::vector<caso_danno>& danni() {
  static const std::vector<caso_danno> casi{
      {"track_marker_flipped",
       [](file_scenario f) {
         f.percorso = con_byte(*f.percorso, 16, static_cast<char>((*f.percorso)[16] ^ 1));
         return f;
       },
       {"Ardena_VelmoraCle_4713.dat: cell 1 valore1 holds 5120, not the format marker 5121"}},
      {"track_check_code_changed",
       [](file_scenario f) {
         f.percorso = con_byte(*f.percorso, 18, static_cast<char>((*f.percorso)[18] ^ 0x10));
         return f;
       },
       {"Ardena_VelmoraCle_4713.dat: cell 1 valore2 holds the check code"}},
      {"summary_marker_flipped",
       [](file_scenario f) {
         const std::size_t at = offset_voce(*f.sommario, 85) + 16 + id_inc.nome_linea.size();
         f.sommario = con_byte(*f.sommario, at, static_cast<char>((*f.sommario)[at] ^ 4));
         return f;
       },
       {"Ardena_VelmoraCle_4713.sim: entry 85 gruppo_a1 holds 614, not the format marker 610"}},
      {"summary_check_code_changed",
       [](file_scenario f) {
         const std::size_t at = offset_voce(*f.sommario, 86) - 4;
         f.sommario = con_byte(*f.sommario, at, static_cast<char>((*f.sommario)[at] ^ 1));
         return f;
       },
       {"Ardena_VelmoraCle_4713.sim: entry 85 orario holds the check code"}},
      {"track_truncated",
       [](file_scenario f) {
         f.percorso->resize(f.percorso->size() - 7);
         return f;
       },
       {"Ardena_VelmoraCle_4713.dat: unreadable: at byte offset 27600: file ends inside cell 1840"}},
      {"track_one_cell_short",
       [](file_scenario f) {
         f.percorso->resize(f.percorso->size() - 15);
         return f;
       },
       {"holds 1840 cells (27600 bytes), but the route length in the summary's entry 84 gives 1841 cells (27615 "
        "bytes)"}},
      {"summary_truncated",
       [](file_scenario f) {
         f.sommario->resize(100);
         return f;
       },
       {"Ardena_VelmoraCle_4713.sim: unreadable: at byte offset"}},
      {"summary_route_length_changed",
       [](file_scenario f) {
         // Entry 84 fine: 85000 becomes 85000 + 256 * 4.
         const std::size_t at = offset_voce(*f.sommario, 84) + 5 + 1;
         f.sommario = con_byte(*f.sommario, at, static_cast<char>((*f.sommario)[at] + 4));
         return f;
       },
       {"holds 1841 cells (27615 bytes), but the route length in the summary's entry 84 gives 1861 cells",
        "holds metres 0 to 92000, but the route length in the summary's entry 84 gives metres 0 to 93024"}},
      {"line_data_missing",
       [](file_scenario f) {
         f.linea.reset();
         return f;
       },
       {"Ardena_VelmoraCle_linea.dat: missing"}},
      {"line_data_double_made_empty",
       [](file_scenario f) {
         // Metre 2 of coordinate 0 starts after two 4-byte integers.
         std::string& b = *f.linea;
         b.replace(8, 10, std::string(2, '\0'));
         return f;
       },
       {"coordinate 0 of metre 2 is empty, but metres 2 to 91998 must hold a double (1 wrong value(s) in all)"}},
      {"line_data_start_moved",
       [](file_scenario f) {
         f.linea = con_byte(*f.linea, 2, 5);  // metre 0, coordinate 0: 0 becomes 5
         return f;
       },
       {"coordinate 0 of metre 0 holds 5, but the plan view starts at (0, 0), (0, 1)"}},
      {"line_data_one_metre_short",
       [](file_scenario f) {
         // Drop the last (empty) value of each coordinate: one metre fewer.
         std::string& b = *f.linea;
         const std::size_t mezzo = b.size() / 2;
         b = b.substr(0, mezzo - 2) + b.substr(mezzo, mezzo - 2);
         return f;
       },
       {"holds metres 0 to 91999, but the route length in the summary's entry 84 gives metres 0 to 92000"}},
      // What the compile can write, beyond the layout.
      {"signal_tempo_no_compile_writes",
       [](file_scenario f) {
         f.percorso = con_cella(*f.percorso, tipo_cella::segnale, 9, 50);
         return f;
       },
       {"a signal with tempo 50, which no compile writes (1 to 100 become 101)"}},
      {"tempo_on_a_cell_without_signal",
       [](file_scenario f) {
         f.percorso = con_cella(*f.percorso, tipo_cella::nulla, 9, 3);
         return f;
       },
       {"tempo 3 on a cell that is not a signal"}},
      {"warning_board_numbered_7",
       [](file_scenario f) {
         f.percorso = con_cella(*f.percorso, tipo_cella::prima_avviso, 1, 7);
         return f;
       },
       {"a cell before a warning board numbered 7, not 1 to 4"}},
      {"station_end_marker_of_entry_85",
       [](file_scenario f) {
         f.percorso = con_cella(*f.percorso, tipo_cella::fine_stazione, 1, 85);
         return f;
       },
       {"a station end marker names entry 85, which holds no station"}},
      {"indication_board_of_entry_0",
       [](file_scenario f) {
         // An empty cell made an indication board: its entry is 0.
         f.percorso = con_cella(*f.percorso, tipo_cella::nulla, 0, static_cast<char>(tipo_cella::indicazione));
         return f;
       },
       {"an indication board names entry 0, not one of 1 to 80"}},
      {"repetition_of_5_codes",
       [](file_scenario f) {
         f.sommario = con_campo(*f.sommario, 86, 9, 5);
         return f;
       },
       {"entry 86: 5 codes of cab-signal repetition, not 4, 9 or 0"}},
      {"repetition_off_the_50_m",
       [](file_scenario f) {
         f.sommario = con_campo(*f.sommario, 86, 1, 10);
         return f;
       },
       {"entry 86: cab-signal repetition from 10 to 76800 m is not in multiples of 50 m"}},
      {"kilometric_zone_off_the_50_m",
       [](file_scenario f) {
         f.sommario = con_campo(*f.sommario, 81, 5, 82801);
         return f;
       },
       {"entry 81: kilometric zone at 0 m with progressive 82801 m is not in multiples of 50 m"}},
      {"station_off_the_50_m",
       [](file_scenario f) {
         const stazione prima = decodifica_sommario(*f.sommario)[1];
         f.sommario = con_campo(*f.sommario, 1, 9, prima.posizione + 1);
         return f;
       },
       {"entry 1: station \"", "m, not a multiple of 50 m"}},
      {"stations_too_close",
       [](file_scenario f) {
         const stazione prima = decodifica_sommario(*f.sommario)[1];
         f.sommario = con_campo(*f.sommario, 2, 1, prima.fine + 100);
         return f;
       },
       {"entry 2: station \"", "less than 350 m after station \""}},
  };
  return casi;
}

TEST(Check, TheRunsFilesAreConsistent) { EXPECT_EQ(elenco(verifica_scenario(buoni(), id_inc)), ""); }

TEST(Check, EachDamageIsNamed) {
  for (const auto& c : danni()) {
    const auto problemi = verifica_scenario(c.danneggia(buoni()), id_inc);
    for (const auto& frase : c.frasi) {
      const bool trovata = std::any_of(problemi.begin(), problemi.end(),
                                       [&](const std::string& p) { return p.find(frase) != std::string::npos; });
      EXPECT_TRUE(trovata) << c.nome << ": no problem says \"" << frase << "\"; got:\n" << elenco(problemi);
    }
  }
}

TEST(Check, AnotherIdentityFailsOnNamesAndBothCheckCodes) {
  const identita altra{"Ardena_VelmoraCle", "4714"};
  const auto problemi = verifica_scenario(buoni(), altra);
  const std::string tutti = elenco(problemi);
  EXPECT_NE(tutti.find("entry 86 names the train \"4713\", not \"4714\""), std::string::npos) << tutti;
  EXPECT_NE(tutti.find("entry 85 orario holds the check code"), std::string::npos) << tutti;
  EXPECT_NE(tutti.find("cell 1 valore2 holds the check code"), std::string::npos) << tutti;
  // The files are named after the identity being checked.
  EXPECT_NE(tutti.find("Ardena_VelmoraCle_4714.sim: "), std::string::npos) << tutti;
}

TEST(Check, ToolPrintsOkOrEveryProblemWithExitStatus) {
  temp_folder dir;
  const auto scrivi = [&](const file_scenario& f) {
    write_file(dir.path() / nome_file_linea(id_inc), *f.linea);
    write_file(dir.path() / nome_file_sommario(id_inc), *f.sommario);
    write_file(dir.path() / nome_file_percorso(id_inc), *f.percorso);
  };
  scrivi(buoni());
  const auto ok = run_tool({"check"}, dir.path());
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.out, "ok\n");

  scrivi(danni()[0].danneggia(buoni()));
  const auto male = run_tool({"check", dir.path().string()}, "/");
  EXPECT_EQ(male.status, 1);
  EXPECT_EQ(male.err, "Ardena_VelmoraCle_4713.dat: cell 1 valore1 holds 5120, not the format marker 5121\n");
  EXPECT_EQ(male.out, "");

  fs::remove(dir.path() / nome_file_sommario(id_inc));
  const auto manca = run_tool({"check", "."}, dir.path());
  EXPECT_EQ(manca.status, 1);
  EXPECT_NE(manca.err.find("Ardena_VelmoraCle_4713.sim: missing\n"), std::string::npos) << manca.err;

  EXPECT_EQ(run_tool({"check", "no_such_folder"}, dir.path()).status, 2);
  EXPECT_EQ(run_tool({"check", ".", "--route-name", "../x"}, dir.path()).status, 2);
}

}  // namespace
}  // namespace scen
