// File names of one scenario, built from its identity.
#pragma once

#include <string>

namespace scen {

struct identita {
  std::string nome_linea;
  std::string nome_treno;
};

// The identity the main program carries.
identita identita_incorporata();

std::string nome_sorgente_linea(const identita& id);   // <route>_linea.txt
std::string nome_sorgente_treno(const identita& id);   // <route>_<train>-.txt
std::string nome_note(const identita& id);             // <route>_<train>_note.txt
std::string nome_rallentamenti(const identita& id);    // <route>_<train>_rallentamenti.txt
std::string nome_scheda(const identita& id);           // <route>_<train>_scheda_treno.txt
std::string nome_file_linea(const identita& id);       // <route>_linea.dat
std::string nome_file_sommario(const identita& id);    // <route>_<train>.sim
std::string nome_file_percorso(const identita& id);    // <route>_<train>.dat

}  // namespace scen
