#include "embedded/scrittori.h"

#include "embedded/righe.h"
#include "embedded/scrittura.h"
#include "embedded/testi.h"

namespace scen {

// The text of every file is the scenario's own; the identity names the file only.
void dati_linea(file_writer& files, const identita& id) {
  scrivi_tabella(files, nome_sorgente_linea(id), riempi_tabella(righe_linea()));
}
void dati_treno(file_writer& files, const identita& id) {
  scrivi_tabella(files, nome_sorgente_treno(id), riempi_tabella(righe_treno()));
}
void dati_note(file_writer& files, const identita& id) {
  scrivi_tabella(files, nome_note(id), riempi_tabella(righe_note()));
}
void dati_rallentamenti(file_writer& files, const identita& id) {
  scrivi_tabella(files, nome_rallentamenti(id), riempi_tabella(righe_rallentamenti()));
}
void dati_scheda(file_writer& files, const identita& id) {
  scrivi_tabella(files, nome_scheda(id), riempi_tabella(righe_scheda()));
}

std::string testo_linea() { return testo_tabella(riempi_tabella(righe_linea())); }
std::string testo_treno() { return testo_tabella(riempi_tabella(righe_treno())); }
std::string testo_note() { return testo_tabella(riempi_tabella(righe_note())); }
std::string testo_rallentamenti() { return testo_tabella(riempi_tabella(righe_rallentamenti())); }
std::string testo_scheda() { return testo_tabella(riempi_tabella(righe_scheda())); }

}  // namespace scen
