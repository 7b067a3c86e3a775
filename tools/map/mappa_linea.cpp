// The route's objects gathered from the decoded files, in one pass over the
// cells, for the stretch drawn and at the drawing's resolution: what the map
// holds grows with the page, not with the number of cells.
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>
#include <utility>

#include "map/mappa_interno.h"
#include "model/misure.h"
#include "text/testo_utf8.h"

namespace scen::tool {

namespace mappa {
namespace {

void aggiungi(std::vector<oggetto>& v, double da, double a, std::size_t cella, double risoluzione) {
  if (!v.empty() && da - v.back().a < risoluzione) {
    v.back().a = std::max(v.back().a, a);
    ++v.back().conta;
    return;
  }
  v.push_back({da, a, cella, 1});
}

// Builds the runs of a profile cell by cell; a run narrower than the
// resolution takes the next cells in, whatever their value.
class tratti_di {
 public:
  tratti_di(std::vector<tratto>& out, double risoluzione) : out_(out), risoluzione_(risoluzione) {}
  void aggiungi(double da, double a, int v) {
    if (!out_.empty()) {
      tratto& u = out_.back();
      if ((u.lo == v && u.hi == v) || u.a - u.da < risoluzione_) {
        u.a = a;
        u.lo = std::min(u.lo, v);
        u.hi = std::max(u.hi, v);
        return;
      }
    }
    out_.push_back({da, a, v, v});
  }

 private:
  std::vector<tratto>& out_;
  double risoluzione_;
};

struct rallentamento_celle {
  std::size_t inizio, fine;
  int velocita;
};

// Each slowdown start with the first end cell after it (the last cell when
// there is none), found in one backward pass.
std::vector<rallentamento_celle> rallentamenti(const std::vector<cella>& c) {
  std::vector<rallentamento_celle> out;
  std::size_t prossima_fine = c.size() - 1;
  for (std::size_t n = c.size(); n-- > 0;) {
    if (c[n].tipo == tipo_cella::inizio_rallentamento) {
      out.push_back({n, std::max(n, prossima_fine), c[n].valore1});
    }
    if (c[n].tipo == tipo_cella::fine_rallentamento) prossima_fine = n;
  }
  std::reverse(out.begin(), out.end());
  return out;
}

}  // namespace

linea_mappa raccogli(const scenario_decodificato& d, std::optional<double> da, std::optional<double> a,
                     double larghezza_px) {
  linea_mappa l;
  l.lunghezza = lunghezza_percorso(d);
  l.da = std::clamp(da.value_or(0.0), 0.0, l.lunghezza);
  l.a = std::clamp(a.value_or(l.lunghezza), l.da, l.lunghezza);
  if (l.a - l.da < 100) l.a = std::min(l.lunghezza, l.da + 100), l.da = std::max(0.0, l.a - 100);
  l.risoluzione = larghezza_px > 0 ? (l.a - l.da) / larghezza_px : 0.0;
  const auto dentro = [&](double p0, double p1) { return p1 >= l.da && p0 <= l.a; };

  for (int n = 1; n <= voce::prima_indicazione; ++n) {
    const stazione& s = d.voci[static_cast<std::size_t>(n)];
    if (!e_stazione(s) || !dentro(std::min<double>(s.inizio, s.posizione), std::max<double>(s.fine, s.posizione))) {
      continue;
    }
    l.stazioni.push_back({static_cast<std::size_t>(n), leggibile_da_1252(s.nome), static_cast<double>(s.posizione),
                          static_cast<double>(s.inizio), static_cast<double>(s.fine)});
  }
  for (int z = voce::zona_0; z <= voce::zona_2; ++z) {
    const stazione& s = d.voci[static_cast<std::size_t>(z)];
    if (s.fine > 0) l.zone_km.push_back({static_cast<double>(s.inizio), static_cast<double>(s.fine)});
  }
  std::sort(l.zone_km.begin(), l.zone_km.end(), [](const auto& x, const auto& y) { return x.inizio > y.inizio; });
  const stazione& treno = d.voci[voce::treno];
  if (treno.fine > treno.inizio) l.ripetizione_da = treno.inizio, l.ripetizione_a = treno.fine;

  const auto& c = d.celle;
  const auto tipo = [&](tipo_oggetto t) -> std::vector<oggetto>& { return l.oggetti[static_cast<std::size_t>(t)]; };
  for (std::size_t n = 0; n < c.size(); ++n) {
    const double p = metri_punto(n);
    if (!dentro(p, p)) continue;
    switch (c[n].tipo) {
      case tipo_cella::segnale:
        aggiungi(tipo(tipo_oggetto::segnale), p, p, n, l.risoluzione);
        break;
      case tipo_cella::indicatore_v_max:
        aggiungi(tipo(tipo_oggetto::cartello), p, p, n, l.risoluzione);
        break;
      case tipo_cella::avviso_rallentamento:
        aggiungi(tipo(tipo_oggetto::avviso), p, p, n, l.risoluzione);
        break;
      case tipo_cella::indicazione:
        aggiungi(tipo(tipo_oggetto::indicazione), p, p, n, l.risoluzione);
        break;
      case tipo_cella::punto_codice: {
        // Code points are placed by cell, without the + 1 of point features.
        const double q = metri_inizio_cella(static_cast<std::int64_t>(n));
        aggiungi(tipo(tipo_oggetto::codice), q, q, n, l.risoluzione);
        break;
      }
      default:
        break;
    }
  }

  // Profiles over the cells of the stretch, and the effective speed limit:
  // the train's limit, lowered inside every slowdown to the slowdown's speed.
  const auto rall = rallentamenti(c);
  for (const auto& r : rall) {
    if (dentro(metri_punto(r.inizio), metri_punto(r.fine))) {
      aggiungi(tipo(tipo_oggetto::rallentamento), metri_punto(r.inizio), metri_punto(r.fine), r.inizio, l.risoluzione);
    }
  }
  tratti_di pendenza(l.pendenza, l.risoluzione), velocita(l.velocita, l.risoluzione),
      efficace(l.efficace, l.risoluzione), aderenza(l.aderenza, l.risoluzione);
  using attivo = std::pair<int, std::size_t>;  // speed, end cell
  std::priority_queue<attivo, std::vector<attivo>, std::greater<>> in_corso;
  std::size_t prossimo = 0;
  for (std::size_t n = 0; n < c.size() && metri_inizio_cella(static_cast<std::int64_t>(n)) < l.a; ++n) {
    // A slowdown holds from the cell of its start to the cell of its end (the
    // cells of a point feature are one ahead of its metres).
    while (prossimo < rall.size() && rall[prossimo].inizio <= n + 1) {
      in_corso.push({rall[prossimo].velocita, rall[prossimo].fine});
      ++prossimo;
    }
    while (!in_corso.empty() && in_corso.top().second < n + 2) in_corso.pop();
    const double p0 = metri_inizio_cella(static_cast<std::int64_t>(n)), p1 = std::min(p0 + metri_cella, l.lunghezza);
    if (p1 <= l.da) continue;
    const int v = c[n].velocita * 5;
    pendenza.aggiungi(p0, p1, c[n].pendenza == 0 ? non_riempito : c[n].pendenza - 100);
    velocita.aggiungi(p0, p1, v);
    efficace.aggiungi(p0, p1, in_corso.empty() ? v : std::min(v, in_corso.top().first));
    aderenza.aggiungi(p0, p1, c[n].aderenza);
  }
  return l;
}

std::optional<double> chilometrica(const linea_mappa& l, double metri) {
  for (const auto& z : l.zone_km) {
    if (z.inizio <= metri) return z.progressiva - (metri - z.inizio);
  }
  return std::nullopt;
}

std::string luogo(const linea_mappa& l, double metri) {
  const auto k = chilometrica(l, metri);
  return k ? fmt::format("{:.0f} m (km {:.3f})", metri, *k / 1000.0) : fmt::format("{:.0f} m", metri);
}

const char* nome_oggetto(tipo_oggetto t, bool plurale) {
  switch (t) {
    case tipo_oggetto::segnale:
      return plurale ? "signals" : "signal";
    case tipo_oggetto::cartello:
      return plurale ? "maximum-speed boards" : "maximum-speed board";
    case tipo_oggetto::avviso:
      return plurale ? "slowdown warning boards" : "slowdown warning board";
    case tipo_oggetto::codice:
      return plurale ? "cab-signal code points" : "cab-signal code point";
    case tipo_oggetto::indicazione:
      return plurale ? "indication boards" : "indication board";
    case tipo_oggetto::rallentamento:
      return plurale ? "slowdowns" : "slowdown";
    default:
      return "";
  }
}

std::string descrizione(const scenario_decodificato& d, const linea_mappa& l, tipo_oggetto t, const oggetto& o) {
  if (o.conta > 1) {
    return fmt::format("{} {} from {} to {}", o.conta, nome_oggetto(t, true), luogo(l, o.da), luogo(l, o.a));
  }
  const cella& c = d.celle[o.cella];
  switch (t) {
    case tipo_oggetto::rallentamento:
      return fmt::format("slowdown {} km/h from {} to {} ({:.0f} m)\nspeed difference {} \xC2\xB7 f_tt {}", c.valore1,
                         luogo(l, o.da), luogo(l, o.a), o.a - o.da, c.valore2, c.valore3);
    case tipo_oggetto::indicazione: {
      std::string testo;
      if (c.valore1 >= 1 && c.valore1 <= voce::prima_indicazione) {
        testo = leggibile_da_1252(d.voci[static_cast<std::size_t>(c.valore1)].nome);
      }
      return fmt::format("indication board at {}\n\"{}\" (entry {})", luogo(l, o.da), testo, c.valore1);
    }
    case tipo_oggetto::codice:
      return fmt::format("cab-signal code point at {} (cell {})\nvalue {}", luogo(l, o.da), o.cella, c.valore1);
    case tipo_oggetto::segnale:
      return fmt::format(
          "signal at {} (cell {})\nvalore1 {} \xC2\xB7 valore2 {} \xC2\xB7 valore3 {} \xC2\xB7 "
          "valore4 {} \xC2\xB7 tempo {}",
          luogo(l, o.da), o.cella, c.valore1, c.valore2, c.valore3, c.valore4, c.tempo);
    default:
      return fmt::format("{} at {} (cell {})\nvalore1 {} \xC2\xB7 valore2 {} \xC2\xB7 valore3 {} \xC2\xB7 valore4 {}",
                         nome_oggetto(t, false), luogo(l, o.da), o.cella, c.valore1, c.valore2, c.valore3, c.valore4);
  }
}

std::string descrizione_stazione(const scenario_decodificato& d, const linea_mappa& l, const stazione_mappa& s) {
  const stazione& v = d.voci[s.voce];
  return fmt::format(
      "{} (entry {}) at {}\nzone {:.0f} m to {:.0f} m \xC2\xB7 type {} \xC2\xB7 options {} {} {}\n"
      "time {} \xC2\xB7 stop {} \xC2\xB7 groups {} {} {} / {} {} {}",
      s.nome, s.voce, luogo(l, s.posizione), s.inizio, s.fine, v.tipo, v.opzione1, v.opzione2, v.opzione3,
      v.orario != 0 ? orario_breve(v.orario) : std::string("none"), v.sosta, v.gruppo_a1, v.gruppo_a2, v.gruppo_a3,
      v.gruppo_b1, v.gruppo_b2, v.gruppo_b3);
}

double passo_tondo(double campo, double quanti) {
  if (!(campo > 0)) return 1;
  const double grezzo = campo / quanti;
  const double potenza = std::pow(10.0, std::floor(std::log10(grezzo)));
  for (const double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * potenza >= grezzo) return m * potenza;
  }
  return 10 * potenza;
}

std::string km(double metri) {
  const double k = metri / 1000.0;
  if (std::fabs(k - std::round(k)) < 1e-9) return fmt::format("{:.0f} km", k);
  if (std::fabs(k * 10 - std::round(k * 10)) < 1e-9) return fmt::format("{:.1f} km", k);
  return fmt::format("{:.2f} km", k);
}

std::string orario_breve(std::int32_t secondi) { return fmt::format("{}:{:02}", secondi / 3600, secondi / 60 % 60); }

}  // namespace mappa
}  // namespace scen::tool
