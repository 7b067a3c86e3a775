// The cell work of the compile step, one function per kind of feature. Each
// works on the model through the checked access: a cell outside the track is
// a run-time failure at the moment it would be touched.
#pragma once

#include <cstdint>

#include "model/modello.h"

namespace scen {

// Reorders the kilometric zones in entries 81 to 83 and adds 100 to the
// progressive of each zone whose flag is 1.
void progressive_ordina(modello& m);

// Records one mountain zone; may change `tipo` (above 10: markers; close to
// the previous zone: 3).
void memo_montagna(modello& m, std::int32_t& inizio, std::int32_t& fine, std::int32_t& tipo);

// Places one maximum-speed board, or records code 21 when its cell is taken.
void memo_indicatori_v_max(modello& m, std::int32_t posizione, std::int32_t vas, std::int32_t vbs, std::int32_t vcs,
                           std::int32_t strisces, std::int32_t vad, std::int32_t vbd, std::int32_t vcd,
                           std::int32_t strisced);

// Places one signal and its four approach markers, or records code 16. May
// raise `tempo` to 101.
void memo_segnale(modello& m, std::int32_t posizione, std::int32_t sx, std::int32_t s1, std::int32_t s2,
                  std::int32_t s3, std::int32_t rapp, std::int32_t dx, std::int32_t d1, std::int32_t d2,
                  std::int32_t d3, std::int32_t& tempo);

// Places one slowdown (end, start, warning board and the four cells before
// it), or records code 17, 18, 19 or 20.
void memo_rallentamento(modello& m, std::int32_t x, std::int32_t v, std::int32_t l, std::int32_t f_tt,
                        std::int32_t f_ta, std::int32_t d_v);

}  // namespace scen
