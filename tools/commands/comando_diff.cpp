// diff: two compiled folders compared by meaning (see confronto.h) and byte
// by byte (differenze_byte.h), as text lines, JSON, or an HTML viewer with
// both versions and the changes marked. The exit status is the bytes': 0
// only when the three files are the same, byte for byte.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <ostream>

#include "commands/comandi.h"
#include "diff/confronto.h"
#include "diff/differenze_byte.h"
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

// A folder's files as bytes, for the byte comparison, and decoded.
struct cartella_letta {
  file_scenario byte;
  scenario_decodificato scenario;
};

cartella_letta carica(const fs::path& dir, const identita& id) {
  cartella_letta c{leggi_file_scenario(dir, id), {}};
  std::string perche;
  auto d = decodifica_scenario(c.byte, dir, id, perche);
  // Nothing to compare is an input error, not a difference.
  if (!d) throw errore_uso(perche);
  c.scenario = std::move(*d);
  return c;
}

// Positions are whole metres but for the plan view's fractions.
nlohmann::json metri(double m) {
  return m == std::floor(m) && std::fabs(m) < 1e15 ? nlohmann::json(static_cast<std::int64_t>(m)) : nlohmann::json(m);
}

nlohmann::json json_di(const differenza_byte& d) {
  const auto forse = [](const std::optional<double>& m) { return m ? metri(*m) : nlohmann::json(nullptr); };
  return {{"file", sigla_tipo_file(d.file)},
          {"field", d.campo},
          {"count", d.conteggio},
          {"first", d.primo},
          {"last", d.ultimo},
          {"from", forse(d.da)},
          {"to", forse(d.a)},
          {"explained", d.spiegata},
          {"text", d.testo}};
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
  std::vector<differenza_byte> byte;
  std::vector<cambio> cambi;
  std::optional<scenario_decodificato> prima, dopo;
  {
    cartella_letta a = carica(dir_prima, id_prima);
    cartella_letta b = carica(dir_dopo, id_dopo);
    // The bytes decide: equal files are equal whatever they mean, and files
    // that differ in one byte differ, whatever the changes say.
    const confronto_grezzo grezzo = confronta_grezzo(a.byte, b.byte);
    campi_spiegati spiegati(std::max(a.scenario.celle.size(), b.scenario.celle.size()));
    cambi = confronta(a.scenario, b.scenario, spiegati);
    byte = confronta_byte(grezzo, a.scenario, b.scenario, spiegati, {o.prima, o.dopo});
    prima = std::move(a.scenario);
    dopo = std::move(b.scenario);
  }
  std::vector<std::string> da_dire;
  for (const differenza_byte& d : byte) {
    if (!d.spiegata) da_dire.push_back(testo_leggibile(d.testo));
  }
  if (o.json) {
    nlohmann::json j;
    j["equal"] = byte.empty();
    j["changes"] = nlohmann::json::array();
    for (const cambio& c : cambi) {
      j["changes"].push_back({{"from", metri(c.da)}, {"to", metri(c.a)}, {"text", c.testo}});
    }
    j["bytes"] = nlohmann::json::array();
    for (const differenza_byte& d : byte) j["bytes"].push_back(json_di(d));
    out << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  } else {
    for (const cambio& c : cambi) out << testo_leggibile(c.testo) << '\n';
    for (const std::string& t : da_dire) out << t << '\n';
  }
  if (!o.html.empty()) {
    write_output_file(path_from_utf8(o.html),
                      [&](byte_sink& f) { scrivi_html_confronto(*prima, *dopo, cambi, da_dire, f); });
  }
  return byte.empty() ? exit_status::clean : exit_status::problem;
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
