#include "model/testo.h"

namespace scen {

std::string minuscole(std::string_view testo) {
  std::string r(testo);
  for (char& c : r) c = static_cast<char>(minuscola(static_cast<unsigned char>(c)));
  return r;
}

}  // namespace scen
