// scenario: writes the embedded scenario's sources and documents into its own
// folder, compiles the sources and writes the three binary files.
#include <cstdlib>
#include <iostream>
#include <memory>

#include "app/cartella.h"
#include "app/esecuzione.h"
#include "app/finestra.h"

#ifdef SCENARIO_HAS_FLTK
namespace scen {
// The real window, when a display can be opened; nothing otherwise.
std::unique_ptr<finestra> apri_finestra_fltk();
}  // namespace scen
#endif

int main() {
  using namespace scen;
  try {
    std::unique_ptr<finestra> f;
#ifdef SCENARIO_HAS_FLTK
    f = apri_finestra_fltk();
#endif
    if (!f) f = std::make_unique<finestra_console>(std::cerr);
    cartella dove(cartella_programma());
    return esegui_scenario(dove, *f, std::cerr);
  } catch (const guasto_piattaforma& g) {
    std::cerr << "scenario: " << g.file().string() << ": " << g.motivo() << '\n';
    return stato_uscita::piattaforma;
  } catch (const std::exception& e) {
    std::cerr << "scenario: " << e.what() << '\n';
    return stato_uscita::piattaforma;
  }
}
