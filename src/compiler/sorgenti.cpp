#include "compiler/sorgenti.h"

#include "model/accesso.h"

namespace scen {
namespace {

std::optional<std::string> leggi_sorgente(const folder& dove, const std::string& nome) {
  try {
    return dove.read(nome);
  } catch (const platform_error& g) {
    throw guasto_esecuzione(g.what());
  }
}

}  // namespace

sorgenti_in_cartella::sorgenti_in_cartella(folder& dove, const identita& id)
    : dove_(dove), nome_linea_(nome_sorgente_linea(id)), nome_treno_(nome_sorgente_treno(id)) {}

std::optional<std::string> sorgenti_in_cartella::leggi_linea() { return leggi_sorgente(dove_, nome_linea_); }
std::optional<std::string> sorgenti_in_cartella::leggi_treno() { return leggi_sorgente(dove_, nome_treno_); }
void sorgenti_in_cartella::elimina_linea() { dove_.remove(nome_linea_); }
void sorgenti_in_cartella::elimina_treno() { dove_.remove(nome_treno_); }

}  // namespace scen
