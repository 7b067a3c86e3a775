#include "formats/verifica.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "formats/decodifica.h"
#include "formats/file_binari.h"
#include "model/misure.h"
#include "passes/codici_gara.h"
#include "passes/marcatori.h"

namespace scen {
namespace {

class raccolta {
 public:
  explicit raccolta(std::vector<std::string>& problemi) : problemi_(problemi) {}
  template <typename... A>
  void operator()(const std::string& file, fmt::format_string<A...> f, A&&... a) {
    problemi_.push_back(file + ": " + fmt::format(f, std::forward<A>(a)...));
  }

 private:
  std::vector<std::string>& problemi_;
};

template <typename F>
auto decodifica(const std::optional<std::string>& byte, const std::string& nome, raccolta& problema, F&& decoder) {
  auto d = decode_file(byte, std::forward<F>(decoder));
  if (d.missing) {
    problema(nome, "missing");
  } else if (!d.value) {
    problema(nome, "unreadable: {}", d.reason);
  }
  return std::move(d.value);
}

void verifica_sommario(const std::array<stazione, numero_stazioni>& voci, const identita& id, const std::string& nome,
                       raccolta& problema) {
  const stazione& linea = voci[voce::linea];
  const stazione& treno = voci[voce::treno];
  if (linea.gruppo_a1 != marcatore_sommario) {
    problema(nome, "entry 85 gruppo_a1 holds {}, not the format marker {}", linea.gruppo_a1, marcatore_sommario);
  }
  if (linea.nome != id.nome_linea) {
    problema(nome, "entry 85 names the route \"{}\", not \"{}\"", linea.nome, id.nome_linea);
  }
  if (treno.nome != id.nome_treno) {
    problema(nome, "entry 86 names the train \"{}\", not \"{}\"", treno.nome, id.nome_treno);
  }
  const std::int32_t atteso = codice_gara_st(id.nome_treno, id.nome_linea);
  if (linea.orario != atteso) {
    problema(nome, "entry 85 orario holds the check code {}, but route \"{}\" and train \"{}\" give {}", linea.orario,
             id.nome_linea, id.nome_treno, atteso);
  }
}

void verifica_percorso(const std::vector<cella>& celle, const identita& id, const std::string& nome,
                       const std::optional<misure_percorso>& misure, raccolta& problema) {
  const cella& prima = celle[1];
  if (prima.valore1 != marcatore_percorso) {
    problema(nome, "cell 1 valore1 holds {}, not the format marker {}", prima.valore1, marcatore_percorso);
  }
  const std::int16_t atteso = codice_gara_og(id.nome_treno, id.nome_linea);
  if (prima.valore2 != atteso) {
    problema(nome, "cell 1 valore2 holds the check code {}, but route \"{}\" and train \"{}\" give {}", prima.valore2,
             id.nome_linea, id.nome_treno, atteso);
  }
  if (misure && celle.size() != static_cast<std::size_t>(misure->ultima_cella) + 1) {
    const std::size_t attese = static_cast<std::size_t>(misure->ultima_cella) + 1;
    problema(nome,
             "holds {} cells ({} bytes), but the route length in the summary's entry 84 gives {} cells ({} bytes)",
             celle.size(), celle.size() * byte_cella, attese, attese * byte_cella);
  }
}

const char* nome_tag(tag_piano t) {
  switch (t) {
    case tag_piano::vuoto:
      return "empty";
    case tag_piano::intero:
      return "a 16-bit integer";
    case tag_piano::reale:
      return "a double";
  }
  return "?";
}

// One range of metres whose values must all carry `tag`: reports the first
// one that does not and how many others share the fault.
void verifica_tag(const piano& p, std::int32_t da, std::int32_t a, tag_piano tag, const std::string& nome,
                  raccolta& problema) {
  for (int coordinata = 0; coordinata < 2; ++coordinata) {
    std::int64_t sbagliati = 0;
    std::int32_t primo = -1;
    for (std::int32_t metro = std::max(da, 0); metro <= a && metro <= p.ultimo_metro(); ++metro) {
      if (p.tag(metro, coordinata) == tag) continue;
      if (sbagliati++ == 0) primo = metro;
    }
    if (sbagliati > 0) {
      problema(nome, "coordinate {} of metre {} is {}, but metres {} to {} must hold {} ({} wrong value(s) in all)",
               coordinata, primo, nome_tag(p.tag(primo, coordinata)), da, a, nome_tag(tag), sbagliati);
    }
  }
}

void verifica_linea(const piano& p, const std::string& nome, const std::optional<misure_percorso>& misure,
                    raccolta& problema) {
  if (misure && p.ultimo_metro() != misure->lunghezza_totale) {
    problema(nome, "holds metres 0 to {}, but the route length in the summary's entry 84 gives metres 0 to {}",
             p.ultimo_metro(), misure->lunghezza_totale);
    return;
  }
  const std::int32_t l = p.ultimo_metro();
  verifica_tag(p, 0, std::min(1, l), tag_piano::intero, nome, problema);
  verifica_tag(p, 2, l - 2, tag_piano::reale, nome, problema);
  verifica_tag(p, std::max(l - 1, 2), l, tag_piano::vuoto, nome, problema);
  // The track starts at the origin with a step of one metre along coordinate 1.
  const double inizio[2][2] = {{0, 0}, {0, 1}};
  for (std::int32_t metro = 0; metro <= std::min(1, l); ++metro) {
    for (int coordinata = 0; coordinata < 2; ++coordinata) {
      const double atteso = inizio[metro][coordinata];
      if (p.tag(metro, coordinata) == tag_piano::intero && p.numero(metro, coordinata) != atteso) {
        problema(nome, "coordinate {} of metre {} holds {}, but the plan view starts at (0, 0), (0, 1)", coordinata,
                 metro, p.numero(metro, coordinata));
      }
    }
  }
}

}  // namespace

// What the compile can write, beyond the layout: every cell type is one it
// places, the values of signal cells and station marks are ones it forms,
// and the stations stand in order.
void verifica_significato(const std::array<stazione, numero_stazioni>* voci, const std::vector<cella>* celle,
                          const std::string& n_sommario, const std::string& n_percorso, raccolta& problema) {
  if (celle != nullptr) {
    for (std::size_t i = 0; i < celle->size(); ++i) {
      const cella& c = (*celle)[i];
      switch (c.tipo) {
        case tipo_cella::nulla:
        case tipo_cella::fine_rallentamento:
        case tipo_cella::inizio_rallentamento:
        case tipo_cella::avviso_rallentamento:
        case tipo_cella::indicatore_v_max:
        case tipo_cella::montagna:
        case tipo_cella::punto_codice:
        case tipo_cella::fine_codice:
          break;
        case tipo_cella::segnale:
          if (c.tempo >= 1 && c.tempo <= 100) {
            problema(n_percorso, "cell {}: a signal with tempo {}, which no compile writes (1 to 100 become 101)", i,
                     int{c.tempo});
          }
          break;
        case tipo_cella::prima_avviso:
          if (c.valore1 < 1 || c.valore1 > 4) {
            problema(n_percorso, "cell {}: a cell before a warning board numbered {}, not 1 to 4", i, c.valore1);
          }
          break;
        case tipo_cella::fine_stazione:
          if (voci != nullptr &&
              (c.valore1 < 1 || c.valore1 > 79 || (*voci)[static_cast<std::size_t>(c.valore1)].nome.empty())) {
            problema(n_percorso, "cell {}: a station end marker names entry {}, which holds no station", i, c.valore1);
          }
          break;
        case tipo_cella::indicazione:
          if (voci != nullptr && (c.valore1 < 1 || c.valore1 > 80)) {
            problema(n_percorso, "cell {}: an indication board names entry {}, not one of 1 to 80", i, c.valore1);
          }
          break;
        default:
          problema(n_percorso, "cell {}: unknown cell type {}", i, int{c.tipo});
          break;
      }
      if (c.tipo != tipo_cella::segnale && c.tempo != 0) {
        problema(n_percorso, "cell {}: tempo {} on a cell that is not a signal", i, int{c.tempo});
      }
    }
  }
  if (voci == nullptr) return;
  const stazione& treno = (*voci)[voce::treno];
  if (treno.posizione != 0 && treno.posizione != 4 && treno.posizione != 9) {
    problema(n_sommario, "entry 86: {} codes of cab-signal repetition, not 4, 9 or 0", treno.posizione);
  }
  if (treno.inizio % metri_cella != 0 || treno.fine % metri_cella != 0) {
    problema(n_sommario, "entry 86: cab-signal repetition from {} to {} m is not in multiples of {} m", treno.inizio,
             treno.fine, metri_cella);
  }
  for (int e = voce::zona_0; e <= voce::zona_2; ++e) {
    const stazione& z = (*voci)[static_cast<std::size_t>(e)];
    if (z.inizio % metri_cella != 0 || z.fine % metri_cella != 0) {
      problema(n_sommario, "entry {}: kilometric zone at {} m with progressive {} m is not in multiples of {} m", e,
               z.inizio, z.fine, metri_cella);
    }
  }
  // Stations fill entries 1 upward, each zone starting at least the least
  // spacing after the previous one ends.
  for (std::size_t k = 1; k < voce::prima_indicazione; ++k) {
    const stazione& s = (*voci)[k];
    if (s.nome.empty() && s.tipo == 0 && s.inizio == 0 && s.fine == 0 && s.posizione == 0) break;
    if (s.posizione % metri_cella != 0) {
      problema(n_sommario, "entry {}: station \"{}\" at {} m, not a multiple of {} m", k, s.nome, s.posizione,
               metri_cella);
    }
    if (k > 1 && std::int64_t{s.inizio} - distanza_minima_stazioni < (*voci)[k - 1].fine) {
      problema(n_sommario,
               "entry {}: station \"{}\" starts at {} m, less than {} m after station \"{}\" ends ({} m): the "
               "stations are out of order or too close",
               k, s.nome, s.inizio, distanza_minima_stazioni, (*voci)[k - 1].nome, (*voci)[k - 1].fine);
    }
  }
}

std::vector<std::string> verifica_scenario(const file_scenario& f, const identita& id) {
  std::vector<std::string> problemi;
  raccolta problema(problemi);
  const std::string n_linea = nome_file_linea(id);
  const std::string n_sommario = nome_file_sommario(id);
  const std::string n_percorso = nome_file_percorso(id);

  std::optional<misure_percorso> misure;
  const auto voci = decodifica(f.sommario, n_sommario, problema, decodifica_sommario);
  if (voci) {
    verifica_sommario(*voci, id, n_sommario, problema);
    const std::int32_t lunghezza = (*voci)[voce::dati_generali].fine;
    misure = misure_da_lunghezza(lunghezza);
    if (!misure) {
      problema(n_sommario,
               "entry 84 holds the route length {} m, which no compile stores (at most {} m, and "
               "enough for cells 0 and 1)",
               lunghezza, lunghezza_massima);
    }
  }
  const auto celle = decodifica(f.percorso, n_percorso, problema, decodifica_percorso);
  if (celle) verifica_percorso(*celle, id, n_percorso, misure, problema);
  verifica_significato(voci ? &*voci : nullptr, celle ? &*celle : nullptr, n_sommario, n_percorso, problema);
  if (const auto p = decodifica(f.linea, n_linea, problema, decodifica_linea)) {
    verifica_linea(*p, n_linea, misure, problema);
  }
  return problemi;
}

namespace {

constexpr int ultima_voce_stazione = voce::prima_indicazione;
constexpr std::uint8_t primo_avviso_stazione = 81;  // the approach cells before a station end: 81 to 84
constexpr int celle_avviso_stazione = 4;

using voci_sommario = std::array<stazione, numero_stazioni>;

// The cell of a station's end marker: fine / 50 - 1, when above 1.
std::optional<std::int64_t> cella_marcatore(const stazione& s) {
  if (s.tipo >= tipo_stazione_senza_marcatore) return std::nullopt;
  const auto x = arrotonda(static_cast<double>(s.fine) / metri_cella - 1.0);
  if (x <= 1) return std::nullopt;
  return x;
}

// The last entry holding a station, 0 when none does.
int ultima_stazione(const voci_sommario& voci) {
  int ultima = 0;
  for (int k = 1; k <= ultima_voce_stazione; ++k) {
    if (e_stazione(voci[static_cast<std::size_t>(k)])) ultima = k;
  }
  return ultima;
}

// The first disagreement between the stations of the summary and the end
// markers of the track, in words; nothing when they agree.
std::optional<std::string> marcatori_discordi(const voci_sommario& voci, const std::vector<cella>& celle) {
  const int ultima = ultima_stazione(voci);
  // Each station's marker is where its entry puts it. The last station is
  // spared: a compile that stopped at an error may have stored its entry
  // without marking the track. A cell that now holds another feature may
  // have been taken after the marker was set.
  for (int k = 1; k < ultima; ++k) {
    const stazione& s = voci[static_cast<std::size_t>(k)];
    if (!e_stazione(s)) continue;
    const auto x = cella_marcatore(s);
    if (!x) continue;
    if (*x >= static_cast<std::int64_t>(celle.size())) {
      return fmt::format("station {} (entry {}) ends at {} m, beyond the track's last cell", s.nome, k, s.fine);
    }
    const cella& c = celle[static_cast<std::size_t>(*x)];
    if (c.tipo == 0 || c.tipo == tipo_cella::montagna || (c.tipo == tipo_cella::fine_stazione && c.valore1 != k)) {
      return fmt::format("station {} (entry {}) ends at {} m, but track cell {} holds no end marker of entry {}",
                         s.nome, k, s.fine, *x, k);
    }
  }
  // Each marker of the track belongs to a station of the summary ending there.
  for (std::size_t n = 0; n < celle.size(); ++n) {
    const cella& c = celle[n];
    if (c.tipo != tipo_cella::fine_stazione) continue;
    const int k = c.valore1;
    const bool suo = k >= 1 && k <= ultima_voce_stazione && e_stazione(voci[static_cast<std::size_t>(k)]) &&
                     cella_marcatore(voci[static_cast<std::size_t>(k)]) == static_cast<std::int64_t>(n);
    if (!suo) {
      return fmt::format("track cell {} holds the end marker of entry {}, but no station of the summary ends there", n,
                         k);
    }
  }
  return std::nullopt;
}

// Whether a signal's approach markers (written whatever the cells hold) may
// stand on cell n: a signal 2, 4, 6 or 8 cells after it.
bool sotto_avviso_segnale(const std::vector<cella>& celle, std::size_t n) {
  for (std::size_t b = 1; b <= 4; ++b) {
    const std::size_t s = n + 2 * b;
    if (s < celle.size() && celle[s].tipo == tipo_cella::segnale) return true;
  }
  return false;
}

// The approach cells each station puts before its end marker (all types
// that mark the track but 5 and 6): cell fine / 50 - 1 - j holds 80 + j.
// The first disagreement in words; nothing when they agree.
std::optional<std::string> avvisi_stazione_discordi(const voci_sommario& voci, const std::vector<cella>& celle) {
  const int ultima = ultima_stazione(voci);
  // Which station wants which approach value on which cell.
  std::vector<std::pair<std::uint8_t, int>> attesi(celle.size(), {std::uint8_t{0}, 0});
  for (int k = 1; k <= ultima; ++k) {
    const stazione& s = voci[static_cast<std::size_t>(k)];
    if (!e_stazione(s) || s.tipo == 5 || s.tipo == 6 || !cella_marcatore(s)) continue;
    for (int j = 1; j <= celle_avviso_stazione; ++j) {
      const double x = static_cast<double>(s.fine) / metri_cella - j - 1;
      const auto n = arrotonda(x);
      if (!(x > 1) || n >= static_cast<std::int64_t>(celle.size())) continue;
      attesi[static_cast<std::size_t>(n)] = {static_cast<std::uint8_t>(80 + j), k};
    }
  }
  for (std::size_t n = 0; n < celle.size(); ++n) {
    const auto [atteso, k] = attesi[n];
    const std::uint8_t avviso = celle[n].avviso;
    if (avviso == atteso || sotto_avviso_segnale(celle, n)) continue;
    // The last station is spared, as for its end marker.
    if (atteso != 0 && k < ultima) {
      const stazione& s = voci[static_cast<std::size_t>(k)];
      return fmt::format(
          "station {} (entry {}, type {}) ends at {} m, so track cell {} should hold the approach value {}, but it "
          "holds {}",
          s.nome, k, int{s.tipo}, s.fine, n, int{atteso}, int{avviso});
    }
    if (atteso == 0 && avviso >= primo_avviso_stazione && avviso < primo_avviso_stazione + celle_avviso_stazione) {
      return fmt::format(
          "track cell {} holds the approach value {} of a station ending {} m on, but no station of the summary "
          "ends there with approach cells",
          n, int{avviso}, (avviso - 80 + 1) * metri_cella);
    }
  }
  return std::nullopt;
}

// The indication boards of the track against the texts of the summary: a
// board shows the text of the entry it names, and every text has its board.
std::optional<std::string> indicazioni_discordi(const voci_sommario& voci, const std::vector<cella>& celle) {
  std::array<bool, voce::prima_indicazione + 1> mostrata{};
  for (std::size_t n = 0; n < celle.size(); ++n) {
    const cella& c = celle[n];
    // An entry outside 1 to 80 is told by the check of the track alone.
    if (c.tipo != tipo_cella::indicazione || c.valore1 < 1 || c.valore1 > voce::prima_indicazione) continue;
    const auto e = static_cast<std::size_t>(c.valore1);
    mostrata[e] = true;
    const stazione& s = voci[e];
    if (e_stazione(s)) {
      return fmt::format(
          "track cell {} holds an indication board showing the text of entry {}, but entry {} of the summary holds "
          "station {}",
          n, e, e, s.nome);
    }
    if (s.nome.empty()) {
      return fmt::format(
          "track cell {} holds an indication board showing the text of entry {}, but entry {} of the summary holds "
          "no text",
          n, e, e);
    }
  }
  for (std::size_t e = 1; e <= voce::prima_indicazione; ++e) {
    const stazione& s = voci[e];
    if (mostrata[e] || e_stazione(s) || s.nome.empty()) continue;
    return fmt::format(
        "entry {} of the summary holds the board text \"{}\", but no indication board of the track "
        "shows entry {}",
        e, s.nome, e);
  }
  return std::nullopt;
}

// The files of a set decoded, each on its own: nothing for one that is
// missing or unreadable.
struct insieme_decodificato {
  std::optional<voci_sommario> voci;
  std::optional<std::vector<cella>> celle;
  std::optional<piano> p;
};

template <typename T, typename F>
void decodifica_se_puoi(const std::optional<std::string>& byte, std::optional<T>& dove, F decoder) {
  if (!byte) return;
  try {
    dove = decoder(*byte);
  } catch (const errore_decodifica&) {
    dove.reset();
  }
}

// A link compared, or left out when one of its files is not there.
legame confronta(std::string nome, std::vector<std::string> file, bool confrontabile,
                 const std::function<std::optional<std::string>()>& discordanza) {
  legame l{std::move(nome), std::move(file), std::nullopt, {}};
  if (!confrontabile) return l;
  const std::optional<std::string> perche = discordanza();
  l.ok = !perche;
  if (perche) l.perche = *perche;
  return l;
}

// The links of the set, in the order check lists them. The first six say
// whether the files come from one compile; the last three hold what the
// marker step wrote, which the check of each file already tells.
std::vector<legame> legami_dell_insieme(const insieme_decodificato& d, const identita& id) {
  const std::string n_linea = nome_file_linea(id);
  const std::string n_sommario = nome_file_sommario(id);
  const std::string n_percorso = nome_file_percorso(id);
  const voci_sommario* voci = d.voci ? &*d.voci : nullptr;
  const std::vector<cella>* celle = d.celle ? &*d.celle : nullptr;
  const piano* p = d.p ? &*d.p : nullptr;
  const std::int32_t lunghezza = voci != nullptr ? (*voci)[voce::dati_generali].fine : 0;
  const auto misure = misure_da_lunghezza(lunghezza);

  std::vector<legame> l;
  l.push_back(confronta("route length / track cells", {n_sommario, n_percorso}, voci && celle,
                        [&]() -> std::optional<std::string> {
                          if (misure && celle->size() == static_cast<std::size_t>(misure->ultima_cella) + 1) {
                            return std::nullopt;
                          }
                          return fmt::format("a route of {} m, but {} track cells", lunghezza, celle->size());
                        }));
  l.push_back(
      confronta("route length / plan view", {n_sommario, n_linea}, voci && p, [&]() -> std::optional<std::string> {
        if (misure && p->ultimo_metro() == misure->lunghezza_totale) return std::nullopt;
        return fmt::format("a route of {} m, but a plan view of metres 0 to {}", lunghezza, p->ultimo_metro());
      }));
  l.push_back(
      confronta("track cells / plan view", {n_percorso, n_linea}, celle && p, [&]() -> std::optional<std::string> {
        const auto celle_del_piano = arrotonda(static_cast<double>(p->ultimo_metro()) / metri_cella);
        if (celle_del_piano == static_cast<std::int64_t>(celle->size()) - 1) return std::nullopt;
        return fmt::format("{} track cells, but a plan view of metres 0 to {} (cells 0 to {})", celle->size(),
                           p->ultimo_metro(), celle_del_piano);
      }));
  l.push_back(confronta("station end markers", {n_sommario, n_percorso}, voci && celle,
                        [&] { return marcatori_discordi(*voci, *celle); }));
  l.push_back(confronta("station approach cells", {n_sommario, n_percorso}, voci && celle,
                        [&] { return avvisi_stazione_discordi(*voci, *celle); }));
  l.push_back(confronta("indication board texts", {n_sommario, n_percorso}, voci && celle,
                        [&] { return indicazioni_discordi(*voci, *celle); }));
  l.push_back(confronta("format markers", {n_sommario, n_percorso}, voci && celle, [&]() -> std::optional<std::string> {
    const std::int16_t s = (*voci)[voce::linea].gruppo_a1;
    const std::int16_t t = (*celle)[1].valore1;
    if (s == marcatore_sommario && t == marcatore_percorso) return std::nullopt;
    return fmt::format(
        "entry 85 gruppo_a1 holds {} (marker {}), track cell 1 valore1 holds {} "
        "(marker {})",
        s, marcatore_sommario, t, marcatore_percorso);
  }));
  // og covers the identity the summary holds: its route and train names.
  l.push_back(confronta("check code og", {n_percorso, n_sommario}, voci && celle, [&]() -> std::optional<std::string> {
    const stazione& linea = (*voci)[voce::linea];
    const stazione& treno = (*voci)[voce::treno];
    const std::int16_t atteso = codice_gara_og(treno.nome, linea.nome);
    if ((*celle)[1].valore2 == atteso) return std::nullopt;
    return fmt::format(
        "track cell 1 valore2 holds the check code {}, but the summary names route \"{}\" and "
        "train \"{}\", which give {}",
        (*celle)[1].valore2, linea.nome, treno.nome, atteso);
  }));
  // st covers the names in the summary itself.
  l.push_back(confronta("check code st", {n_sommario}, voci != nullptr, [&]() -> std::optional<std::string> {
    const stazione& linea = (*voci)[voce::linea];
    const std::int32_t atteso = codice_gara_st((*voci)[voce::treno].nome, linea.nome);
    if (linea.orario == atteso) return std::nullopt;
    return fmt::format("entry 85 orario holds the check code {}, but the names of entries 85 and 86 give {}",
                       linea.orario, atteso);
  }));
  return l;
}

constexpr std::size_t legami_di_compilazione = 6;

}  // namespace

esito_insieme confronta_insieme(const file_scenario& f, const identita& id) {
  insieme_decodificato d;
  decodifica_se_puoi(f.sommario, d.voci, decodifica_sommario);
  decodifica_se_puoi(f.percorso, d.celle, decodifica_percorso);
  decodifica_se_puoi(f.linea, d.p, decodifica_linea);
  esito_insieme esito{legami_dell_insieme(d, id), {}};

  // The files of the links that failed, pair by pair, with why.
  struct coppia {
    std::string a, b;
    std::vector<std::string> perche;
  };
  std::vector<coppia> coppie;
  for (std::size_t i = 0; i < legami_di_compilazione; ++i) {
    const legame& l = esito.legami[i];
    if (l.ok.value_or(true)) continue;
    auto c = std::find_if(coppie.begin(), coppie.end(),
                          [&](const coppia& x) { return x.a == l.file[0] && x.b == l.file[1]; });
    if (c == coppie.end()) c = coppie.insert(coppie.end(), coppia{l.file[0], l.file[1], {}});
    c->perche.push_back(l.nome + ": " + l.perche);
  }
  const auto unite = [](const std::vector<std::string>& v) {
    std::string out;
    for (const std::string& s : v) out += (out.empty() ? "" : "; ") + s;
    return out;
  };

  if (coppie.size() == 2) {
    // The file both disagreements share is the odd one; the other two agree.
    std::string comune;
    for (const std::string& x : {coppie[0].a, coppie[0].b}) {
      if (x == coppie[1].a || x == coppie[1].b) comune = x;
    }
    if (!comune.empty()) {
      std::vector<std::string> altri;
      for (const std::string& x : {nome_file_linea(id), nome_file_sommario(id), nome_file_percorso(id)}) {
        if (x != comune) altri.push_back(x);
      }
      esito.problemi.push_back(
          {{comune},
           fmt::format("{}: does not belong with {} and {}, which agree with each other ({}; {})", comune, altri[0],
                       altri[1], unite(coppie[0].perche), unite(coppie[1].perche))});
      coppie.clear();
    }
  }
  for (const coppia& c : coppie) {
    esito.problemi.push_back({{c.a, c.b},
                              fmt::format("{}: does not come from the same compile as {} ({}); one of the two does "
                                          "not belong to this set",
                                          c.a, c.b, unite(c.perche))});
  }

  // og against the summary's names: the check of the track alone holds it
  // against the folder's identity, which says the same when the summary
  // names that identity.
  const legame& og = esito.legami[legami_di_compilazione + 1];
  const bool nomi_della_cartella =
      d.voci && (*d.voci)[voce::linea].nome == id.nome_linea && (*d.voci)[voce::treno].nome == id.nome_treno;
  if (!og.ok.value_or(true) && !nomi_della_cartella) {
    esito.problemi.push_back({og.file, fmt::format("{}: {}", og.file[0], og.perche)});
  }
  return esito;
}

std::vector<std::string> verifica_insieme(const file_scenario& f, const identita& id) {
  std::vector<std::string> problemi;
  for (problema_insieme& p : confronta_insieme(f, id).problemi) problemi.push_back(std::move(p.testo));
  return problemi;
}

}  // namespace scen
