// scenario-tool: the scenario author's companion. It compiles sources into
// the binary files exactly as the run does, exports the embedded scenario,
// decodes, checks and draws binary files.
#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>
#include <new>
#include <streambuf>
#include <vector>

#include "comandi.h"
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
class buffer_uscita final : public std::streambuf {
 public:
  explicit buffer_uscita(scen::text_sink& destinazione) : destinazione_(destinazione) {
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

int esegui_protetto(const scen::tool::comando& c) {
  using namespace scen::tool;
  scen::stdout_sink stdout_vero;
  buffer_uscita buffer(stdout_vero);
  std::ostream out(&buffer);
  // The buffer's platform_error passes through the stream as it is.
  out.exceptions(std::ios::badbit);
  try {
    const int stato = c.esegui(out, std::cerr);
    out.flush();
    return stato;
  } catch (const errore_uso& e) {
    std::cerr << "scenario-tool: " << e.what() << '\n';
  } catch (const scen::folder_busy& b) {
    std::cerr << "scenario-tool: " << b.what() << '\n';
    return exit_status::busy;
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
  scen::prepare_process();
  CLI::App app{"scenario-tool: compile, export, decode, check and draw train-driving scenarios"};
  app.set_version_flag("--version", "scenario-tool 1.0.0");
  app.require_subcommand(1);
  const std::vector<comando> comandi{registra_compile(app), registra_export(app), registra_dump(app),
                                     registra_check(app), registra_map(app)};
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
