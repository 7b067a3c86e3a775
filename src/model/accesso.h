// The one checked way to reach a cell, a metre of the plan view or an entry
// of the station table. Inside the compile step any access outside the model
// is a run-time failure (code 25), raised at the moment it would happen.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "model/modello.h"

namespace scen {

// A run-time failure of the compile step. The compiler's failure path turns
// it into code 25; outside the compiler it must never escape.
class guasto_esecuzione : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

cella& cella_di(modello& m, std::int64_t indice);
const cella& cella_di(const modello& m, std::int64_t indice);
stazione& voce_di(modello& m, std::int64_t indice);
// Checks the metre and the coordinate of the plan view and returns the plan.
piano& piano_al_metro(modello& m, std::int64_t metro, int coordinata);

// Store helpers: the value must fit the field, else a run-time failure.
std::int16_t in_16(std::int64_t v, const char* campo);
std::uint8_t in_8(std::int64_t v, const char* campo);
std::int32_t in_32(std::int64_t v, const char* campo);
// A text of the station table is stored with a 16-bit length: at most 65535 bytes.
const std::string& in_testo(const std::string& t, const char* campo);

}  // namespace scen
