#include "passes/marcatori.h"

#include <stdexcept>

#include "passes/codici_gara.h"

namespace scen {

std::optional<std::string> timbra_marcatori(modello& m) {
  if (!m.percorso || m.percorso->size() < 2) throw std::logic_error("the marker step needs cells 0 and 1");
  cella& prima = (*m.percorso)[1];
  stazione& linea = m.stazioni[voce::linea];
  const stazione& treno = m.stazioni[voce::treno];

  if (linea.gruppo_a1 != 0 || prima.valore1 != 0) return "1250";
  linea.gruppo_a1 = marcatore_sommario;
  prima.valore1 = marcatore_percorso;

  if (linea.orario != 0 || prima.valore2 != 0) return "1251";
  linea.orario = codice_gara_st(treno.nome, linea.nome);
  prima.valore2 = codice_gara_og(treno.nome, linea.nome);
  return std::nullopt;
}

}  // namespace scen
