#include "writers/scrittori.h"

namespace scen {

// Not built yet: the writers write nothing.
void dati_linea(cartella&, const identita&) {}
void dati_treno(cartella&, const identita&) {}
void dati_note(cartella&, const identita&) {}
void dati_rallentamenti(cartella&, const identita&) {}
void dati_scheda(cartella&, const identita&) {}

}  // namespace scen
