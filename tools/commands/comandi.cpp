#include <array>
#include <system_error>
#include <vector>

#include "commands/comandi.h"
#include "model/modello.h"
#include "platform/folder.h"

namespace scen::tool {

void aggiungi_identita(CLI::App& sub, opzioni_identita& o) {
  const identita id = identita_incorporata();
  o.nome_linea = id.nome_linea;
  o.nome_treno = id.nome_treno;
  o.opzione_linea = sub.add_option("--route-name", o.nome_linea, "Route name, the stem of every file name")
                        ->type_name("NAME")
                        ->capture_default_str();
  o.opzione_treno =
      sub.add_option("--train-number", o.nome_treno, "Train number, the second part of the train's file names")
          ->type_name("NUMBER")
          ->capture_default_str();
}

identita identita_valida(const opzioni_identita& o) {
  identita id{o.nome_linea, o.nome_treno};
  if (auto problema = problema_identita(id, "--route-name", "--train-number")) throw errore_uso(*problema);
  return id;
}

identita identita_della_cartella(const std::filesystem::path& dir, const opzioni_identita& o) {
  const bool data_linea = o.opzione_linea != nullptr && o.opzione_linea->count() > 0;
  const bool data_treno = o.opzione_treno != nullptr && o.opzione_treno->count() > 0;
  if (data_linea && data_treno) return identita_valida(o);
  // Every summary file "<route>_<train>.sim" names one identity; the route
  // name may hold "_", the train number is what follows the last one.
  std::vector<identita> trovate;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), fine; !ec && it != fine; it.increment(ec)) {
    const std::string nome = it->path().filename().string();
    if (nome.size() <= 4 || nome.compare(nome.size() - 4, 4, ".sim") != 0) continue;
    const std::string stem = nome.substr(0, nome.size() - 4);
    const auto sep = stem.rfind('_');
    if (sep == std::string::npos || sep == 0 || sep + 1 == stem.size()) continue;
    identita id{stem.substr(0, sep), stem.substr(sep + 1)};
    if (data_linea && id.nome_linea != o.nome_linea) continue;
    if (data_treno && id.nome_treno != o.nome_treno) continue;
    trovate.push_back(std::move(id));
  }
  if (trovate.size() == 1) {
    opzioni_identita scelta = o;
    scelta.nome_linea = trovate[0].nome_linea;
    scelta.nome_treno = trovate[0].nome_treno;
    return identita_valida(scelta);
  }
  if (trovate.size() > 1) {
    std::string elenco;
    for (const identita& id : trovate) elenco += (elenco.empty() ? "" : ", ") + id.nome_linea + " / " + id.nome_treno;
    throw errore_uso(dir.string() + " holds the files of several scenarios (" + elenco +
                     "); name one with --route-name and --train-number");
  }
  return identita_valida(o);
}

std::optional<std::string> leggi_file(const std::filesystem::path& file) {
  std::error_code ec;
  const auto stato = std::filesystem::status(file, ec);
  if (stato.type() == std::filesystem::file_type::not_found) return std::nullopt;
  if (ec) throw platform_error(file, ec.message());
  if (stato.type() != std::filesystem::file_type::regular) throw errore_uso(file.string() + ": not a regular file");
  const folder dir(file.parent_path());
  return dir.read(file.filename().string(), limite_file);
}

std::string leggi_sorgente(const std::filesystem::path& file) {
  std::optional<std::string> byte = leggi_file(file);
  if (!byte) throw errore_uso(file.string() + ": no such file");
  return std::move(*byte);
}

void prepara_cartella(const std::filesystem::path& dir) {
  std::error_code ec;
  if (std::filesystem::is_directory(dir, ec)) return;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw platform_error(dir, ec.message());
}

void write_output_file(const std::filesystem::path& file, const std::function<void(byte_sink&)>& produci) {
  const std::filesystem::path dir = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  prepara_cartella(dir);
  folder(dir).write_in_pieces(file.filename().string(), produci);
}

file_scenario leggi_file_scenario(const std::filesystem::path& dir, const identita& id) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) throw errore_uso(dir.string() + ": not a folder");
  return {leggi_file(dir / nome_file_linea(id)), leggi_file(dir / nome_file_sommario(id)),
          leggi_file(dir / nome_file_percorso(id))};
}

const char* nome_tipo_cella(std::uint8_t tipo) {
  switch (tipo) {
    case tipo_cella::nulla:
      return "nothing";
    case tipo_cella::segnale:
      return "signal";
    case tipo_cella::fine_rallentamento:
      return "slowdown end";
    case tipo_cella::inizio_rallentamento:
      return "slowdown start";
    case tipo_cella::avviso_rallentamento:
      return "slowdown warning board";
    case tipo_cella::prima_avviso:
      return "approach cell before a warning board";
    case tipo_cella::indicatore_v_max:
      return "maximum-speed indicator board";
    case tipo_cella::fine_stazione:
      return "station zone end";
    case tipo_cella::montagna:
      return "mountain marker";
    case tipo_cella::punto_codice:
      return "cab-signal code point";
    case tipo_cella::fine_codice:
      return "cab-signal code end";
    case tipo_cella::indicazione:
      return "indication board";
    default:
      return "unknown type";
  }
}

}  // namespace scen::tool
