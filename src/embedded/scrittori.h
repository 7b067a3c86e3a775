// The five writers: route source, train source, notes, slowdown order and
// timetable sheet, each its fixed table of lines written into a folder.
#pragma once

#include "model/nomi_file.h"
#include "platform/folder.h"

namespace scen {

void dati_linea(file_writer& files, const identita& id);
void dati_treno(file_writer& files, const identita& id);
void dati_note(file_writer& files, const identita& id);
void dati_rallentamenti(file_writer& files, const identita& id);
void dati_scheda(file_writer& files, const identita& id);

}  // namespace scen
