// Number rules of the compile step: positions map to cells by real division
// rounded to the nearest whole number, halves to even; "low N bits" values wrap.
#pragma once

#include <cmath>
#include <cstdint>

namespace scen {

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

// Cell of a point feature at `p` metres: p / 50 + 1, rounded.
inline std::int64_t cella_punto(std::int64_t p) { return arrotonda(static_cast<double>(p) / 50.0 + 1.0); }
// Cell of a profile change or a code line at `p` metres: p / 50, rounded.
inline std::int64_t cella_profilo(std::int64_t p) { return arrotonda(static_cast<double>(p) / 50.0); }

inline std::int16_t basso_16(std::int64_t v) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFF)); }
inline std::uint8_t basso_8(std::int64_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

}  // namespace scen
