// map: the route drawn from a folder's binary files, as SVG or PNG by the
// output file's extension.
#include <memory>
#include <ostream>

#include "platform/folder.h"
#include "comandi.h"
#include "mappa.h"
#include "output/decodifica.h"

namespace scen::tool {
namespace {

struct opzioni_map {
  std::string dir = ".";
  opzioni_identita identita;
  std::string file;  // empty: <route>_<train>_map.svg in DIR
};

formato_mappa formato_da_nome(const std::filesystem::path& file) {
  std::string estensione = file.extension().string();
  for (char& c : estensione) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (estensione == ".svg") return formato_mappa::svg;
  if (estensione == ".png") return formato_mappa::png;
  throw errore_uso(file.string() + ": the map is written as SVG or PNG; name the file \".svg\" or \".png\"");
}

// Decodes one of the files the map needs, or says on `err` why it cannot.
template <typename T, typename F>
std::optional<T> decodifica_per_mappa(const std::optional<std::string>& byte, const std::filesystem::path& file,
                                      F&& decoder, std::string& perche) {
  if (!byte) {
    perche = file.string() + ": no such file";
    return std::nullopt;
  }
  try {
    return decoder(*byte);
  } catch (const errore_decodifica& e) {
    perche = file.string() + ": " + e.what();
    return std::nullopt;
  }
}

int esegui_map(const opzioni_map& o, std::ostream& out, std::ostream& err) {
  const std::filesystem::path dir(o.dir);
  const identita id = identita_della_cartella(dir, o.identita);
  const std::filesystem::path uscita_file =
      o.file.empty() ? dir / (id.nome_linea + "_" + id.nome_treno + "_map.svg") : std::filesystem::path(o.file);
  const formato_mappa formato = formato_da_nome(uscita_file);
  const file_scenario f = leggi_file_scenario(dir, id);

  dati_mappa d;
  d.id = id;
  std::string perche;
  const auto voci = decodifica_per_mappa<std::array<stazione, numero_stazioni>>(
      f.sommario, dir / nome_file_sommario(id), decodifica_sommario, perche);
  if (!voci) {
    err << "scenario-tool: " << perche << '\n';
    return exit_status::problem;
  }
  auto celle = decodifica_per_mappa<std::vector<cella>>(f.percorso, dir / nome_file_percorso(id),
                                                        decodifica_percorso, perche);
  if (!celle) {
    err << "scenario-tool: " << perche << '\n';
    return exit_status::problem;
  }
  d.voci = *voci;
  d.celle = std::move(*celle);
  d.planimetria = decodifica_per_mappa<piano>(f.linea, dir / nome_file_linea(id), decodifica_linea, perche);
  if (!d.planimetria) {
    d.senza_piano = perche;
    err << "scenario-tool: note: " << perche << "; the map has no plan view\n";
  }

  const std::string immagine = disegna_mappa(d, formato);
  const std::filesystem::path cartella_uscita =
      uscita_file.has_parent_path() ? uscita_file.parent_path() : std::filesystem::path(".");
  prepara_cartella(cartella_uscita);
  folder(cartella_uscita).write(uscita_file.filename().string(), immagine);
  out << uscita_file.string() << '\n';
  return exit_status::clean;
}

}  // namespace

comando registra_map(CLI::App& app) {
  auto o = std::make_shared<opzioni_map>();
  CLI::App* sub = app.add_subcommand(
      "map", "Draw the route from a folder's binary files: plan view and long section, as SVG or PNG");
  sub->add_option("DIR", o->dir, "Folder holding the binary files")->type_name("DIR")->capture_default_str();
  aggiungi_identita(*sub, o->identita);
  sub->add_option("-o,--output", o->file,
                  "Image file, \".svg\" or \".png\" (default: DIR/<route>_<train>_map.svg)")
      ->type_name("FILE");
  return {sub, [o](std::ostream& out, std::ostream& err) { return esegui_map(*o, out, err); }};
}

}  // namespace scen::tool
