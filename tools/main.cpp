// scenario-tool: the scenario author's companion. It compiles sources into
// the binary files exactly as the run does, checks sources for every mistake
// at once, exports the embedded scenario, decodes, checks and draws binary files.
#include <CLI/CLI.hpp>

#include <array>
#include <cstring>
#include <exception>
#include <iostream>
#include <new>
#include <nlohmann/json.hpp>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "commands/comandi.h"
#include "platform/folder.h"
#include "platform/folder_lock.h"
#include "platform/process.h"
#include "platform/text_sink.h"

namespace exit_status = scen::exit_status;

namespace {

// Standard output through a buffer of its own, so that a write that fails
// (a full disk, /dev/full) throws at once instead of being dropped by the
// stream: the output is the command's result, and a truncated one must not
// end with status 0.
class stdout_buffer final : public std::streambuf {
 public:
  explicit stdout_buffer(scen::text_sink& destinazione) : destinazione_(destinazione) {
    setp(blocco_, blocco_ + sizeof blocco_);
  }

 protected:
  int_type overflow(int_type c) override {
    svuota();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override {
    svuota();
    return 0;
  }

 private:
  void svuota() {
    const std::string_view testo(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(blocco_, blocco_ + sizeof blocco_);
    destinazione_.write(testo);
  }

  scen::text_sink& destinazione_;
  char blocco_[1 << 16];
};

// A usage or input error: one line on standard error, and with --json one
// object on standard output as well, so that a caller reading JSON gets JSON.
int errore_di_uso(const std::string& messaggio, bool json) {
  std::cerr << "scenario-tool: " << messaggio << '\n';
  if (json) {
    const nlohmann::json j{
        {"error", messaggio}, {"status", scen::exit_status::failure}, {"findings", nlohmann::json::array()}};
    std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  }
  return scen::exit_status::failure;
}

int esegui_protetto(const scen::tool::comando& c, bool json) {
  using namespace scen::tool;
  scen::stdout_sink stdout_vero;
  stdout_buffer buffer(stdout_vero);
  std::ostream out(&buffer);
  // The buffer's platform_error passes through the stream as it is.
  out.exceptions(std::ios::badbit);
  try {
    const int stato = c.esegui(out, std::cerr);
    out.flush();
    return stato;
  } catch (const errore_uso& e) {
    return errore_di_uso(e.what(), json);
  } catch (const scen::folder_busy& b) {
    std::cerr << "scenario-tool: " << b.what() << '\n';
    return exit_status::busy;
  } catch (const scen::platform_error& g) {
    return errore_di_uso(g.file().string() + ": " + g.reason(), json);
  } catch (const std::bad_alloc&) {
    std::cerr << "scenario-tool: out of memory\n";
    return exit_status::out_of_memory;
  } catch (const std::exception& e) {
    return errore_di_uso(e.what(), json);
  }
  return exit_status::failure;
}

// The commands, in the order the overview lists them.
struct voce_comando {
  std::string_view nome;
  scen::tool::comando (*registra)(CLI::App&);
};
constexpr std::array<voce_comando, 7> tutti_i_comandi{{{"compile", scen::tool::registra_compile},
                                                       {"lint", scen::tool::registra_lint},
                                                       {"export", scen::tool::registra_export},
                                                       {"dump", scen::tool::registra_dump},
                                                       {"check", scen::tool::registra_check},
                                                       {"map", scen::tool::registra_map},
                                                       {"diff", scen::tool::registra_diff}}};

// Building a command's options costs every call of the tool some of its
// start, so a call builds only what it can use: the command its first word
// names, none for the version alone, and all of them otherwise (help, an
// error, which lists them all).
std::vector<scen::tool::comando> registra_comandi(CLI::App& app, int argc, char** argv) {
  std::vector<scen::tool::comando> comandi;
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) return comandi;
  for (const voce_comando& v : tutti_i_comandi) {
    if (argc >= 2 && v.nome == argv[1]) return {v.registra(app)};
  }
  for (const voce_comando& v : tutti_i_comandi) comandi.push_back(v.registra(app));
  return comandi;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace scen::tool;
  scen::prepare_process();
  CLI::App app{"scenario-tool: compile, check, export, decode and draw train-driving scenarios"};
  app.name("scenario-tool");
  app.set_version_flag("--version", "scenario-tool 1.0.0");
  app.require_subcommand(1);
  app.footer("Run \"scenario-tool COMMAND --help\" for the options of one command.");
  const std::vector<comando> comandi = registra_comandi(app, argc, argv);
  bool json = false;
  for (int i = 1; i < argc; ++i) json = json || std::strcmp(argv[i], "--json") == 0;

  // The first word names the command: "help" is the overview (or one
  // command's help), and a word that names no command is said so.
  if (argc >= 2 && argv[1][0] != '-') {
    const std::string primo = argv[1];
    bool noto = false;
    for (const voce_comando& v : tutti_i_comandi) noto = noto || v.nome == primo;
    if (primo == "help") {
      if (argc >= 3) {
        for (const comando& c : comandi) {
          if (c.sub->get_name() == argv[2]) {
            std::cout << c.sub->help();
            return exit_status::clean;
          }
        }
        return errore_di_uso(std::string("no command \"") + argv[2] +
                                 "\"; the commands are compile, lint, export, "
                                 "dump, check, map and diff",
                             json);
      }
      std::cout << app.help();
      return exit_status::clean;
    }
    if (!noto) {
      return errore_di_uso("unknown command \"" + primo +
                               "\"; the commands are compile, lint, export, dump, check, map and diff (see "
                               "\"scenario-tool --help\")",
                           json);
    }
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help and version end the parse with status 0; anything else is a usage error.
    if (e.get_exit_code() == 0) return app.exit(e) == 0 ? exit_status::clean : exit_status::failure;
    if (argc < 2) {
      std::cerr << app.help();
      return errore_di_uso("a command is required: compile, lint, export, dump, check or map", json);
    }
    return errore_di_uso(e.what(), json);
  }
  for (const comando& c : comandi) {
    if (c.sub->parsed()) return esegui_protetto(c, json);
  }
  return exit_status::failure;
}
