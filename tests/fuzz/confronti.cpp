#include <bit>

#include "formato.h"

namespace scen::fuzz {

bool piani_identici(const piano& a, const piano& b) {
  if (a.ultimo_metro() != b.ultimo_metro()) return false;
  for (int coordinata = 0; coordinata < 2; ++coordinata) {
    for (std::int32_t metro = 0; metro <= a.ultimo_metro(); ++metro) {
      if (a.tag(metro, coordinata) != b.tag(metro, coordinata)) return false;
      if (a.tag(metro, coordinata) == tag_piano::vuoto) continue;
      if (std::bit_cast<std::uint64_t>(a.numero(metro, coordinata)) !=
          std::bit_cast<std::uint64_t>(b.numero(metro, coordinata))) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace scen::fuzz
