#include "model/testo.h"

#include <algorithm>
#include <vector>

namespace scen {

std::string minuscole(std::string_view testo) {
  std::string r(testo);
  for (char& c : r) c = static_cast<char>(minuscola(static_cast<unsigned char>(c)));
  return r;
}

std::size_t distanza(std::string_view a, std::string_view b) {
  std::vector<std::size_t> riga(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) riga[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonale = riga[0];
    riga[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t sopra = riga[j];
      riga[j] = std::min({riga[j] + 1, riga[j - 1] + 1, diagonale + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonale = sopra;
    }
  }
  return riga[b.size()];
}

}  // namespace scen
