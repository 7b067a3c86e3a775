// The route map: the plan view of the line with its stations and line-side
// objects, and under it a long section along the distance with the gradient,
// the train's speed limit and the adhesion.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "model/modello.h"
#include "model/nomi_file.h"

namespace scen::tool {

// What the map is drawn from: the decoded summary and track files, and the
// plan view when the line data file is there and decodes.
struct dati_mappa {
  identita id;
  std::array<stazione, numero_stazioni> voci{};
  std::vector<cella> celle;
  std::optional<piano> planimetria;
  std::string senza_piano;  // why there is no plan view, when there is none
};

enum class formato_mappa { svg, png };

// The image's bytes, in the given format.
std::string disegna_mappa(const dati_mappa& d, formato_mappa formato);

}  // namespace scen::tool
