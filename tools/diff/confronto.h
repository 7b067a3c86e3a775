// Two compiled scenarios compared by meaning: what an author changed, in
// running order, as one line per change with its stretch in metres.
#pragma once

#include <string>
#include <vector>

#include "diff/differenze_byte.h"
#include "formats/cartella_scenario.h"
#include "platform/folder.h"

namespace scen::tool {

struct cambio {
  double da = 0, a = 0;  // the stretch it concerns, metres (in the later version)
  std::string testo;     // UTF-8, one line
};

// Every change from `prima` to `dopo`, in running order; empty when they
// mean the same. Profiles and the plan view come as changed ranges, and a
// stretch where a profile changes in many steps as one line, so that a
// large change stays readable. `spiegati` gets the fields of the files that
// each change tells, so that their bytes are not told again.
std::vector<cambio> confronta(const scenario_decodificato& prima, const scenario_decodificato& dopo,
                              campi_spiegati& spiegati);

// A place and a stretch in metres with the line's kilometrage (of `d`), as
// the changes give them: "16900 m (km 66.000)", "from ... to ...".
std::string luogo_in_linea(const scenario_decodificato& d, double metri);
std::string tratto_in_linea(const scenario_decodificato& d, double da, double a);

// The two versions in one HTML viewer (the map's), side by side, with the
// changes listed and their stretches highlighted, and under them the byte
// differences no change tells (`byte`, the lines of the text).
void scrivi_html_confronto(const scenario_decodificato& prima, const scenario_decodificato& dopo,
                           const std::vector<cambio>& cambi, const std::vector<std::string>& byte, byte_sink& out);

}  // namespace scen::tool
