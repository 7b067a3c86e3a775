// scenario: writes the embedded scenario's sources and documents into its own
// folder, compiles the sources and writes the three binary files. The one
// place that shows the user what happened and chooses the exit status.
#include <memory>
#include <new>
#include <string>

#include "platform/exit_status.h"
#include "platform/folder.h"
#include "platform/text_sink.h"
#include "platform/window.h"
#include "run/pipeline.h"

namespace {

// A failure that ends the run: its box when there is a display (a user who
// started the program from the desktop sees no console), its line otherwise.
int report_failure(scen::window* w, scen::text_sink& err, const std::string& text, int status) {
  if (w != nullptr) w->message(text);
  if (dynamic_cast<scen::console_window*>(w) == nullptr) err.write(text + '\n');
  return status;
}

}  // namespace

int main() {
  using namespace scen;
  stderr_sink err;
  std::unique_ptr<window> w;
  try {
    w = open_window(err);
    w->show_waiting();
    folder dove(program_folder());
    modello m;
    const esito_percorso esito = esegui_scenario(dove, m);
    if (esito.fatale) {
      w->message(testo_fatale(*esito.fatale));
      return exit_status::fatal;
    }
    const std::string riga = riga_errore_finale(m);
    if (riga.empty()) return exit_status::clean;
    err.write(riga);
    return exit_status::problem;
  } catch (const platform_error& g) {
    return report_failure(w.get(), err, "scenario: " + g.file().string() + ": " + g.reason(), exit_status::failure);
  } catch (const std::bad_alloc&) {
    return report_failure(w.get(), err, "scenario: out of memory", exit_status::out_of_memory);
  } catch (const std::exception& e) {
    return report_failure(w.get(), err, std::string("scenario: ") + e.what(), exit_status::failure);
  }
}
