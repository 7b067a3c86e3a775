// scenario: writes the embedded scenario's sources and documents into its own
// folder, compiles the sources and writes the three binary files.
#include <cstdlib>
#include <memory>
#include <string>

#include "app/cartella.h"
#include "app/esecuzione.h"
#include "app/finestra.h"
#include "app/uscita.h"

#ifdef SCENARIO_HAS_FLTK
#include <dlfcn.h>

#include <cstring>

namespace scen {
namespace {

// The real window, when a display can be opened; nothing otherwise. It lives
// in a module beside the program, loaded only when there is a display to
// show it on; without the module the run goes on with the console.
std::unique_ptr<finestra> carica_finestra_grafica() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') return nullptr;
  const auto modulo = cartella_programma() / SCENARIO_MODULO_FINESTRA;
  // Never closed: the window's code must stay until the program ends.
  void* h = ::dlopen(modulo.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (h == nullptr) return nullptr;
  void* simbolo = ::dlsym(h, "scenario_apri_finestra");
  if (simbolo == nullptr) return nullptr;
  finestra* (*apri)() = nullptr;
  std::memcpy(&apri, &simbolo, sizeof apri);
  return std::unique_ptr<finestra>(apri());
}

}  // namespace
}  // namespace scen
#endif

int main() {
  using namespace scen;
  uscita_su_descrittore errori(2);
  try {
    std::unique_ptr<finestra> f;
#ifdef SCENARIO_HAS_FLTK
    f = carica_finestra_grafica();
#endif
    if (!f) f = std::make_unique<finestra_console>(errori);
    cartella dove(cartella_programma());
    return esegui_scenario(dove, *f, errori);
  } catch (const guasto_piattaforma& g) {
    errori.scrivi("scenario: " + g.file().string() + ": " + g.motivo() + '\n');
    return stato_uscita::piattaforma;
  } catch (const std::exception& e) {
    errori.scrivi(std::string("scenario: ") + e.what() + '\n');
    return stato_uscita::piattaforma;
  }
}
