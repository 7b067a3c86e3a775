#include <array>
#include <system_error>

#include "platform/folder.h"
#include "comandi.h"
#include "model/modello.h"

namespace scen::tool {
namespace {

void controlla_nome(std::string_view nome, std::string_view opzione) {
  const std::string prefisso = std::string(opzione) + " \"" + std::string(nome) + "\"";
  if (nome.empty()) throw errore_uso(std::string(opzione) + " must not be empty");
  if (nome.find_first_of("/\\") != std::string_view::npos) {
    throw errore_uso(prefisso + " holds a path separator; the files must stay in the folder");
  }
  if (nome.find("..") != std::string_view::npos) {
    throw errore_uso(prefisso + " holds \"..\"; the files must stay in the folder");
  }
  if (nome.find('\0') != std::string_view::npos) throw errore_uso(prefisso + " holds a NUL byte");
}

}  // namespace

void aggiungi_identita(CLI::App& sub, opzioni_identita& o) {
  const identita id = identita_incorporata();
  o.nome_linea = id.nome_linea;
  o.nome_treno = id.nome_treno;
  sub.add_option("--route-name", o.nome_linea, "Route name, the stem of every file name")
      ->type_name("NAME")
      ->capture_default_str();
  sub.add_option("--train-number", o.nome_treno, "Train number, the second part of the train's file names")
      ->type_name("NUMBER")
      ->capture_default_str();
}

identita identita_valida(const opzioni_identita& o) {
  controlla_nome(o.nome_linea, "--route-name");
  controlla_nome(o.nome_treno, "--train-number");
  return {o.nome_linea, o.nome_treno};
}

std::optional<std::string> leggi_file(const std::filesystem::path& file) {
  std::error_code ec;
  const auto stato = std::filesystem::status(file, ec);
  if (stato.type() == std::filesystem::file_type::not_found) return std::nullopt;
  if (ec) throw platform_error(file, ec.message());
  if (stato.type() != std::filesystem::file_type::regular) throw errore_uso(file.string() + ": not a regular file");
  const folder dove(file.parent_path());
  return dove.read(file.filename().string(), limite_file);
}

void prepara_cartella(const std::filesystem::path& dir) {
  std::error_code ec;
  if (std::filesystem::is_directory(dir, ec)) return;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw platform_error(dir, ec.message());
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
