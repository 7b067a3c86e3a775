// Mistakes an author makes by hand in the small sources, each with the
// finding it must give: shared by the compiler's own check of its findings
// and the tool's commands that report them.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/sources.h"

namespace scen::test_util {

// One mistaken pair of sources: the small fixture with some lines replaced
// (or added before its "[fine]" when `riga` is 0), and the finding it gives.
struct caso {
  const char* nome;
  bool nel_treno;
  int riga;
  std::vector<std::string> righe;
  const char* livello;  // "warning" or "error"
  int codice;           // -1: none
  int riga_attesa;      // 0: the file only
  int colonna_attesa;   // 0: not checked
  const char* parole;   // words of the message
};

inline void PrintTo(const caso& c, std::ostream* os) { *os << c.nome; }

inline std::vector<std::string> modifica(std::vector<std::string> righe, const caso& c) {
  if (c.riga > 0) {
    righe.erase(righe.begin() + (c.riga - 1));
    righe.insert(righe.begin() + (c.riga - 1), c.righe.begin(), c.righe.end());
  } else {
    righe.insert(righe.end() - 1, c.righe.begin(), c.righe.end());
  }
  return righe;
}

inline std::pair<std::string, std::string> sorgenti_di(const caso& c) {
  const auto linea = c.nel_treno ? linea_piccola() : modifica(linea_piccola(), c);
  const auto treno = c.nel_treno ? modifica(treno_piccolo(), c) : treno_piccolo();
  return {join_crlf(linea), join_crlf(treno)};
}

inline const std::string stazione_5000 = "stazione,    5000, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, ";

inline const std::vector<caso>& casi() {
  static const std::vector<caso> v{
      // Warnings: the compile goes on as always, the author is told.
      {"misspelt_train_key",
       true,
       14,
       {"stazoine,    5000, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, L"},
       "warning",
       -1,
       14,
       1,
       "did you mean \"stazione\""},
      {"misspelt_general_key", false, 6, {"sfodno uno,    33000"}, "warning", -1, 6, 1, "did you mean \"sfondo uno\""},
      {"general_key_in_upper_case", false, 6, {"Sfondo Uno,    33000"}, "warning", -1, 6, 1, "lower case"},
      {"general_key_after_general",
       false,
       0,
       {"sfondo uno,    5"},
       "warning",
       -1,
       20,
       1,
       "only in the [generale] section"},
      {"misspelt_section_header", true, 12, {"[stazoini]"}, "warning", -1, 12, 1, "did you mean \"[stazioni]\""},
      {"value_too_many",
       true,
       2,
       {"numero vetture,    12,  5"},
       "warning",
       -1,
       2,
       25,
       "stands where a key is expected"},
      {"train_without_general", true, 1, {"[general]"}, "warning", -1, 0, 0, "no \"[generale]\""},
      {"quote_over_line_end",
       true,
       15,
       {"stazione,    9500,  5,  800,  1, 1, 0,  1,1,0,  2,1,1,    0,   9, 5, 0, \"VELMORA", "CENTRALE\""},
       "warning",
       -1,
       15,
       73,
       "runs over a line end"},
      {"quote_never_closed",
       true,
       15,
       {"stazione,    9500,  5,  800,  1, 1, 0,  1,1,0,  2,1,1,    0,   9, 5, 0, \"VELMORA"},
       "warning",
       -1,
       15,
       73,
       "never closed"},
      {"text_after_closing_quote",
       true,
       15,
       {"stazione,    9500,  5,  800,  1, 1, 0,  1,1,0,  2,1,1,    0,   9, 5, 0, \"VELMORA\" C.LE"},
       "warning",
       -1,
       15,
       83,
       "\"C.LE\" after the closing quote is dropped"},
      {"signal_beyond_route_end",
       true,
       0,
       {"segnale,   12000,   2, 4, 0,  0, 0,    0,  0,0,0, 0"},
       "warning",
       -1,
       24,
       12,
       "beyond the end of the route (10000 m)"},
      {"gradient_before_route_start",
       false,
       0,
       {"pendenza,  -100,   2"},
       "warning",
       -1,
       20,
       12,
       "before the start of the route"},
      {"utf8_station_name", true, 14, {stazione_5000 + "LUN\xC3\x88SCO"}, "warning", -1, 14, 73, "UTF-8"},
      {"control_byte_in_board_text",
       false,
       0,
       {"cartello indicatore,  2000,  \"A\x01"
        "B\""},
       "warning",
       -1,
       20,
       30,
       "control byte 0x01"},
      {"signal_rounded_to_next_cell",
       true,
       20,
       {"segnale,    4025,   2, 3, 1,  0, 0,    2,  2,1,0, 0"},
       "warning",
       -1,
       20,
       13,
       "stands for 4050 m"},
      {"speed_rounded_to_cell", true, 11, {"velocita,    6010,   100"}, "warning", -1, 11, 14, "at 6000 m"},
      {"speed_lines_out_of_order",
       true,
       11,
       {"velocita,    6000,   100", "velocita,    3000,   90"},
       "warning",
       -1,
       12,
       14,
       "does not come after the previous one"},
      {"gradient_low_bits", false, 14, {"pendenza,  1000,   200"}, "warning", -1, 14, 20, "stored as -56"},
      {"adhesion_low_bits", true, 8, {"aderenza,    4000,    300"}, "warning", -1, 8, 23, "stored as 44"},
      {"signal_time_without_sx_2",
       true,
       21,
       {"segnale,    8000,   1, 4, 0,  0, 0,    0,  0,0,0, 215"},
       "warning",
       -1,
       21,
       51,
       "kept only for a signal with sx = 2"},
      {"slowdown_without_board_with_f_ta",
       true,
       17,
       {"rallentamento,    1500,    70,  500, 1,  1,  0"},
       "warning",
       -1,
       17,
       42,
       "no warning board"},
      {"station_marker_replaces_code_line",
       true,
       12,
       {"abbattimento,   5250,   180", "[stazioni]"},
       "warning",
       -1,
       15,
       1,
       "replaces the code line at 5250 m"},
      {"second_length_line",
       false,
       2,
       {"lunghezza percorso,    10000", "lunghezza percorso,    10000"},
       "warning",
       -1,
       3,
       1,
       "start anew"},
      {"source_not_ended_by_fine", true, 24, {"[end]"}, "warning", -1, 24, 1, "never acted upon"},
      // Errors: told with the field, the text found and what is valid.
      {"letter_in_a_number",
       true,
       14,
       {"stazione,    50O0, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, L"},
       "error",
       25,
       14,
       14,
       "expected a whole number for the station's position, found \"50O0\""},
      {"decimal_point",
       true,
       11,
       {"velocita,    6000,   5.5"},
       "error",
       25,
       11,
       22,
       "expected a whole number for the speed limit, found \"5.5\""},
      {"value_too_wide",
       true,
       4,
       {"sabbia,    40000"},
       "error",
       25,
       4,
       12,
       "from -32768 to 32767 for the sand quantity, found \"40000\""},
      {"comma_missing_after_key",
       false,
       2,
       {"lunghezza percorso    10000"},
       "error",
       25,
       2,
       22,
       "expected a comma between the key \"lunghezza percorso\" and its value 10000"},
      {"length_key_misspelt", false, 2, {"lunghezza percoso,    10000"}, "error", 25, 10, 1, "no route length line"},
      {"general_section_missing", false, 1, {"[general]"}, "error", 102, 1, 1, "\"[general]\" here is not it"},
      {"signal_on_signal_names_it",
       true,
       0,
       {"segnale,    1000,   2, 4, 0,  0, 0,    0,  0,0,0, 0"},
       "error",
       16,
       24,
       13,
       "cell 21 already holds the signal at 1000 m"},
      {"station_position_with_fix",
       true,
       14,
       {stazione_5000.substr(0, 9) + "    5025" + stazione_5000.substr(17) + "L"},
       "error",
       8,
       14,
       14,
       "station position 5025 m is not a multiple of 50 m"},
      {"station_too_close_names_the_previous",
       true,
       0,
       {"stazione,    9000, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, VICINA"},
       "error",
       22,
       24,
       14,
       "less than 350 m after the end of the previous station"},
      {"too_close_to_track_end",
       true,
       0,
       {"velocita,   16950,    80"},
       "error",
       15,
       24,
       13,
       "too close to the end of the track"},
  };
  return v;
}

}  // namespace scen::test_util
