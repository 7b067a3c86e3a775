// The cab-signal code pass: code points (tipo 12, value 180) around every
// slowdown, placed in the cells after the compile step.
#pragma once

#include <cstdint>

#include "model/modello.h"

namespace scen {

inline constexpr std::int16_t valore_codice = 180;

// The smaller of two values, `x` on a tie.
std::int16_t minimo(std::int16_t x, std::int16_t y);

// Runs steps A to D over cells 1 to the last cell but two, bounded by the
// cells themselves. Records errors 11, 12 and 13 in the model; never stops
// early and never reaches outside the cells. The model must hold its cells
// (std::logic_error otherwise).
void passo_codici(modello& m);

}  // namespace scen
