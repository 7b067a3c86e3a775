// The map in a build without cairo (the Windows build): every image format
// of the map is drawn through cairo, so the command says what is missing
// instead of writing a file.
#include "comandi.h"
#include "mappa.h"

namespace scen::tool {

std::string disegna_mappa(const dati_mappa&, formato_mappa formato) {
  throw errore_uso(std::string("this build of scenario-tool has no cairo, which draws the map's ") +
                   (formato == formato_mappa::png ? "PNG" : "SVG") +
                   " image; build it with cairo (on Linux: scripts/install-deps.sh, then cmake)");
}

}  // namespace scen::tool
