// The measures of the track model, in one place: the compiler sizes the model
// with them, the checker holds files against them and the map turns cells
// back into metres with them.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

namespace scen {

inline constexpr std::int32_t metri_cella = 50;             // one track cell
inline constexpr std::int32_t oltre_linea = 7000;           // the track model reaches this far beyond the route
inline constexpr std::int32_t lunghezza_massima = 1000000;  // the longest route a compile accepts

// Stations: each starts at least this far after the previous one ends; one
// shorter than `lunghezza_minima_opzione2` keeps no fifth-column flag
// (`opzione2`); a type from `tipo_stazione_senza_marcatore` up leaves no mark
// on the track, and types 5 and 6 an end marker alone.
inline constexpr std::int32_t distanza_minima_stazioni = 350;
inline constexpr std::int32_t lunghezza_minima_opzione2 = 600;
inline constexpr std::uint8_t tipo_stazione_senza_marcatore = 25;
// A position must stay this far before the end of the track model: a
// station, and any other line.
inline constexpr std::int32_t margine_fine_stazione = 800;
inline constexpr std::int32_t margine_fine = 100;

// Slowdowns: the warning board stands this far before the slowdown's start.
inline constexpr std::int32_t metri_tavola_avviso = 1200;
// The code pass looks this many cells back from a warning board for signals,
// and this many cells on after a slowdown's end.
inline constexpr std::int32_t celle_prima_avviso = 20;
inline constexpr std::int32_t celle_dopo_fine = 12;

// Nearest whole number, halves to even. Done by hand rather than with
// std::nearbyint so that the program needs no maths library at all (loading
// one is a measurable part of a run): adding 2^52 to a magnitude below 2^52
// leaves no bits for a fraction, so the addition itself rounds, halves to
// even in the default rounding mode, and subtracting 2^52 again is exact.
// Magnitudes of 2^52 and more are whole already; NaN goes through unchanged.
inline double arrotonda_reale(double x) {
  constexpr double due_alla_52 = 4503599627370496.0;
  const double m = std::fabs(x);
  if (!(m < due_alla_52)) return x;
  return std::copysign((m + due_alla_52) - due_alla_52, x);
}
inline std::int64_t arrotonda(double x) { return static_cast<std::int64_t>(arrotonda_reale(x)); }

// The size of the track model for a route of `lunghezza` metres.
struct misure_percorso {
  std::int32_t lunghezza_totale = 0;  // metres of the model: the route and what lies beyond it
  std::int32_t ultima_cella = 0;
};

// The model's size for a route length: (length + 7000) / 50, rounded. Nothing
// when the length is over the limit or leaves fewer than two cells.
inline std::optional<misure_percorso> misure_da_lunghezza(std::int32_t lunghezza) {
  if (lunghezza > lunghezza_massima) return std::nullopt;
  const std::int64_t totale = std::int64_t{lunghezza} + oltre_linea;
  const std::int64_t ultima = arrotonda(static_cast<double>(totale) / metri_cella);
  if (ultima < 1) return std::nullopt;
  return misure_percorso{static_cast<std::int32_t>(totale), static_cast<std::int32_t>(ultima)};
}

// Back from cells to metres: where cell `n` starts, and the position a point
// feature (signal, slowdown point, board) in cell `n` was declared at.
inline double metri_inizio_cella(std::int64_t n) { return static_cast<double>(n) * metri_cella; }
inline double metri_punto_in_cella(std::int64_t n) { return static_cast<double>(n - 1) * metri_cella; }

}  // namespace scen
