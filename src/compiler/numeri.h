// Number rules of the compile step: positions map to cells by real division
// rounded to the nearest whole number, halves to even (model/misure.h);
// "low N bits" values wrap.
#pragma once

#include <cstdint>

#include "model/misure.h"

namespace scen {

// Cell of a point feature at `p` metres: p / 50 + 1, rounded.
inline std::int64_t cella_punto(std::int64_t p) { return arrotonda(static_cast<double>(p) / metri_cella + 1.0); }
// Cell of a profile change or a code line at `p` metres: p / 50, rounded.
inline std::int64_t cella_profilo(std::int64_t p) { return arrotonda(static_cast<double>(p) / metri_cella); }

inline std::int16_t basso_16(std::int64_t v) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFF));
}
inline std::uint8_t basso_8(std::int64_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

}  // namespace scen
