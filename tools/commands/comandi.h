// What the commands of scenario-tool share: how each one hooks into the
// command line, the exit statuses, the scenario identity options, reading an
// input file within a size limit, and text conversion for the terminal.
#pragma once

#include <CLI/CLI.hpp>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "formats/verifica.h"
#include "model/nomi_file.h"
#include "platform/exit_status.h"
#include "platform/folder.h"
#include "text/testo_utf8.h"

namespace scen::tool {

// No input file is read beyond this size: sources and binary files of the
// longest route stay far below it.
inline constexpr std::size_t limite_file = std::size_t{64} * 1024 * 1024;

// A command line or input the tool refuses (exit status 2).
class errore_uso : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One subcommand: its parser and what it does once the line is parsed.
struct comando {
  CLI::App* sub = nullptr;
  std::function<int(std::ostream& out, std::ostream& err)> esegui;
};

comando registra_compile(CLI::App& app);
comando registra_export(CLI::App& app);
comando registra_dump(CLI::App& app);
comando registra_check(CLI::App& app);
comando registra_map(CLI::App& app);
comando registra_lint(CLI::App& app);
comando registra_diff(CLI::App& app);

// --route-name and --train-number, defaulting to the embedded identity.
struct opzioni_identita {
  std::string nome_linea;
  std::string nome_treno;
  CLI::Option* opzione_linea = nullptr;
  CLI::Option* opzione_treno = nullptr;
};
void aggiungi_identita(CLI::App& sub, opzioni_identita& o);
// The identity, refused (errore_uso) when it cannot name the scenario's
// files (problema_identita: empty, outside the folder, not a file name on
// Windows, two files under one name).
identita identita_valida(const opzioni_identita& o);
// The identity of the binary files in `dir`: the options when given, else the
// one identity the folder's file names show ("<route>_<train>.sim"), else the
// embedded one. Several identities and no option: errore_uso naming them.
identita identita_della_cartella(const std::filesystem::path& dir, const opzioni_identita& o);

// The whole file at `file`; nothing when there is no such file. Throws
// errore_uso when it is not a regular file, platform_error when it cannot
// be read or is larger than limite_file.
std::optional<std::string> leggi_file(const std::filesystem::path& file);
// A source the author names: its bytes, refused (errore_uso, exit status 2)
// when there is no such file.
std::string leggi_sorgente(const std::filesystem::path& file);

// The folder a command writes into, created when missing.
void prepara_cartella(const std::filesystem::path& dir);

// Writes `file` (its folder created when missing) from what `produci` hands
// to the stream, whole or not at all.
void write_output_file(const std::filesystem::path& file, const std::function<void(byte_sink&)>& produci);

// The three binary files of an identity in a folder, as far as they exist.
file_scenario leggi_file_scenario(const std::filesystem::path& dir, const identita& id);

// The cell type spelled out ("signal", "slowdown start", ...).
const char* nome_tipo_cella(std::uint8_t tipo);

}  // namespace scen::tool
