// diff: two compiled folders compared by meaning (see confronto.h), as text
// lines, JSON, or an HTML viewer with both versions and the changes marked.
#include <nlohmann/json.hpp>

#include <cmath>
#include <memory>
#include <ostream>

#include "commands/comandi.h"
#include "diff/confronto.h"
#include "map/mappa.h"

namespace scen::tool {
namespace {

namespace fs = std::filesystem;

struct opzioni_diff {
  std::string prima, dopo;
  opzioni_identita identita;
  bool json = false;
  std::string html;
  CLI::Option* nome_dato = nullptr;
  CLI::Option* treno_dato = nullptr;
};

// The identity of the files in `dir`: the one given on the command line;
// otherwise the embedded one when its files are there, or else the only
// summary file of the folder ("<route>_<train>.sim").
identita identita_di(const fs::path& dir, const opzioni_diff& o) {
  const identita data = identita_valida(o.identita);
  if (o.nome_dato->count() > 0 || o.treno_dato->count() > 0) return data;
  std::error_code ec;
  if (fs::exists(dir / nome_file_sommario(data), ec)) return data;
  std::optional<identita> trovata;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    const std::string nome = e.path().filename().string();
    if (e.path().extension() != ".sim") continue;
    const std::string stem = e.path().stem().string();
    const auto sotto = stem.rfind('_');
    if (sotto == std::string::npos || sotto == 0 || sotto + 1 == stem.size()) continue;
    if (trovata)
      throw errore_uso(dir.string() + ": more than one scenario; name it with --route-name and --train-number");
    trovata = identita{stem.substr(0, sotto), stem.substr(sotto + 1)};
  }
  if (ec) throw errore_uso(dir.string() + ": " + ec.message());
  return trovata.value_or(data);
}

dati_mappa carica(const fs::path& dir, const opzioni_diff& o) {
  const identita id = identita_di(dir, o);
  std::string perche;
  auto d = carica_dati_mappa(leggi_file_scenario(dir, id), dir, id, perche);
  // Nothing to compare is an input error, not a difference.
  if (!d) throw errore_uso(perche);
  return std::move(*d);
}

int esegui_diff(const opzioni_diff& o, std::ostream& out) {
  const dati_mappa prima = carica(o.prima, o);
  const dati_mappa dopo = carica(o.dopo, o);
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
    for (const cambio& c : cambi) out << c.testo << '\n';
  }
  if (!o.html.empty()) {
    std::vector<cambio_mappa> segni;
    for (const cambio& c : cambi) segni.push_back({c.da, c.a, c.testo});
    write_output_file(o.html, [&](byte_sink& f) { scrivi_html_confronto(prima, dopo, segni, f); });
  }
  return cambi.empty() ? exit_status::clean : exit_status::problem;
}

}  // namespace

comando registra_diff(CLI::App& app) {
  auto o = std::make_shared<opzioni_diff>();
  CLI::App* sub =
      app.add_subcommand("diff",
                         "Compare two compiled folders by meaning: stations, objects, profiles and plan view changed, "
                         "one line per change in running order; exit status 0 equal, 1 different");
  sub->add_option("BEFORE", o->prima, "Folder of the earlier version")->type_name("DIR")->required();
  sub->add_option("AFTER", o->dopo, "Folder of the later version")->type_name("DIR")->required();
  aggiungi_identita(*sub, o->identita);
  o->nome_dato = sub->get_option("--route-name");
  o->treno_dato = sub->get_option("--train-number");
  sub->add_flag("--json", o->json, "Print the changes as one JSON object");
  sub->add_option("--html", o->html, "Also write an HTML page with both versions and the changes marked")
      ->type_name("FILE");
  return {sub, [o](std::ostream& out, std::ostream&) { return esegui_diff(*o, out); }};
}

}  // namespace scen::tool
