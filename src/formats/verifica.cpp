#include "formats/verifica.h"

#include <fmt/format.h>

#include <cmath>

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

// The cell of a station's end marker: fine / 50 - 1, when above 1.
std::optional<std::int64_t> cella_marcatore(const stazione& s) {
  if (s.tipo >= tipo_stazione_senza_marcatore) return std::nullopt;
  const auto x = arrotonda(static_cast<double>(s.fine) / metri_cella - 1.0);
  if (x <= 1) return std::nullopt;
  return x;
}

// The first disagreement between the stations of the summary and the end
// markers of the track, in words; nothing when they agree.
std::optional<std::string> marcatori_discordi(const std::array<stazione, numero_stazioni>& voci,
                                              const std::vector<cella>& celle) {
  int ultima = 0;
  for (int k = 1; k <= ultima_voce_stazione; ++k) {
    if (e_stazione(voci[static_cast<std::size_t>(k)])) ultima = k;
  }
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

}  // namespace

std::vector<std::string> verifica_insieme(const file_scenario& f, const identita& id) {
  std::vector<std::string> problemi;
  std::optional<std::array<stazione, numero_stazioni>> voci;
  std::optional<std::vector<cella>> celle;
  std::optional<piano> p;
  try {
    if (f.sommario) voci = decodifica_sommario(*f.sommario);
    if (f.percorso) celle = decodifica_percorso(*f.percorso);
    if (f.linea) p = decodifica_linea(*f.linea);
  } catch (const errore_decodifica&) {
    return problemi;
  }
  if (!voci || !celle) return problemi;

  const std::string n_linea = nome_file_linea(id);
  const std::string n_sommario = nome_file_sommario(id);
  const std::string n_percorso = nome_file_percorso(id);
  struct relazione {
    const std::string* a;
    const std::string* b;
    std::string perche;  // empty: they agree
  };
  std::vector<relazione> discordi;

  const std::int32_t lunghezza = (*voci)[voce::dati_generali].fine;
  const auto misure = misure_da_lunghezza(lunghezza);
  // Summary and track: cells for the route length, markers for the stations.
  if (!misure || celle->size() != static_cast<std::size_t>(misure->ultima_cella) + 1) {
    discordi.push_back(
        {&n_sommario, &n_percorso, fmt::format("a route of {} m, but {} track cells", lunghezza, celle->size())});
  } else if (auto perche = marcatori_discordi(*voci, *celle)) {
    discordi.push_back({&n_sommario, &n_percorso, std::move(*perche)});
  }
  if (p) {
    if (!misure || p->ultimo_metro() != misure->lunghezza_totale) {
      discordi.push_back(
          {&n_sommario, &n_linea,
           fmt::format("a route of {} m, but a plan view of metres 0 to {}", lunghezza, p->ultimo_metro())});
    }
    const auto celle_del_piano = arrotonda(static_cast<double>(p->ultimo_metro()) / metri_cella);
    if (celle_del_piano != static_cast<std::int64_t>(celle->size()) - 1) {
      discordi.push_back({&n_percorso, &n_linea,
                          fmt::format("{} track cells, but a plan view of metres 0 to {} (cells 0 to {})",
                                      celle->size(), p->ultimo_metro(), celle_del_piano)});
    }
  }
  if (discordi.empty()) return problemi;

  if (discordi.size() == 2) {
    // The file both disagreements share is the odd one; the other two agree.
    const std::string* comune = nullptr;
    for (const std::string* x : {discordi[0].a, discordi[0].b}) {
      if (x == discordi[1].a || x == discordi[1].b) comune = x;
    }
    if (comune != nullptr) {
      std::vector<std::string> altri;
      for (const std::string* x : {&n_linea, &n_sommario, &n_percorso}) {
        if (x != comune) altri.push_back(*x);
      }
      problemi.push_back(fmt::format("{}: does not belong with {} and {}, which agree with each other ({}; {})",
                                     *comune, altri[0], altri[1], discordi[0].perche, discordi[1].perche));
      return problemi;
    }
  }
  for (const relazione& r : discordi) {
    problemi.push_back(
        fmt::format("{}: does not come from the same compile as {} ({}); one of the two does not "
                    "belong to this set",
                    *r.a, *r.b, r.perche));
  }
  return problemi;
}

}  // namespace scen
