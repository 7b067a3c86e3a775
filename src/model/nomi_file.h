// File names of one scenario, built from its identity.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scen {

struct identita {
  std::string nome_linea;
  std::string nome_treno;
};

// The identity the main program carries.
identita identita_incorporata();

std::string nome_sorgente_linea(const identita& id);  // <route>_linea.txt
std::string nome_sorgente_treno(const identita& id);  // <route>_<train>-.txt
std::string nome_note(const identita& id);            // <route>_<train>_note.txt
std::string nome_rallentamenti(const identita& id);   // <route>_<train>_rallentamenti.txt
std::string nome_scheda(const identita& id);          // <route>_<train>_scheda_treno.txt
std::string nome_file_linea(const identita& id);      // <route>_linea.dat
std::string nome_file_sommario(const identita& id);   // <route>_<train>.sim
std::string nome_file_percorso(const identita& id);   // <route>_<train>.dat

// Every file a run of the identity writes or reads, in the order of the run:
// the two sources, the three documents, the three binary files.
std::vector<std::string> nomi_della_corsa(const identita& id);

// Why the identity cannot name a scenario's files, or nothing when it can.
// Refused: an empty name; a name that would put a file outside its folder
// ("/", "\\", ".."); a name that is not a file name on Windows too (the
// characters < > : " | ? * and control characters, a trailing dot or blank,
// a device name before its first dot: CON, PRN, AUX, NUL, CONIN$, CONOUT$,
// COM0-COM9 and LPT0-LPT9 with the superscripts 1, 2 and 3 as well, in any
// case, with the blanks Windows strips); and an identity that gives two of its files the same name, letter
// case aside ("--train-number linea" makes the track file the line data
// file).
// `come_linea` and `come_treno` are how the message calls the two names.
std::optional<std::string> problema_identita(const identita& id, std::string_view come_linea = "route name",
                                             std::string_view come_treno = "train number");

}  // namespace scen
