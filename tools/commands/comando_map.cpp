// map: the route drawn from a folder's binary files, as SVG, PNG, PDF or an
// HTML viewer by the output file's extension.
#include <cmath>
#include <memory>
#include <ostream>

#include "commands/comandi.h"
#include "formats/cartella_scenario.h"
#include "map/mappa.h"
#include "model/misure.h"
#include "platform/folder.h"
#include "platform/path_text.h"
#include "text/testo_utf8.h"

namespace scen::tool {
namespace {

struct opzioni_map {
  std::string dir = ".";
  opzioni_identita identita;
  std::string file;  // empty: <route>_<train>_map.svg in DIR
  std::optional<double> da_km, a_km;
};

int esegui_map(const opzioni_map& o, std::ostream& out, std::ostream& err) {
  const std::filesystem::path dir = path_from_utf8(o.dir);
  const identita id = identita_della_cartella(dir, o.identita);
  const std::filesystem::path output_path =
      o.file.empty() ? dir / path_from_utf8(id.nome_linea + "_" + id.nome_treno + "_map.svg") : path_from_utf8(o.file);
  const formato_mappa formato = formato_del_file(output_path);
  rifiuta_uscita_su_ingressi(output_path, file_binari(dir, id), "map never writes over the files it draws");
  opzioni_mappa om;
  if (o.da_km) om.da = *o.da_km * 1000;
  if (o.a_km) om.a = *o.a_km * 1000;
  for (const auto& v : {o.da_km, o.a_km}) {
    if (v && (!std::isfinite(*v) || *v < 0))
      throw errore_uso("--from and --to are kilometres from the route's start, 0 or more");
  }
  if (om.da && om.a && *om.a <= *om.da) throw errore_uso("--to must be beyond --from");

  std::string perche;
  file_scenario f = leggi_file_scenario(dir, id);
  // A folder that would not load in the simulator is still drawn: the map
  // is how its author finds out why.
  for (const std::string& p : verifica_scenario(f, id)) om.problemi.push_back(leggibile_da_1252(p));
  auto d = decodifica_scenario(std::move(f), dir, id, perche);
  if (!d) {
    err << "scenario-tool: " << perche << '\n';
    return exit_status::problem;
  }
  if (!d->planimetria) err << "scenario-tool: note: " << d->senza_piano << "; the map has no plan view\n";
  if (om.da && *om.da >= metri_inizio_cella(static_cast<std::int64_t>(d->celle.size()))) {
    throw errore_uso("--from is beyond the end of the route's track");
  }
  for (const std::string& a : om.problemi) err << "scenario-tool: warning: " << a << '\n';
  scrivi_mappa_in_file(*d, om, formato, output_path);
  out << utf8_of(output_path) << '\n';
  return exit_status::clean;
}

}  // namespace

comando registra_map(CLI::App& app, const command_entry& entry) {
  auto o = std::make_shared<opzioni_map>();
  CLI::App* sub = add_command(app, entry);
  bind_option(*sub, entry, "DIR", o->dir);
  aggiungi_identita(*sub, entry, o->identita);
  bind_option(*sub, entry, "-o,--output", o->file);
  bind_option(*sub, entry, "--from", o->da_km);
  bind_option(*sub, entry, "--to", o->a_km);
  return {sub, [o](std::ostream& out, std::ostream& err) { return esegui_map(*o, out, err); }};
}

}  // namespace scen::tool
