#include "compiler/sorgenti.h"

namespace scen {

// A source that cannot be read (an input/output error, a failed look-up) is
// a failure of the platform and passes through the compile step as one: the
// sources are not at fault, and the run must not go on as if they were.
sorgenti_in_cartella::sorgenti_in_cartella(folder& dir, const identita& id)
    : dir_(dir), nome_linea_(nome_sorgente_linea(id)), nome_treno_(nome_sorgente_treno(id)) {}

std::optional<std::string> sorgenti_in_cartella::leggi_linea() { return dir_.read(nome_linea_); }
std::optional<std::string> sorgenti_in_cartella::leggi_treno() { return dir_.read(nome_treno_); }
void sorgenti_in_cartella::elimina_linea() { dir_.remove(nome_linea_); }
void sorgenti_in_cartella::elimina_treno() { dir_.remove(nome_treno_); }

}  // namespace scen
