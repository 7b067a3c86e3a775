// The steps that finish a compiled model, in their one order: the code pass
// places the cab-signal code points, then the marker step stamps the format
// markers and check codes over the finished cells. The run and `lint` both
// go through here, so that neither can take the steps in another order.
#pragma once

#include <optional>
#include <string>

#include "model/modello.h"

namespace scen {

// Runs the code pass, then the marker step, on a model that holds its cells.
// Returns the marker step's fatal text ("1250", "1251"), nothing otherwise.
// An error of the code pass is recorded in the model (`codice_errore`) and
// does not stop the markers.
std::optional<std::string> completa_modello(modello& m);

}  // namespace scen
