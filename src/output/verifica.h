// Checks a set of the three binary files against each other and against the
// scenario identity, as the simulator relies on them: the sizes that follow
// from the route length, the two format markers, the two check codes and
// the type tags of the line data file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/nomi_file.h"

namespace scen {

// The bytes of the three files; nothing for a file that is not there.
struct file_scenario {
  std::optional<std::string> linea;
  std::optional<std::string> sommario;
  std::optional<std::string> percorso;
};

// Every problem found, one English sentence each, starting with the name of
// the file it concerns; empty when the files are consistent.
std::vector<std::string> verifica_scenario(const file_scenario& f, const identita& id);

}  // namespace scen
