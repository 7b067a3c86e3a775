// What the commands of scenario-tool share: how each one hooks into the
// command line (from its entry in the command table), the usage error, the
// scenario identity options and reading a source the author names.
#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "commands/command_table.h"
#include "compiler/avvisi.h"
#include "compiler/rilievi.h"
#include "model/nomi_file.h"
#include "platform/exit_status.h"

namespace scen::tool {

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

comando registra_compile(CLI::App& app, const command_entry& entry);
comando registra_export(CLI::App& app, const command_entry& entry);
comando registra_dump(CLI::App& app, const command_entry& entry);
comando registra_check(CLI::App& app, const command_entry& entry);
comando registra_map(CLI::App& app, const command_entry& entry);
comando registra_lint(CLI::App& app, const command_entry& entry);
comando registra_diff(CLI::App& app, const command_entry& entry);
comando registra_explain(CLI::App& app, const command_entry& entry);

// The subcommand of `entry`, named and described as the table says.
CLI::App* add_command(CLI::App& app, const command_entry& entry);

// The option of `entry` spelled `names`, added to `sub` as the table
// describes it (kind, value name, help, required, default shown, choices)
// and bound to `value`. A name the table does not hold is a fault of the
// program: std::logic_error.
const option_entry& option_of(const command_entry& entry, std::string_view names);
template <typename T>
CLI::Option* bind_option(CLI::App& sub, const command_entry& entry, std::string_view names, T& value) {
  const option_entry& o = option_of(entry, names);
  const std::string spelled(o.names);
  const std::string help(o.help);
  if (o.kind == option_kind::flag) return sub.add_flag(spelled, value, help);
  CLI::Option* added = sub.add_option(spelled, value, help)->type_name(std::string(o.value_name));
  if (o.required) added->required();
  if (o.shows_default) added->capture_default_str();
  if (!o.choices.empty()) added->check(CLI::IsMember(std::vector<std::string>(o.choices.begin(), o.choices.end())));
  return added;
}

// --route-name and --train-number, defaulting to the embedded identity.
struct opzioni_identita {
  std::string nome_linea;
  std::string nome_treno;
  CLI::Option* opzione_linea = nullptr;
  CLI::Option* opzione_treno = nullptr;
};
void aggiungi_identita(CLI::App& sub, const command_entry& entry, opzioni_identita& o);
// The identity, refused (errore_uso) when it cannot name the scenario's
// files (problema_identita: empty, outside the folder, not a file name on
// Windows, two files under one name).
identita identita_valida(const opzioni_identita& o);
// The identity of the binary files in `dir`: the options when both are given,
// else the one identity the folder's file names show (agreeing with the option
// given, if one is), else the options' values (by default the embedded
// identity). Several identities and not both options: errore_uso naming them.
identita identita_della_cartella(const std::filesystem::path& dir, const opzioni_identita& o);

// The warnings of compile and lint as the author selects them: -W values as
// given ("no-NAME", "error=NAME", "no-error=NAME", "NAME", later ones
// replacing earlier ones) and --werror (every warning fails the command).
struct opzioni_avvisi {
  std::vector<std::string> scelte;
  bool werror = false;
};
void aggiungi_avvisi(CLI::App& sub, const command_entry& entry, opzioni_avvisi& o);
// The selection the collector applies; a NAME the registry does not hold
// is refused (errore_uso) with the nearest one.
selezione_avvisi selezione_di(const opzioni_avvisi& o);

// A source the author names: its bytes, refused (errore_uso, exit status 2)
// when there is no such file.
std::string leggi_sorgente(const std::filesystem::path& file);

// The three binary files of `id` in `dir`, which check, map and diff read.
std::vector<std::filesystem::path> file_binari(const std::filesystem::path& dir, const identita& id);

// Refuses (errore_uso, exit status 2, naming both) an output that is the
// same file as one of `ingressi`, whatever the spelling: "./x", a symbolic
// link or a hard link to an input is the input. An output that does not
// exist yet is taken as the file its name will reach once its missing
// folders are made ("new/../x" is x). `perche` ends the message ("compile
// never overwrites its sources").
void rifiuta_uscita_su_ingressi(const std::filesystem::path& uscita, const std::vector<std::filesystem::path>& ingressi,
                                std::string_view perche);

// The error finding of a fatal end (`fatale` as the passes give it), told by
// the source line whose object caused it when one did.
rilievo rilievo_del_fatale(const std::string& fatale, const esito_analisi& a);

}  // namespace scen::tool
