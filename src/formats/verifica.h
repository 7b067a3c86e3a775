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

// One tie between the files of a set that check compares: its name, the
// files it ties, and whether they agree (nothing when a file is missing or
// unreadable, so that the link could not be compared); when they do not,
// what one file holds against what the other says.
struct legame {
  std::string nome;
  std::vector<std::string> file;
  std::optional<bool> ok;
  std::string perche;
};

// A problem of the set: the file it names, or the two files of which one
// does not belong when the links cannot tell which; the text starts with the
// first of them.
struct problema_insieme {
  std::vector<std::string> file;
  std::string testo;
};

struct esito_insieme {
  std::vector<legame> legami;
  std::vector<problema_insieme> problemi;
};

// Whether the three files come from one compile, by what they say about each
// other: the route length of the summary against the track's cells and the
// plan view's metres, the stations of the summary against the track's end
// markers and approach cells, the summary's board texts against the track's
// indication boards; and, listed as links, the format markers and the check
// codes (og holds the summary's names). When the failed links of two pairs
// share one file, that file is named as the one that does not belong;
// otherwise the pair that disagrees is named. No problem when they agree, or
// for a link whose file is missing or unreadable (verifica_scenario says so).
esito_insieme confronta_insieme(const file_scenario& f, const identita& id);

// The texts of confronta_insieme's problems.
std::vector<std::string> verifica_insieme(const file_scenario& f, const identita& id);

}  // namespace scen
