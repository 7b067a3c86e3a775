#include "commands/run_tool.h"

#include <cstring>
#include <exception>
#include <new>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "commands/comandi.h"
#include "platform/folder_lock.h"
#include "platform/path_text.h"
#include "platform/platform_error.h"

namespace scen::tool {
namespace {

// A usage or input error: one line on standard error, and with --json one
// object on standard output as well, so that a caller reading JSON gets JSON.
int errore_di_uso(const std::string& messaggio, bool json, std::ostream& out, std::ostream& err) {
  err << program().name << ": " << messaggio << '\n';
  if (json) {
    const nlohmann::json j{
        {"error", messaggio}, {"status", exit_status::failure}, {"findings", nlohmann::json::array()}};
    out << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  }
  return exit_status::failure;
}

int esegui_protetto(const comando& c, bool json, std::ostream& out, std::ostream& err) {
  try {
    const int stato = c.esegui(out, err);
    out.flush();
    return stato;
  } catch (const errore_uso& e) {
    return errore_di_uso(e.what(), json, out, err);
  } catch (const folder_busy& b) {
    err << program().name << ": " << b.what() << '\n';
    return exit_status::busy;
  } catch (const platform_error& g) {
    return errore_di_uso(utf8_of(g.file()) + ": " + g.reason(), json, out, err);
  } catch (const std::bad_alloc&) {
    err << program().name << ": out of memory\n";
    return exit_status::out_of_memory;
  } catch (const std::exception& e) {
    return errore_di_uso(e.what(), json, out, err);
  }
}

// Building a command's options costs every call of the tool some of its
// start, so a call builds only what it can use: the command its first word
// names, none for the version alone, and all of them otherwise (help, an
// error, which lists them all).
std::vector<comando> registra_comandi(CLI::App& app, int argc, const char* const* argv) {
  std::vector<comando> comandi;
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) return comandi;
  if (argc >= 2) {
    if (const command_entry* c = find_command(argv[1])) return {c->add(app, *c)};
  }
  for (const command_entry& c : command_table()) comandi.push_back(c.add(app, c));
  return comandi;
}

// "help" alone is the overview, "help COMMAND" that command's help.
int aiuto(CLI::App& app, const std::vector<comando>& comandi, int argc, const char* const* argv, bool json,
          std::ostream& out, std::ostream& err) {
  if (argc < 3) {
    out << app.help();
    return exit_status::clean;
  }
  for (const comando& c : comandi) {
    if (c.sub->get_name() == argv[2]) {
      // The usage line names the program, as "COMMAND --help" does.
      out << c.sub->help(app.get_name());
      return exit_status::clean;
    }
  }
  return errore_di_uso(std::string("no command \"") + argv[2] + "\"; the commands are " + command_names("and"), json,
                       out, err);
}

}  // namespace

int run_tool(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  const program_entry& p = program();
  CLI::App app{std::string(p.summary)};
  app.name(std::string(p.name));
  app.set_version_flag("--version", std::string(p.version));
  app.require_subcommand(1);
  app.footer(std::string(p.footer));
  const std::vector<comando> comandi = registra_comandi(app, argc, argv);
  bool json = false;
  for (int i = 1; i < argc; ++i) json = json || std::strcmp(argv[i], "--json") == 0;

  // The first word names the command: "help" is the overview (or one
  // command's help), and a word that names no command is said so.
  if (argc >= 2 && argv[1][0] != '-') {
    const std::string primo = argv[1];
    if (primo == "help") return aiuto(app, comandi, argc, argv, json, out, err);
    if (find_command(primo) == nullptr) {
      return errore_di_uso("unknown command \"" + primo + "\"; the commands are " + command_names("and") + " (see \"" +
                               std::string(p.name) + " --help\")",
                           json, out, err);
    }
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help and version end the parse with status 0; anything else is a usage error.
    if (e.get_exit_code() == 0) return app.exit(e, out, err) == 0 ? exit_status::clean : exit_status::failure;
    if (argc < 2) {
      err << app.help();
      return errore_di_uso("a command is required: " + command_names("or"), json, out, err);
    }
    return errore_di_uso(e.what(), json, out, err);
  }
  for (const comando& c : comandi) {
    if (c.sub->parsed()) return esegui_protetto(c, json, out, err);
  }
  return exit_status::failure;
}

}  // namespace scen::tool
