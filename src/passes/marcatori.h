// The marker and check-code step that follows the code pass.
#pragma once

#include <optional>
#include <string>

#include "model/modello.h"

namespace scen {

inline constexpr std::int16_t marcatore_percorso = 5121;  // cell 1 `valore1`
inline constexpr std::int16_t marcatore_sommario = 610;   // entry 85 `gruppo_a1`

// Stamps the two markers and the two check codes into cell 1 and entry 85.
// Returns the fatal text ("1250" when a marker slot was already used, "1251"
// when a check-code slot was) and leaves the rest unstamped; nothing on success.
// The model must hold its cells.
std::optional<std::string> timbra_marcatori(modello& m);

}  // namespace scen
