// check: a folder's three binary files against each other and the identity.
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "commands/comandi.h"
#include "formats/cartella_scenario.h"
#include "formats/verifica.h"
#include "io/output_file.h"
#include "platform/folder.h"
#include "platform/folder_lock.h"
#include "platform/path_text.h"
#include "run/pipeline.h"
#include "text/testo_utf8.h"

namespace scen::tool {
namespace {

struct opzioni_check {
  std::string dir = ".";
  opzioni_identita identita;
  bool json = false;
  bool ripara = false;
};

// A replacement that did not end leaves a journal: `--repair` finishes it
// under the folder's lock, as the next run would; otherwise it is a problem
// of the folder, told and left as it is.
std::vector<std::string> giornale_della_cartella(const std::filesystem::path& cartella, bool ripara,
                                                 std::ostream& err) {
  folder dir(cartella);
  if (ripara) {
    const folder_lock lock(dir.base());
    repair_interrupted_set(dir, err);
    return {};
  }
  const auto trovato = dir.interrupted();
  if (!trovato) return {};
  return {utf8_of(dir.path_of(folder::journal_name).lexically_normal()) + ": a replacement of the set did not end; " +
          trovato->text(false) + " (check --repair, or the next run, does it)"};
}

// The problems in text are findings and go to standard error, as every
// command's but lint's; "ok" and the JSON report are the output.
int esegui_check(const opzioni_check& o, std::ostream& out, std::ostream& err) {
  const std::filesystem::path dir = path_from_utf8(o.dir);
  std::vector<std::string> problemi = giornale_della_cartella(dir, o.ripara, err);
  const identita id = identita_della_cartella(dir, o.identita);
  const file_scenario f = leggi_file_scenario(dir, id);
  for (std::string& p : verifica_scenario(f, id)) problemi.push_back(std::move(p));
  // Files of two different compiles side by side: which one is the stranger.
  for (std::string& p : verifica_insieme(f, id)) problemi.push_back(std::move(p));
  if (o.json) {
    nlohmann::json j;
    j["route_name"] = utf8_da_1252(id.nome_linea);
    j["train_number"] = utf8_da_1252(id.nome_treno);
    j["problems"] = nlohmann::json::array();
    // Each problem starts with the name of its file.
    for (const std::string& p : problemi) {
      const auto sep = p.find(": ");
      j["problems"].push_back({{"file", utf8_da_1252(p.substr(0, sep))},
                               {"message", utf8_da_1252(sep == std::string::npos ? p : p.substr(sep + 2))}});
    }
    j["ok"] = problemi.empty();
    out << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    return problemi.empty() ? exit_status::clean : exit_status::problem;
  }
  if (problemi.empty()) {
    out << "ok\n";
    return exit_status::clean;
  }
  for (const std::string& p : problemi) err << leggibile_da_1252(p) << '\n';
  return exit_status::problem;
}

}  // namespace

comando registra_check(CLI::App& app, const command_entry& entry) {
  auto o = std::make_shared<opzioni_check>();
  CLI::App* sub = add_command(app, entry);
  bind_option(*sub, entry, "DIR", o->dir);
  aggiungi_identita(*sub, entry, o->identita);
  bind_option(*sub, entry, "--json", o->json);
  bind_option(*sub, entry, "--repair", o->ripara);
  return {sub, [o](std::ostream& out, std::ostream& err) { return esegui_check(*o, out, err); }};
}

}  // namespace scen::tool
