// Long valid scenarios made to measure: a route source and a train source of
// any length up to the longest the format allows, with curves, gradients,
// mountain zones, boards, stations, signals, slowdowns and code lines spread
// evenly along the whole route, so that cost per kilometre can be compared
// between lengths. The sources compile with no error and the code pass finds
// room for every code point. Free of any benchmark or test framework so that
// benchmarks, tests and fuzzers can all use it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace scen::banco {

// The longest route the format allows, in kilometres.
inline constexpr std::int32_t chilometri_massimi = 1000;

struct sorgenti_generate {
  std::string linea;  // route source, CR LF lines
  std::string treno;  // train source, CR LF lines
};

// The sources of a route `chilometri` km long (1 to 1000). The features
// repeat every 5 km; stations stand every 15 km, mountain zones every 15 km,
// eight indication boards are spread over the whole length.
sorgenti_generate genera_percorso(std::int32_t chilometri);

// A text of at least `byte_minimi` bytes made of the train source's heaviest
// lines (signals, stations with names, speed boards, clock lines with blank
// separators), for measuring the field reader alone. Every line begins with
// its key; `campi_dopo_chiave` tells how many fields follow it.
std::string genera_righe_campi(std::size_t byte_minimi);

// Fields that follow a key of genera_righe_campi's text: how many numbers,
// then whether a text field closes the line. Nothing for an unknown key.
struct forma_riga {
  int numeri = 0;
  bool testo_finale = false;
};
forma_riga campi_dopo_chiave(const std::string& chiave);

}  // namespace scen::banco
