// export: the embedded scenario's two sources and three documents, written
// exactly as the run writes them, as a starting point for an author.
#include <memory>
#include <ostream>
#include <vector>

#include "commands/comandi.h"
#include "embedded/scrittori.h"
#include "io/output_file.h"
#include "platform/folder.h"
#include "platform/folder_lock.h"
#include "platform/path_text.h"
#include "run/pipeline.h"

namespace scen::tool {
namespace {

struct opzioni_export {
  std::string dir = ".";
};

int esegui_export(const opzioni_export& o, std::ostream& out, std::ostream& err) {
  const identita id = identita_incorporata();
  const std::filesystem::path base = path_from_utf8(o.dir);
  prepare_folder(base);
  folder dir(base);
  const std::vector<std::string> nomi{nome_sorgente_linea(id), nome_sorgente_treno(id), nome_note(id),
                                      nome_rallentamenti(id), nome_scheda(id)};
  const folder_lock lock(dir.base());
  repair_interrupted_set(dir, err);
  dir.remove_stale_temporaries(nomi, eta_temporanei_abbandonati);
  // The five files replace the earlier ones as one set.
  file_set files(dir);
  dati_linea(files, id);
  dati_treno(files, id);
  dati_note(files, id);
  dati_rallentamenti(files, id);
  dati_scheda(files, id);
  files.commit();
  for (const std::string& nome : nomi) {
    out << utf8_of(dir.path_of(nome).lexically_normal()) << '\n';
  }
  return exit_status::clean;
}

}  // namespace

comando registra_export(CLI::App& app, const command_entry& entry) {
  auto o = std::make_shared<opzioni_export>();
  CLI::App* sub = add_command(app, entry);
  bind_option(*sub, entry, "-o,--output", o->dir);
  return {sub, [o](std::ostream& out, std::ostream& err) { return esegui_export(*o, out, err); }};
}

}  // namespace scen::tool
