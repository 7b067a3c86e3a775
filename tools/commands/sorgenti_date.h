// The two sources compile and lint are given, looked at before anything is
// compiled, so that no slip of the command line reaches the binary files
// without a word: one source given twice, the two given the wrong way round,
// and the scenario's identity taken from the sources' file names.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "commands/comandi.h"

namespace scen::tool {

// The identity two source file names show: route X and train N when they
// are "X_linea.txt" and "X_N-.txt" (the train number is what follows the
// last "_", as in the folder's file names); nothing when either name does
// not follow the pattern. Names that follow it but name two routes are
// refused (errore_uso naming both).
std::optional<identita> identita_dai_nomi(const std::string& linea, const std::string& treno);

// Checks the sources `linea` and `treno` as the command line gives them, and
// settles the identity in `id`. Refused (errore_uso, exit status 2): a source
// that cannot be read; one file given for both, under one path or two, or
// two files with the same bytes that read as a source; a route source that is clearly a train
// source or a train source that is clearly a route source
// (compiler/riconosci); an identity that cannot name the scenario's files.
// When both file names follow the pattern, the identity is theirs for each
// part no option gives, and a note on `err` says so when that changes it.
// Returns the two sources' bytes, read once for the checks and the compile.
struct sorgenti_lette {
  std::string linea;
  std::string treno;
};
sorgenti_lette prepara_sorgenti(const std::string& linea, const std::string& treno, opzioni_identita& id,
                                std::ostream& err);

}  // namespace scen::tool
