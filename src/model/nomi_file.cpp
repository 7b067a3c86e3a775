#include "model/nomi_file.h"

namespace scen {

identita identita_incorporata() { return {"Ardena_VelmoraCle", "4713"}; }

std::string nome_sorgente_linea(const identita& id) { return id.nome_linea + "_linea.txt"; }
std::string nome_sorgente_treno(const identita& id) { return id.nome_linea + "_" + id.nome_treno + "-.txt"; }
std::string nome_note(const identita& id) { return id.nome_linea + "_" + id.nome_treno + "_note.txt"; }
std::string nome_rallentamenti(const identita& id) {
  return id.nome_linea + "_" + id.nome_treno + "_rallentamenti.txt";
}
std::string nome_scheda(const identita& id) { return id.nome_linea + "_" + id.nome_treno + "_scheda_treno.txt"; }
std::string nome_file_linea(const identita& id) { return id.nome_linea + "_linea.dat"; }
std::string nome_file_sommario(const identita& id) { return id.nome_linea + "_" + id.nome_treno + ".sim"; }
std::string nome_file_percorso(const identita& id) { return id.nome_linea + "_" + id.nome_treno + ".dat"; }

}  // namespace scen
