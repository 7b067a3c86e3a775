// The cell work of the compile step, one function per kind of feature: the
// reading stages read and check a line's fields, then hand the values to one
// of these, and only these write the track. Each works on the model through
// the checked access: a cell outside the track is a run-time failure at the
// moment it would be touched.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "model/modello.h"

namespace scen {

// Reorders the kilometric zones in entries 81 to 83 and adds 100 to the
// progressive of each zone whose flag is 1.
void progressive_ordina(modello& m);

// ---- Profiles: gradient, speed limit, adhesion ---------------------------

// One profile of the track cells. A profile line's value holds from its own
// cell up to the next line's cell, so the cells of a value are written when
// the next line, or the end of the source, arrives.
struct profilo {
  std::uint8_t cella::*campo;              // the byte of the cell it fills
  std::uint8_t (*in_cella)(std::int64_t);  // the value in force as that byte
  // A line's fill never writes this cell or any after it.
  std::int64_t tetto = std::numeric_limits<std::int64_t>::max();
  std::int64_t prossima = 0;   // next cell to fill
  std::int64_t in_vigore = 0;  // value in force
};

// Gradients: per mille, stored plus 100, on the low 8 bits.
profilo profilo_pendenze();
// Speed limits: km/h / 5, rounded, which must fit 8 bits; a line's fill
// stops at the last cell.
profilo profilo_velocita(const modello& m);
// Adhesion: the low 8 bits.
profilo profilo_aderenze();

// A profile line at cell `fino_a` bringing the value `nuovo`: when `fino_a`
// is above 0 the value in force fills the cells from the next one up to, not
// including, `fino_a`, and at least one cell even when the next one is
// already there or beyond (a repeated or earlier position); then `nuovo` is
// in force.
void memo_profilo(modello& m, profilo& p, std::int64_t fino_a, std::int64_t nuovo);
// The end of a profile: the value in force fills the cells from the next one
// up to, not including, `fino_a`; always at least one.
void memo_fine_profilo(modello& m, profilo& p, std::int64_t fino_a);

// ---- The route's features -------------------------------------------------

// Records one mountain zone; may change `tipo` (above 10: markers; close to
// the previous zone: 3).
void memo_montagna(modello& m, std::int32_t& inizio, std::int32_t& fine, std::int32_t& tipo);

// Places one maximum-speed board, or records code 21 when its cell is taken.
void memo_indicatori_v_max(modello& m, std::int32_t posizione, std::int32_t vas, std::int32_t vbs, std::int32_t vcs,
                           std::int32_t strisces, std::int32_t vad, std::int32_t vbd, std::int32_t vcd,
                           std::int32_t strisced);

// Places one indication board at `posizione`, whose cell the caller has found
// free, and stores its text in entry `voce_testo`, which then moves down by
// one. Entry 0 is never used: an 81st text is a run-time failure, raised
// after the cell has been written.
void memo_indicazione(modello& m, std::int32_t posizione, const std::string& testo, std::int32_t& voce_testo);

// ---- The train's features -------------------------------------------------

// The end-marker cell of a station whose zone ends at `fine`: fine / 50 - 1,
// rounded; none when that lies at cell 1 or before, which stay free for the
// markers stamped after the compile.
std::optional<std::int64_t> cella_fine_stazione(std::int32_t fine);
// The four cells before a station's end marker get `avviso` 81 (nearest) to
// 84, whatever they hold; those at cell 1 or before are skipped.
void memo_avvisi_stazione(modello& m, const stazione& e);
// The station's end marker on cell `indice`: `tipo` 10 carrying its table
// entry `voce`.
void memo_fine_stazione(modello& m, std::int64_t indice, std::int32_t voce);

// Places one signal and its four approach markers, or records code 16. May
// raise `tempo` to 101.
void memo_segnale(modello& m, std::int32_t posizione, std::int32_t sx, std::int32_t s1, std::int32_t s2,
                  std::int32_t s3, std::int32_t rapp, std::int32_t dx, std::int32_t d1, std::int32_t d2,
                  std::int32_t d3, std::int32_t& tempo);

// The cells of a slowdown starting at `x` and `l` metres long: its warning
// board (only beyond 1500 m, 1200 m before the start), start, end, and the
// first of the four cells before the board.
struct celle_rallentamento {
  bool con_avviso;
  std::int64_t avviso, inizio, fine, prima;
};
celle_rallentamento celle_del_rallentamento(std::int32_t x, std::int32_t l);

// Places one slowdown (end, start, warning board and the four cells before
// it), or records code 17, 18, 19 or 20.
void memo_rallentamento(modello& m, std::int32_t x, std::int32_t v, std::int32_t l, std::int32_t f_tt,
                        std::int32_t f_ta, std::int32_t d_v);

// Places one code line on cell p / 50, which the caller has found free: a
// code point carrying `valore` when it is above 0, else a code end.
void memo_abbattimento(modello& m, std::int32_t posizione, std::int32_t valore);

}  // namespace scen
