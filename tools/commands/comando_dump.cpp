// dump: one binary file decoded into a readable listing, or with --json into
// its full structure.
#include <fmt/format.h>

#include <array>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "commands/comandi.h"
#include "formats/cartella_scenario.h"
#include "formats/decodifica.h"
#include "model/misure.h"
#include "passes/marcatori.h"
#include "platform/path_text.h"
#include "text/testo_utf8.h"

namespace scen::tool {
namespace {

struct opzioni_dump {
  std::string file;
  std::string tipo;  // "line", "summary", "track" or empty: from the name
  bool json = false;
};

// The kinds by the names --kind takes (the command table lists the same).
constexpr std::array<std::pair<tipo_file, std::string_view>, 3> nomi_tipo{
    {{tipo_file::linea, "line"}, {tipo_file::sommario, "summary"}, {tipo_file::percorso, "track"}}};

std::string_view nome_tipo(tipo_file t) {
  for (const auto& [tipo, nome] : nomi_tipo) {
    if (tipo == t) return nome;
  }
  return "?";
}

tipo_file tipo_richiesto(const opzioni_dump& o) {
  for (const auto& [tipo, nome] : nomi_tipo) {
    if (o.tipo == nome) return tipo;
  }
  const std::string nome = utf8_of(path_from_utf8(o.file).filename());
  if (const auto t = tipo_da_nome(nome)) return *t;
  throw errore_uso(o.file +
                   ": the name tells no kind (\"_linea.dat\" line data, \".sim\" summary, \".dat\" "
                   "track); give --kind");
}

// The cell type spelled out ("signal", "slowdown start", ...).
const char* nome_tipo_cella(std::uint8_t tipo) {
  switch (tipo) {
    case tipo_cella::nulla:
      return "nothing";
    case tipo_cella::segnale:
      return "signal";
    case tipo_cella::fine_rallentamento:
      return "slowdown end";
    case tipo_cella::inizio_rallentamento:
      return "slowdown start";
    case tipo_cella::avviso_rallentamento:
      return "slowdown warning board";
    case tipo_cella::prima_avviso:
      return "approach cell before a warning board";
    case tipo_cella::indicatore_v_max:
      return "maximum-speed indicator board";
    case tipo_cella::fine_stazione:
      return "station zone end";
    case tipo_cella::montagna:
      return "mountain marker";
    case tipo_cella::punto_codice:
      return "cab-signal code point";
    case tipo_cella::fine_codice:
      return "cab-signal code end";
    case tipo_cella::indicazione:
      return "indication board";
    default:
      return "unknown type";
  }
}

// ---- line data file ----

nlohmann::json valore_json(const piano& p, std::int32_t metro, int coordinata) {
  switch (p.tag(metro, coordinata)) {
    case tag_piano::vuoto:
      return nullptr;
    case tag_piano::intero:
      return static_cast<std::int16_t>(p.numero(metro, coordinata));
    case tag_piano::reale:
      return p.numero(metro, coordinata);
  }
  return nullptr;
}

std::string valore_testo(const piano& p, std::int32_t metro, int coordinata) {
  switch (p.tag(metro, coordinata)) {
    case tag_piano::vuoto:
      return "(empty)";
    case tag_piano::intero:
      return fmt::format("{} (int)", static_cast<std::int16_t>(p.numero(metro, coordinata)));
    case tag_piano::reale:
      return fmt::format("{}", p.numero(metro, coordinata));
  }
  return "?";
}

// One scalar or small object as JSON text. Texts are bytes; any that are
// not UTF-8 get replacement characters.
std::string in_testo(const nlohmann::json& j) {
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// A JSON array of `n` elements written element by element, one per line, so
// that no more than one element is ever held in memory: the output of a
// large file is many times its size.
template <typename F>
void array_in_flusso(std::ostream& out, std::size_t n, F elemento) {
  out << '[';
  for (std::size_t i = 0; i < n; ++i) out << (i == 0 ? "\n" : ",\n") << in_testo(elemento(i));
  out << "\n]";
}

void linea_json(const piano& p, std::ostream& out) {
  const auto metri = static_cast<std::size_t>(p.ultimo_metro()) + 1;
  out << "{\"kind\": \"line\", \"last_metre\": " << p.ultimo_metro() << ", \"coordinates\": [";
  for (int coordinata = 0; coordinata < 2; ++coordinata) {
    out << (coordinata == 0 ? "\n" : ",\n") << "{\"tags\": ";
    array_in_flusso(out, metri, [&](std::size_t m) {
      return nlohmann::json(static_cast<int>(p.tag(static_cast<std::int32_t>(m), coordinata)));
    });
    out << ",\n\"values\": ";
    array_in_flusso(out, metri,
                    [&](std::size_t m) { return valore_json(p, static_cast<std::int32_t>(m), coordinata); });
    out << '}';
  }
  out << "\n]}\n";
}

void elenca_linea(const piano& p, std::ostream& out) {
  out << fmt::format("line data file: plan view of metres 0 to {}, {} tagged values\n", p.ultimo_metro(),
                     2 * (static_cast<std::int64_t>(p.ultimo_metro()) + 1));
  out << "tags: 0 empty, 2 16-bit integer (marked int), 5 double\n";
  out << fmt::format("{:>8}  {:>24}  {:>24}\n", "metre", "coordinate 0", "coordinate 1");
  for (std::int32_t metro = 0; metro <= p.ultimo_metro(); ++metro) {
    out << fmt::format("{:>8}  {:>24}  {:>24}\n", metro, valore_testo(p, metro, 0), valore_testo(p, metro, 1));
  }
}

// ---- summary file ----

nlohmann::json voce_json(int n, const stazione& s) {
  return {{"index", n},
          {"tipo", s.tipo},
          {"inizio", s.inizio},
          {"fine", s.fine},
          {"posizione", s.posizione},
          {"opzione1", s.opzione1},
          {"nome", utf8_da_1252(s.nome)},
          {"gruppo_a1", s.gruppo_a1},
          {"gruppo_a2", s.gruppo_a2},
          {"gruppo_b1", s.gruppo_b1},
          {"gruppo_b2", s.gruppo_b2},
          {"gruppo_b3", s.gruppo_b3},
          {"gruppo_a3", s.gruppo_a3},
          {"sosta", s.sosta},
          {"opzione3", s.opzione3},
          {"opzione2", s.opzione2},
          {"orario", s.orario}};
}

bool vuota(const stazione& s) { return s == stazione{}; }

std::string ora(std::int64_t secondi) {
  if (secondi < 0) return "negative";
  return fmt::format("{:02}:{:02}:{:02}", secondi / 3600, secondi / 60 % 60, secondi % 60);
}

std::string ruolo(int n, const stazione& s) {
  if (vuota(s)) return "(empty)";
  switch (n) {
    case 0:
      return "(never used, yet not empty)";
    case voce::zona_0:
    case voce::zona_1:
    case voce::zona_2:
      return fmt::format("kilometric zone slot {}: start (inizio) {} m, progressive (fine) {} m, flag (posizione) {}",
                         n - voce::zona_0, s.inizio, s.fine, s.posizione);
    case voce::dati_generali:
      return fmt::format(
          "general data: braked-mass percentage (inizio) {}, route length (fine) {} m, cars "
          "(posizione) {}",
          s.inizio, s.fine, s.posizione);
    case voce::linea:
      return fmt::format(
          "route \"{}\": sfondo uno (inizio) {}, sfondo due (posizione) {}, sfondo tre (fine) {}, "
          "format marker (gruppo_a1) {}{}, check code (orario) {}",
          leggibile_da_1252(s.nome), s.inizio, s.posizione, s.fine, s.gruppo_a1,
          s.gruppo_a1 == marcatore_sommario ? "" : fmt::format(" (expected {})", marcatore_sommario), s.orario);
    case voce::treno:
      return fmt::format(
          "train \"{}\": cab-signal repetition from (inizio) {} m to (fine) {} m with (posizione) "
          "{} codes, sand (gruppo_a1) {}, clock (gruppo_b1..b3) {}:{}:{}",
          leggibile_da_1252(s.nome), s.inizio, s.fine, s.posizione, s.gruppo_a1, s.gruppo_b1, s.gruppo_b2, s.gruppo_b3);
    default:
      break;
  }
  const bool solo_nome = stazione{.nome = s.nome} == s;
  if (solo_nome) return fmt::format("indication board text \"{}\"", leggibile_da_1252(s.nome));
  return fmt::format("station \"{}\" at {} m, zone {} to {} m, timetable {}", leggibile_da_1252(s.nome), s.posizione,
                     s.inizio, s.fine, s.orario == 0 ? "none" : ora(s.orario));
}

void elenca_sommario(const std::array<stazione, numero_stazioni>& voci, std::ostream& out) {
  out << "summary file: 87 entries (1 up: stations; 80 down: indication board texts; 81-86: general data)\n";
  for (int n = 0; n < numero_stazioni; ++n) {
    const stazione& s = voci[static_cast<std::size_t>(n)];
    out << fmt::format("entry {:>2}  {}\n", n, ruolo(n, s));
    if (vuota(s)) continue;
    out << fmt::format("          tipo {}  inizio {}  fine {}  posizione {}  opzione1 {}  opzione2 {}  opzione3 {}\n",
                       s.tipo, s.inizio, s.fine, s.posizione, s.opzione1, s.opzione2, s.opzione3);
    out << fmt::format(
        "          nome \"{}\"  gruppo_a1 {}  gruppo_a2 {}  gruppo_a3 {}  gruppo_b1 {}  gruppo_b2 {}  "
        "gruppo_b3 {}  sosta {}  orario {}\n",
        leggibile_da_1252(s.nome), s.gruppo_a1, s.gruppo_a2, s.gruppo_a3, s.gruppo_b1, s.gruppo_b2, s.gruppo_b3,
        s.sosta, s.orario);
  }
}

// ---- track file ----

nlohmann::json cella_json(std::size_t n, const cella& c) {
  return {{"index", n},
          {"tipo", c.tipo},
          {"valore1", c.valore1},
          {"valore2", c.valore2},
          {"valore3", c.valore3},
          {"valore4", c.valore4},
          {"tempo", c.tempo},
          {"avviso", c.avviso},
          {"montagna", c.montagna},
          {"velocita", c.velocita},
          {"pendenza", c.pendenza},
          {"aderenza", c.aderenza}};
}

const char* descrizione_cella(const cella& c) {
  if (c.tipo != tipo_cella::nulla) return nome_tipo_cella(c.tipo);
  return c.avviso != 0 ? "(no object; approach marker)" : "(no object)";
}

bool ha_oggetto(const cella& c) {
  return c.tipo != 0 || c.valore1 != 0 || c.valore2 != 0 || c.valore3 != 0 || c.valore4 != 0 || c.tempo != 0 ||
         c.avviso != 0;
}

// A profile byte as runs of equal values over the cells.
template <typename F, typename S>
void elenca_profilo(const std::vector<cella>& celle, const char* titolo, F valore, S spiega, std::ostream& out) {
  out << titolo << ":\n";
  std::size_t da = 0;
  for (std::size_t i = 1; i <= celle.size(); ++i) {
    if (i < celle.size() && valore(celle[i]) == valore(celle[da])) continue;
    out << fmt::format("  cells {:>5} to {:>5}  ({:>7} to {:>7} m)  {:>3}  {}\n", da, i - 1, da * metri_cella,
                       i * metri_cella, valore(celle[da]), spiega(valore(celle[da])));
    da = i;
  }
}

void elenca_percorso(const std::vector<cella>& celle, std::ostream& out) {
  out << fmt::format(
      "track file: {} cells (0 to {}), {} bytes; the profiles of cell n hold from metre 50n, a "
      "point feature at p m lies in cell p/50+1\n",
      celle.size(), celle.size() - 1, celle.size() * 15);
  const cella& prima = celle[1];
  out << fmt::format("cell 1: format marker (valore1) {}{}, check code (valore2) {}\n", prima.valore1,
                     prima.valore1 == marcatore_percorso ? "" : fmt::format(" (expected {})", marcatore_percorso),
                     prima.valore2);
  out << "cells with an object or a marker:\n";
  for (std::size_t n = 0; n < celle.size(); ++n) {
    const cella& c = celle[n];
    if (!ha_oggetto(c)) continue;
    out << fmt::format(
        "  cell {:>5} ({:>7} m)  {:<2} {:<34} valore1 {:>6}  valore2 {:>6}  valore3 {:>6}  "
        "valore4 {:>6}  tempo {:>3}  avviso {:>3}\n",
        n, n * metri_cella, c.tipo, descrizione_cella(c), c.valore1, c.valore2, c.valore3, c.valore4, c.tempo,
        c.avviso);
  }
  elenca_profilo(
      celle, "speed limit (velocita, units of 5 km/h)", [](const cella& c) { return c.velocita; },
      [](int v) { return fmt::format("{} km/h", v * 5); }, out);
  elenca_profilo(
      celle, "gradient (pendenza, per mille plus 100)", [](const cella& c) { return c.pendenza; },
      [](int v) { return v == 0 ? std::string("not filled") : fmt::format("{:+} per mille", v - 100); }, out);
  elenca_profilo(
      celle, "adhesion (aderenza)", [](const cella& c) { return c.aderenza; },
      [](int v) { return fmt::format("{} %", v); }, out);
  elenca_profilo(
      celle, "mountain-side landscape (montagna)", [](const cella& c) { return c.montagna; },
      [](int v) { return v == 0 ? std::string("none") : fmt::format("type {}", v); }, out);
}

void percorso_json(const std::vector<cella>& celle, std::ostream& out) {
  out << "{\"kind\": \"track\", \"last_cell\": " << celle.size() - 1 << ", \"cells\": ";
  array_in_flusso(out, celle.size(), [&](std::size_t n) { return cella_json(n, celle[n]); });
  out << "}\n";
}

void sommario_json(const std::array<stazione, numero_stazioni>& voci, std::ostream& out) {
  out << "{\"kind\": \"summary\", \"entries\": ";
  array_in_flusso(out, voci.size(), [&](std::size_t n) { return voce_json(static_cast<int>(n), voci[n]); });
  out << "}\n";
}

void scrivi_json(const nlohmann::json& j, std::ostream& out) {
  out << j.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

int esegui_dump(const opzioni_dump& o, std::ostream& out, std::ostream& err) {
  const tipo_file tipo = tipo_richiesto(o);
  const std::optional<std::string> byte = leggi_file(path_from_utf8(o.file));
  if (!byte) throw errore_uso(o.file + ": no such file");
  try {
    switch (tipo) {
      case tipo_file::linea: {
        const piano p = decodifica_linea(*byte);
        o.json ? linea_json(p, out) : elenca_linea(p, out);
        break;
      }
      case tipo_file::sommario: {
        const auto voci = decodifica_sommario(*byte);
        o.json ? sommario_json(voci, out) : elenca_sommario(voci, out);
        break;
      }
      case tipo_file::percorso: {
        const auto celle = decodifica_percorso(*byte);
        o.json ? percorso_json(celle, out) : elenca_percorso(celle, out);
        break;
      }
    }
  } catch (const errore_decodifica& e) {
    err << fmt::format("{}: not a valid {} file: {}\n", o.file, nome_tipo(tipo), e.what());
    if (o.json) {
      scrivi_json({{"kind", nome_tipo(tipo)}, {"error", e.cosa()}, {"offset", e.offset()}}, out);
    }
    return exit_status::problem;
  }
  return exit_status::clean;
}

}  // namespace

comando registra_dump(CLI::App& app, const command_entry& entry) {
  auto o = std::make_shared<opzioni_dump>();
  CLI::App* sub = add_command(app, entry);
  bind_option(*sub, entry, "FILE", o->file);
  bind_option(*sub, entry, "--kind", o->tipo);
  bind_option(*sub, entry, "--json", o->json);
  return {sub, [o](std::ostream& out, std::ostream& err) { return esegui_dump(*o, out, err); }};
}

}  // namespace scen::tool
