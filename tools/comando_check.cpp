// check: a folder's three binary files against each other and the identity.
#include <memory>
#include <ostream>

#include "comandi.h"
#include "output/verifica.h"

namespace scen::tool {
namespace {

struct opzioni_check {
  std::string dir = ".";
  opzioni_identita identita;
};

int esegui_check(const opzioni_check& o, std::ostream& out) {
  const identita id = identita_valida(o.identita);
  const std::vector<std::string> problemi = verifica_scenario(leggi_file_scenario(o.dir, id), id);
  if (problemi.empty()) {
    out << "ok\n";
    return exit_status::clean;
  }
  for (const std::string& p : problemi) out << utf8_da_1252(p) << '\n';
  return exit_status::problem;
}

}  // namespace

comando registra_check(CLI::App& app) {
  auto o = std::make_shared<opzioni_check>();
  CLI::App* sub = app.add_subcommand(
      "check", "Check a folder's three binary files against each other and the scenario identity");
  sub->add_option("DIR", o->dir, "Folder holding the binary files")->type_name("DIR")->capture_default_str();
  aggiungi_identita(*sub, o->identita);
  return {sub, [o](std::ostream& out, std::ostream&) { return esegui_check(*o, out); }};
}

}  // namespace scen::tool
