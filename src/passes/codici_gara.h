// The two check codes derived from the scenario identity, as found in the
// copies held by entries 86 (train number) and 85 (route name).
#pragma once

#include <cstdint>
#include <string_view>

namespace scen {

inline constexpr std::string_view riempitivo = "eeggkkmmpprrssttvvwwxxyyzz";

// Plain sum of the first 25 bytes of lower(train + route) + filler.
std::int16_t codice_gara_og(std::string_view nome_treno, std::string_view nome_linea);
// The same bytes weighted by their position, 1 to 25.
std::int32_t codice_gara_st(std::string_view nome_treno, std::string_view nome_linea);

}  // namespace scen
