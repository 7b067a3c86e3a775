#include "embedded/scrittura.h"

#include <algorithm>
#include <stdexcept>

namespace scen {

tabella_righe riempi_tabella(std::span<const std::string_view> righe) {
  if (righe.size() >= posti_tabella) {
    throw std::length_error("a writer's table holds at most " + std::to_string(posti_tabella - 1) +
                            " lines before its end marker");
  }
  tabella_righe tabella{};
  std::copy(righe.begin(), righe.end(), tabella.begin());
  tabella[righe.size()] = fine_del_file;
  return tabella;
}

std::string testo_tabella(const tabella_righe& tabella) {
  std::string byte;
  for (std::string_view riga : tabella) {
    if (riga == fine_del_file) break;
    byte.append(riga);
    byte.append(fine_riga);
  }
  return byte;
}

void scrivi_tabella(file_writer& files, std::string_view nome, const tabella_righe& tabella) {
  files.write(nome, testo_tabella(tabella));
}

}  // namespace scen
