// diff: two compiled folders compared by meaning (see confronto.h), as text
// lines, JSON, or an HTML viewer with both versions and the changes marked.
#include <nlohmann/json.hpp>

#include <cmath>
#include <memory>
#include <ostream>

#include "commands/comandi.h"
#include "diff/confronto.h"
#include "formats/cartella_scenario.h"
#include "io/output_file.h"
#include "platform/path_text.h"
#include "text/testo_utf8.h"

namespace scen::tool {
namespace {

namespace fs = std::filesystem;

struct opzioni_diff {
  std::string prima, dopo;
  opzioni_identita identita;
  bool json = false;
  std::string html;
};

scenario_decodificato carica(const fs::path& dir, const identita& id) {
  std::string perche;
  auto d = decodifica_scenario(leggi_file_scenario(dir, id), dir, id, perche);
  // Nothing to compare is an input error, not a difference.
  if (!d) throw errore_uso(perche);
  return std::move(*d);
}

int esegui_diff(const opzioni_diff& o, std::ostream& out) {
  const fs::path dir_prima = path_from_utf8(o.prima);
  const fs::path dir_dopo = path_from_utf8(o.dopo);
  const identita id_prima = identita_della_cartella(dir_prima, o.identita);
  const identita id_dopo = identita_della_cartella(dir_dopo, o.identita);
  if (!o.html.empty()) {
    std::vector<fs::path> letti = file_binari(dir_prima, id_prima);
    for (fs::path& f : file_binari(dir_dopo, id_dopo)) letti.push_back(std::move(f));
    rifiuta_uscita_su_ingressi(path_from_utf8(o.html), letti, "diff never writes over the folders it compares");
  }
  const scenario_decodificato prima = carica(dir_prima, id_prima);
  const scenario_decodificato dopo = carica(dir_dopo, id_dopo);
  const std::vector<cambio> cambi = confronta(prima, dopo);
  if (o.json) {
    nlohmann::json j;
    j["equal"] = cambi.empty();
    j["changes"] = nlohmann::json::array();
    // Positions are whole metres but for the plan view's fractions.
    const auto metri = [](double m) {
      return m == std::floor(m) && std::fabs(m) < 1e15 ? nlohmann::json(static_cast<std::int64_t>(m))
                                                       : nlohmann::json(m);
    };
    for (const cambio& c : cambi) {
      j["changes"].push_back({{"from", metri(c.da)}, {"to", metri(c.a)}, {"text", c.testo}});
    }
    out << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  } else {
    for (const cambio& c : cambi) out << testo_leggibile(c.testo) << '\n';
  }
  if (!o.html.empty()) {
    write_output_file(path_from_utf8(o.html), [&](byte_sink& f) { scrivi_html_confronto(prima, dopo, cambi, f); });
  }
  return cambi.empty() ? exit_status::clean : exit_status::problem;
}

}  // namespace

comando registra_diff(CLI::App& app, const command_entry& entry) {
  auto o = std::make_shared<opzioni_diff>();
  CLI::App* sub = add_command(app, entry);
  bind_option(*sub, entry, "BEFORE", o->prima);
  bind_option(*sub, entry, "AFTER", o->dopo);
  aggiungi_identita(*sub, entry, o->identita);
  bind_option(*sub, entry, "--json", o->json);
  bind_option(*sub, entry, "--html", o->html);
  return {sub, [o](std::ostream& out, std::ostream&) { return esegui_diff(*o, out); }};
}

}  // namespace scen::tool
