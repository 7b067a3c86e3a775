#include "passes/passi.h"

#include "passes/marcatori.h"
#include "passes/passo_codici.h"

namespace scen {

std::optional<std::string> completa_modello(modello& m) {
  passo_codici(m);
  return timbra_marcatori(m);
}

}  // namespace scen
