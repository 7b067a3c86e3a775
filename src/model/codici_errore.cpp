#include "model/codici_errore.h"

#include <fmt/format.h>

#include <array>

namespace scen {
namespace {

constexpr std::array<voce_errore, 26> errori{{
    {1, "route length is above 1000000 m", false},
    {2, "a kilometric zone's start or progressive is not a multiple of 50 m", false},
    {3, "cab-signal repetition start is not a multiple of 50 m", false},
    {4, "cab-signal repetition end is not a multiple of 50 m", false},
    {5, "cab-signal repetition key names neither 4 nor 9 codes", false},
    {6, "indication board at {pos} m stands on a cell that already holds an object", true},
    {7, "code line at {pos} m stands on a cell that already holds an object", true},
    {8, "station position {pos} m is not a multiple of 50 m", true},
    {9, "station at {pos} m has a length that is not a multiple of 100 m", true},
    {10, "the station table is full (stations meet the indication board texts)", false},
    {11, "no free cell for a code point before the signal at {pos} m ahead of a slowdown warning board", true},
    {12, "no free cell for an approach code point of the slowdown starting near {pos} m", true},
    {13, "no free cell for a code point near {pos} m along or after a slowdown", true},
    {15, "position {pos} m is too close to the end of the track (100 m before it, 800 m for a station)", true},
    {16, "signal at {pos} m stands on a cell that already holds an object", true},
    {17, "slowdown at {pos} m: its warning board falls on a cell that already holds an object", true},
    {18, "slowdown at {pos} m: its start falls on a cell that already holds an object", true},
    {19, "slowdown at {pos} m: its end falls on a cell that already holds an object", true},
    {20, "slowdown at {pos} m: the four cells before its warning board are not free", true},
    {21, "maximum-speed board at {pos} m stands on a cell that already holds an object", true},
    {22, "station at {pos} m starts less than 350 m after the end of the previous station", true},
    {24, "a station's zone ends at 100 m or before, so its end marker would fall on cell 1 or before", false},
    {25,
     "run-time failure: a value outside the model or its field, an unreadable number, or a read past the end of a "
     "source",
     false},
    {101, "route source not found", false},
    {102, "the route source has no \"[generale]\" line before its last field", false},
    {103, "curve key without a digit 1 to 6, or the plan view passes metre 1000000", false},
}};

}  // namespace

std::span<const voce_errore> tabella_errori() { return errori; }

const voce_errore* cerca_errore(std::int32_t codice) {
  for (const auto& e : errori) {
    if (e.codice == codice) return &e;
  }
  return nullptr;
}

std::string messaggio_errore(std::int32_t codice, std::int32_t posizione) {
  const voce_errore* e = cerca_errore(codice);
  if (e == nullptr) return fmt::format("unknown error code {}", codice);
  std::string testo(e->messaggio);
  const auto at = testo.find("{pos}");
  if (at != std::string::npos) testo.replace(at, 5, std::to_string(posizione));
  return testo;
}

}  // namespace scen
