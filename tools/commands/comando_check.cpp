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
  return {"a replacement of the set did not end; " + trovato->text(false) +
          " (check --repair, or the next run, does it)"};
}

// The problems in text are findings and go to standard error, as every
// command's but lint's; "ok" and the JSON report are the output.
int esegui_check(const opzioni_check& o, std::ostream& out, std::ostream& err) {
  const std::filesystem::path dir = path_from_utf8(o.dir);
  // The folder's own problem, in UTF-8 words: a journal left behind.
  const std::vector<std::string> giornale = giornale_della_cartella(dir, o.ripara, err);
  const std::string nome_giornale = utf8_of((dir / std::string(folder::journal_name)).lexically_normal());
  const identita id = identita_della_cartella(dir, o.identita);
  const file_scenario f = leggi_file_scenario(dir, id);
  // Each file's own problems start with its name.
  std::vector<problema_insieme> trovati;
  for (std::string& p : verifica_scenario(f, id)) {
    const auto sep = p.find(": ");
    trovati.push_back({{p.substr(0, sep)}, std::move(p)});
  }
  // Files of two different compiles side by side: which one is the stranger.
  esito_insieme insieme = confronta_insieme(f, id);
  for (problema_insieme& p : insieme.problemi) trovati.push_back(std::move(p));
  if (o.json) {
    nlohmann::json j;
    j["route_name"] = utf8_da_1252(id.nome_linea);
    j["train_number"] = utf8_da_1252(id.nome_treno);
    j["problems"] = nlohmann::json::array();
    for (const std::string& g : giornale) {
      j["problems"].push_back({{"file", nome_giornale}, {"files", {nome_giornale}}, {"message", g}});
    }
    for (const problema_insieme& p : trovati) {
      const auto sep = p.testo.find(": ");
      nlohmann::json file = nlohmann::json::array();
      for (const std::string& n : p.file) file.push_back(utf8_da_1252(n));
      j["problems"].push_back(
          {{"file", utf8_da_1252(p.file.front())},
           {"files", std::move(file)},
           {"message", utf8_da_1252(sep == std::string::npos ? p.testo : p.testo.substr(sep + 2))}});
    }
    // What was compared: every link, with its files and whether they agree
    // (null when a file is missing or unreadable).
    j["links"] = nlohmann::json::array();
    for (const legame& l : insieme.legami) {
      nlohmann::json file = nlohmann::json::array();
      for (const std::string& n : l.file) file.push_back(utf8_da_1252(n));
      j["links"].push_back(
          {{"name", l.nome},
           {"files", std::move(file)},
           {"ok", l.ok ? nlohmann::json(*l.ok) : nlohmann::json(nullptr)},
           {"message", l.ok.value_or(true) ? nlohmann::json(nullptr) : nlohmann::json(utf8_da_1252(l.perche))}});
    }
    const bool ok = trovati.empty() && giornale.empty();
    j["ok"] = ok;
    out << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    return ok ? exit_status::clean : exit_status::problem;
  }
  if (trovati.empty() && giornale.empty()) {
    out << "ok\n";
    return exit_status::clean;
  }
  for (const std::string& g : giornale) err << nome_giornale << ": " << testo_leggibile(g) << '\n';
  for (const problema_insieme& p : trovati) err << leggibile_da_1252(p.testo) << '\n';
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
