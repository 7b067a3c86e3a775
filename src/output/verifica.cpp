#include "output/verifica.h"

#include <fmt/format.h>

#include <cmath>

#include "model/misure.h"
#include "output/codici_gara.h"
#include "output/decodifica.h"
#include "output/file_binari.h"
#include "output/marcatori.h"

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

template <typename T, typename F>
std::optional<T> decodifica(const std::optional<std::string>& byte, const std::string& nome, raccolta& problema,
                            F&& decoder) {
  if (!byte) {
    problema(nome, "missing");
    return std::nullopt;
  }
  try {
    return decoder(*byte);
  } catch (const errore_decodifica& e) {
    problema(nome, "unreadable: {}", e.what());
    return std::nullopt;
  }
}

void verifica_sommario(const std::array<stazione, numero_stazioni>& voci, const identita& id,
                       const std::string& nome, raccolta& problema) {
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
    problema(nome, "entry 85 orario holds the check code {}, but route \"{}\" and train \"{}\" give {}",
             linea.orario, id.nome_linea, id.nome_treno, atteso);
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
    problema(nome, "cell 1 valore2 holds the check code {}, but route \"{}\" and train \"{}\" give {}",
             prima.valore2, id.nome_linea, id.nome_treno, atteso);
  }
  if (misure && celle.size() != static_cast<std::size_t>(misure->ultima_cella) + 1) {
    const std::size_t attese = static_cast<std::size_t>(misure->ultima_cella) + 1;
    problema(nome, "holds {} cells ({} bytes), but the route length in the summary's entry 84 gives {} cells ({} bytes)",
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

std::vector<std::string> verifica_scenario(const file_scenario& f, const identita& id) {
  std::vector<std::string> problemi;
  raccolta problema(problemi);
  const std::string n_linea = nome_file_linea(id);
  const std::string n_sommario = nome_file_sommario(id);
  const std::string n_percorso = nome_file_percorso(id);

  std::optional<misure_percorso> misure;
  const auto voci = decodifica<std::array<stazione, numero_stazioni>>(f.sommario, n_sommario, problema,
                                                                      decodifica_sommario);
  if (voci) {
    verifica_sommario(*voci, id, n_sommario, problema);
    const std::int32_t lunghezza = (*voci)[voce::dati_generali].fine;
    misure = misure_da_lunghezza(lunghezza);
    if (!misure) {
      problema(n_sommario, "entry 84 holds the route length {} m, which no compile stores (at most {} m, and "
               "enough for cells 0 and 1)", lunghezza, lunghezza_massima);
    }
  }
  if (const auto celle = decodifica<std::vector<cella>>(f.percorso, n_percorso, problema, decodifica_percorso)) {
    verifica_percorso(*celle, id, n_percorso, misure, problema);
  }
  if (const auto p = decodifica<piano>(f.linea, n_linea, problema, decodifica_linea)) {
    verifica_linea(*p, n_linea, misure, problema);
  }
  return problemi;
}

}  // namespace scen
