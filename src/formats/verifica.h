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

// Whether the three files come from one compile, by what they say about each
// other: the route length of the summary against the track's cells and the
// plan view's metres, the station end markers of the track against the
// stations of the summary. When two relations fail and both involve one
// file, that file is named as the one that does not belong; otherwise the
// pair that disagrees is named. Empty when they agree, or when a file is
// missing or unreadable (verifica_scenario says so).
std::vector<std::string> verifica_insieme(const file_scenario& f, const identita& id);

}  // namespace scen
