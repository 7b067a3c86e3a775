// The five writers: route source, train source, notes, slowdown order and
// timetable sheet, each its fixed table of lines written into a folder.
#pragma once

#include "app/cartella.h"
#include "model/nomi_file.h"

namespace scen {

void dati_linea(cartella& dove, const identita& id);
void dati_treno(cartella& dove, const identita& id);
void dati_note(cartella& dove, const identita& id);
void dati_rallentamenti(cartella& dove, const identita& id);
void dati_scheda(cartella& dove, const identita& id);

}  // namespace scen
