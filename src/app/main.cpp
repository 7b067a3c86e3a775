// scenario: writes the embedded scenario's sources and documents into its own
// folder, compiles the sources and writes the three binary files. The one
// place that shows the user what happened and chooses the exit status.
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/exit_status.h"
#include "platform/folder.h"
#include "platform/folder_lock.h"
#include "platform/path_text.h"
#include "platform/process.h"
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
  prepare_process();
  try {
    w = open_window(err);
    w->show_waiting();
    folder dir(program_folder());
    modello m;
    esito_percorso esito;
    {
      // One run at a time in the folder, from before the first write until
      // the files are in place; the message box below holds no one up.
      const folder_lock lock(dir.base());
      // A set whose replacement a crash cut short is made whole first.
      if (const auto done = dir.repair_interrupted_set()) err.write("scenario: " + done->text(true) + '\n');
      dir.remove_stale_temporaries(nomi_della_corsa(identita_incorporata()), eta_temporanei_abbandonati);
      esito = esegui_scenario(dir, m);
    }
    if (esito.fatale) {
      w->message(testo_fatale(*esito.fatale));
      return exit_status::fatal;
    }
    const std::string riga = riga_errore_finale(m);
    if (riga.empty()) return exit_status::clean;
    err.write(riga);
    return exit_status::problem;
  } catch (const folder_busy& b) {
    return report_failure(w.get(), err, std::string("scenario: ") + b.what(), exit_status::busy);
  } catch (const platform_error& g) {
    return report_failure(w.get(), err, "scenario: " + utf8_of(g.file()) + ": " + g.reason(), exit_status::failure);
  } catch (const std::bad_alloc&) {
    return report_failure(w.get(), err, "scenario: out of memory", exit_status::out_of_memory);
  } catch (const std::exception& e) {
    return report_failure(w.get(), err, std::string("scenario: ") + e.what(), exit_status::failure);
  }
}
