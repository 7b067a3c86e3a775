#include "compiler/riconosci.h"

#include <algorithm>

#include "compiler/chiavi.h"
#include "model/testo.h"

namespace scen {
namespace {

// The first field of a line: up to its first comma, without the blanks
// around it.
std::string_view primo_campo(std::string_view riga) {
  riga = riga.substr(0, riga.find(','));
  const auto inizio = riga.find_first_not_of(" \t");
  if (inizio == std::string_view::npos) return {};
  const auto fine = riga.find_last_not_of(" \t");
  return riga.substr(inizio, fine - inizio + 1);
}

bool tra(std::string_view intestazione, bool treno) {
  const auto note = intestazioni(treno);
  return std::find(note.begin(), note.end(), intestazione) != note.end();
}

bool presa_da(const chiave_letta& k, parte_sorgente parte) {
  const auto r = regole(parte);
  return std::any_of(r.begin(), r.end(), [&](const regola_chiave& x) { return prende(k, x.id); });
}

// The kind the field marks: a header of one source alone, or a key the
// rules of one source alone take; nothing otherwise.
genere_sorgente genere_del_campo(std::string_view campo) {
  if (campo.empty() || campo.find(segno_commento) != std::string_view::npos) return genere_sorgente::incerto;
  bool linea = false;
  bool treno = false;
  if (sembra_intestazione(campo)) {
    const std::string minuscola = minuscole(campo);
    linea = tra(minuscola, false);
    treno = tra(minuscola, true);
  } else {
    const chiave_letta k(campo);
    linea = presa_da(k, parte_sorgente::generale) || presa_da(k, parte_sorgente::sezioni);
    treno = presa_da(k, parte_sorgente::treno);
  }
  if (linea == treno) return genere_sorgente::incerto;
  return linea ? genere_sorgente::linea : genere_sorgente::treno;
}

}  // namespace

indizi_sorgente conta_indizi(std::string_view testo) {
  indizi_sorgente n;
  while (!testo.empty()) {
    // A line ends at CR LF, a lone LF or a lone CR, as the reader has it.
    const auto fine = std::min(testo.find_first_of("\r\n"), testo.size());
    switch (genere_del_campo(primo_campo(testo.substr(0, fine)))) {
      case genere_sorgente::linea:
        ++n.linea;
        break;
      case genere_sorgente::treno:
        ++n.treno;
        break;
      case genere_sorgente::incerto:
        break;
    }
    testo.remove_prefix(fine);
    if (testo.starts_with("\r\n")) {
      testo.remove_prefix(2);
    } else if (!testo.empty()) {
      testo.remove_prefix(1);
    }
  }
  return n;
}

genere_sorgente riconosci_sorgente(std::string_view testo) {
  const indizi_sorgente n = conta_indizi(testo);
  if (n.linea >= indizi_minimi && n.linea >= rapporto_minimo * n.treno) return genere_sorgente::linea;
  if (n.treno >= indizi_minimi && n.treno >= rapporto_minimo * n.linea) return genere_sorgente::treno;
  return genere_sorgente::incerto;
}

}  // namespace scen
