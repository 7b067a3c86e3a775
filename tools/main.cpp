// scenario-tool: the scenario author's companion. It compiles sources into
// the binary files exactly as the run does, exports the embedded scenario,
// decodes, checks and draws binary files.
#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>
#include <new>
#include <vector>

#include "platform/folder.h"
#include "comandi.h"

namespace exit_status = scen::exit_status;

namespace {

int esegui_protetto(const scen::tool::comando& c) {
  using namespace scen::tool;
  try {
    return c.esegui(std::cout, std::cerr);
  } catch (const errore_uso& e) {
    std::cerr << "scenario-tool: " << e.what() << '\n';
  } catch (const scen::platform_error& g) {
    std::cerr << "scenario-tool: " << g.file().string() << ": " << g.reason() << '\n';
  } catch (const std::bad_alloc&) {
    std::cerr << "scenario-tool: out of memory\n";
    return exit_status::out_of_memory;
  } catch (const std::exception& e) {
    std::cerr << "scenario-tool: " << e.what() << '\n';
  }
  return exit_status::failure;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace scen::tool;
  CLI::App app{"scenario-tool: compile, export, decode, check and draw train-driving scenarios"};
  app.set_version_flag("--version", "scenario-tool 1.0.0");
  app.require_subcommand(1);
  const std::vector<comando> comandi{registra_compile(app), registra_export(app), registra_dump(app),
                                     registra_check(app), registra_map(app), registra_diff(app)};
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help and version end the parse with status 0; anything else is a usage error.
    return app.exit(e) == 0 ? exit_status::clean : exit_status::failure;
  }
  for (const comando& c : comandi) {
    if (c.sub->parsed()) return esegui_protetto(c);
  }
  return exit_status::failure;
}
