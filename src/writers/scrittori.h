// The five writers: route source, train source, notes, slowdown order and
// timetable sheet, each its fixed table of lines written into a folder.
#pragma once

#include "platform/folder.h"
#include "model/nomi_file.h"

namespace scen {

void dati_linea(folder& dove, const identita& id);
void dati_treno(folder& dove, const identita& id);
void dati_note(folder& dove, const identita& id);
void dati_rallentamenti(folder& dove, const identita& id);
void dati_scheda(folder& dove, const identita& id);

}  // namespace scen
