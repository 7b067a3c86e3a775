// The comparison works on the decoded files alone: stations from the
// summary, line-side objects and profiles from the track's cells, the plan
// view metre by metre. Objects are matched by position first, then a
// leftover one that reappears nearby with the same fields counts as moved.
// Each change also marks the fields of the files it tells (campi_spiegati):
// the object's own cells and the markers placed with it, a station's entry,
// a profile's or the plan view's changed stretch, a general datum's field.
#include "diff/confronto.h"
#include "model/misure.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <optional>

#include "text/testo_utf8.h"

namespace scen::tool {
namespace {

// How far an object may move and still count as the same one.
constexpr double spostamento_massimo = 2000;
// A stretch where a profile changes in more steps than this is one line.
constexpr std::size_t passi_per_riga = 3;

const char* freccia = " \xE2\x86\x92 ";

// The line's kilometrage, from the kilometric zones of the summary.
class chilometri {
 public:
  explicit chilometri(const std::array<stazione, numero_stazioni>& v) {
    for (int z = voce::zona_0; z <= voce::zona_2; ++z) {
      if (v[static_cast<std::size_t>(z)].fine > 0)
        zone_.push_back({v[static_cast<std::size_t>(z)].inizio, v[static_cast<std::size_t>(z)].fine});
    }
    std::sort(zone_.begin(), zone_.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  }
  std::string luogo(double m) const {
    for (const auto& [inizio, progressiva] : zone_) {
      if (inizio <= m) return fmt::format("{:.0f} m (km {:.3f})", m, (progressiva - (m - inizio)) / 1000.0);
    }
    return fmt::format("{:.0f} m", m);
  }
  std::string tratto(double da, double a) const { return "from " + luogo(da) + " to " + luogo(a); }

 private:
  std::vector<std::pair<double, double>> zone_;
};

// ---- stations ----

std::string orario(std::int32_t s) {
  if (s == 0) return "none";
  return fmt::format("{}:{:02}:{:02}", s / 3600, s / 60 % 60, s % 60);
}

// A station's entry and the cells of its end marker and approach markers
// (the four before it; a cell more either side for the rounding).
void spiega_stazione(campi_spiegati& s, int voce, const stazione& e, std::uint16_t campi_celle) {
  s.voce(voce, tutti_i_campi);
  const auto fine = static_cast<std::int64_t>(std::floor(static_cast<double>(e.fine) / metri_cella));
  s.celle(fine - 6, fine + 1, campi_celle);
}

constexpr std::uint16_t campi_stazione = bit(cc_tipo) | bit(cc_valore1) | bit(cc_avviso);

void confronta_stazioni(const scenario_decodificato& p, const scenario_decodificato& d, const chilometri& k,
                        std::vector<cambio>& out, campi_spiegati& s) {
  std::vector<int> a, b;
  for (int n = 1; n <= voce::prima_indicazione; ++n) {
    if (e_stazione(p.voci[static_cast<std::size_t>(n)])) a.push_back(n);
    if (e_stazione(d.voci[static_cast<std::size_t>(n)])) b.push_back(n);
  }
  std::vector<std::optional<int>> coppia(a.size());
  std::vector<bool> presa(b.size(), false);
  const auto accoppia = [&](const std::function<bool(const stazione&, const stazione&)>& uguali) {
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (coppia[i]) continue;
      for (std::size_t j = 0; j < b.size(); ++j) {
        if (!presa[j] && uguali(p.voci[static_cast<std::size_t>(a[i])], d.voci[static_cast<std::size_t>(b[j])])) {
          coppia[i] = static_cast<int>(j);
          presa[j] = true;
          break;
        }
      }
    }
  };
  accoppia([](const stazione& x, const stazione& y) { return x.nome == y.nome; });
  accoppia([](const stazione& x, const stazione& y) { return x.posizione == y.posizione; });
  // A station added or removed moves those after it in the table.
  const bool spostate = std::any_of(coppia.begin(), coppia.end(), [](const auto& c) { return !c; }) ||
                        std::any_of(presa.begin(), presa.end(), [](bool x) { return !x; });

  for (std::size_t i = 0; i < a.size(); ++i) {
    const stazione& x = p.voci[static_cast<std::size_t>(a[i])];
    const std::string nome_x = utf8_da_1252(x.nome);
    if (!coppia[i]) {
      out.push_back({static_cast<double>(x.posizione), static_cast<double>(x.posizione),
                     fmt::format("station {} removed at {}", nome_x, k.luogo(x.posizione))});
      spiega_stazione(s, a[i], x, campi_stazione);
      continue;
    }
    const int voce_y = b[static_cast<std::size_t>(*coppia[i])];
    const stazione& y = d.voci[static_cast<std::size_t>(voce_y)];
    const std::size_t gia = out.size();
    const double da = std::min(y.inizio, y.posizione), a_ = std::max(y.fine, y.posizione);
    if (x.nome != y.nome) {
      out.push_back(
          {da, a_, fmt::format("station {} renamed {} at {}", nome_x, utf8_da_1252(y.nome), k.luogo(y.posizione))});
    }
    const std::string nome_y = utf8_da_1252(y.nome);
    if (x.posizione != y.posizione) {
      out.push_back(
          {da, a_, fmt::format("station {} moved {} m{}{}", nome_y, x.posizione, freccia, k.luogo(y.posizione))});
    }
    std::vector<std::string> campi;
    const auto campo = [&](const char* nome, const auto& vx, const auto& vy) {
      if (vx != vy) campi.push_back(fmt::format("{} {}{}{}", nome, vx, freccia, vy));
    };
    campo("type", int{x.tipo}, int{y.tipo});
    if (x.inizio - x.posizione != y.inizio - y.posizione || x.fine - x.posizione != y.fine - y.posizione) {
      campi.push_back(fmt::format("zone {} m{}{} m long", x.fine - x.inizio, freccia, y.fine - y.inizio));
    }
    campo("options", fmt::format("{} {} {}", x.opzione1, x.opzione2, x.opzione3),
          fmt::format("{} {} {}", y.opzione1, y.opzione2, y.opzione3));
    campo("groups",
          fmt::format("{} {} {} / {} {} {}", x.gruppo_a1, x.gruppo_a2, x.gruppo_a3, x.gruppo_b1, x.gruppo_b2,
                      x.gruppo_b3),
          fmt::format("{} {} {} / {} {} {}", y.gruppo_a1, y.gruppo_a2, y.gruppo_a3, y.gruppo_b1, y.gruppo_b2,
                      y.gruppo_b3));
    campo("stop", int{x.sosta}, int{y.sosta});
    campo("time", orario(x.orario), orario(y.orario));
    for (const std::string& c : campi) {
      out.push_back({da, a_, fmt::format("station {} at {}: {}", nome_y, k.luogo(y.posizione), c)});
    }
    if (out.size() > gia) {
      spiega_stazione(s, a[i], x, campi_stazione);
      spiega_stazione(s, voce_y, y, campi_stazione);
    } else if (a[i] != voce_y && spostate) {
      // Moved in the table by a station added or removed before it: its
      // entry and the entry number its end marker carries.
      spiega_stazione(s, a[i], x, bit(cc_valore1));
      spiega_stazione(s, voce_y, y, bit(cc_valore1));
    }
  }
  for (std::size_t j = 0; j < b.size(); ++j) {
    if (presa[j]) continue;
    const stazione& y = d.voci[static_cast<std::size_t>(b[j])];
    out.push_back({static_cast<double>(std::min(y.inizio, y.posizione)),
                   static_cast<double>(std::max(y.fine, y.posizione)),
                   fmt::format("station {} added at {}", utf8_da_1252(y.nome), k.luogo(y.posizione))});
    spiega_stazione(s, b[j], y, campi_stazione);
  }
}

// ---- line-side objects ----

struct oggetto_linea {
  double posizione;
  std::string campi;  // the fields that make it what it is, spelled out
  double fine = 0;    // slowdowns: where they end
  std::int64_t cella = 0;
  std::int64_t cella_fine = 0;  // slowdowns: the cell of their end
  std::int16_t voce = 0;        // indication boards: the entry of their text
};

constexpr std::uint16_t campi_oggetto =
    bit(cc_tipo) | bit(cc_valore1) | bit(cc_valore2) | bit(cc_valore3) | bit(cc_valore4) | bit(cc_tempo);

// The cells an object of type `tipo` was placed on, with the markers that
// come with it: a signal's approach markers (up to 8 cells before it), a
// warning board's four cells before it, a slowdown's end, a board's text.
void spiega_oggetto(campi_spiegati& s, std::uint8_t tipo, const oggetto_linea& o) {
  s.celle(o.cella, o.cella, campi_oggetto);
  switch (tipo) {
    case tipo_cella::segnale:
      s.celle(o.cella - 8, o.cella - 1, bit(cc_avviso));
      break;
    case tipo_cella::avviso_rallentamento:
      s.celle(o.cella - 4, o.cella - 1, campi_oggetto);
      break;
    case tipo_cella::inizio_rallentamento:
      s.celle(o.cella_fine, o.cella_fine, campi_oggetto);
      break;
    case tipo_cella::indicazione:
      s.voce(o.voce, bit(cv_nome));
      break;
    default:
      break;
  }
}

std::vector<oggetto_linea> oggetti(const scenario_decodificato& d, std::uint8_t tipo, double fino_a) {
  std::vector<oggetto_linea> out;
  std::size_t prossima_fine = d.celle.size() - 1;
  std::vector<std::size_t> fine_di(tipo == tipo_cella::inizio_rallentamento ? d.celle.size() : 0);
  if (!fine_di.empty()) {
    for (std::size_t n = d.celle.size(); n-- > 0;) {
      fine_di[n] = prossima_fine;
      if (d.celle[n].tipo == tipo_cella::fine_rallentamento) prossima_fine = n;
    }
  }
  for (std::size_t n = 0; n < d.celle.size(); ++n) {
    const cella& c = d.celle[n];
    if (c.tipo != tipo) continue;
    const double p = tipo == tipo_cella::punto_codice || tipo == tipo_cella::fine_codice
                         ? metri_inizio_cella(static_cast<std::int64_t>(n))
                         : metri_punto(n);
    if (p > fino_a) break;
    oggetto_linea o{p, ""};
    o.cella = static_cast<std::int64_t>(n);
    switch (tipo) {
      case tipo_cella::segnale:
        o.campi = fmt::format("values {} {} {} {}, time {}", c.valore1, c.valore2, c.valore3, c.valore4, c.tempo);
        break;
      case tipo_cella::inizio_rallentamento:
        o.fine = metri_punto(std::max(n, fine_di[n]));
        o.cella_fine = static_cast<std::int64_t>(fine_di[n]);
        o.campi = fmt::format("{} km/h, {:.0f} m long, speed difference {}, f_tt {}", c.valore1, o.fine - p, c.valore2,
                              c.valore3);
        break;
      case tipo_cella::indicazione: {
        std::string testo;
        if (c.valore1 >= 1 && c.valore1 <= voce::prima_indicazione) {
          testo = utf8_da_1252(d.voci[static_cast<std::size_t>(c.valore1)].nome);
        }
        o.voce = c.valore1;
        o.campi = "\"" + testo + "\"";
        break;
      }
      default:
        o.campi = fmt::format("values {} {} {} {}", c.valore1, c.valore2, c.valore3, c.valore4);
    }
    out.push_back(std::move(o));
  }
  return out;
}

void confronta_oggetti(const scenario_decodificato& p, const scenario_decodificato& d, std::uint8_t tipo,
                       const char* nome, double fino_a, const chilometri& k, std::vector<cambio>& out,
                       campi_spiegati& s) {
  const auto a = oggetti(p, tipo, fino_a), b = oggetti(d, tipo, fino_a);
  std::vector<bool> usato_a(a.size(), false), usato_b(b.size(), false);
  // Same place: the same object, perhaps with other fields.
  for (std::size_t i = 0, j = 0; i < a.size() && j < b.size();) {
    if (a[i].posizione < b[j].posizione) {
      ++i;
      continue;
    }
    if (b[j].posizione < a[i].posizione) {
      ++j;
      continue;
    }
    usato_a[i] = usato_b[j] = true;
    if (a[i].campi != b[j].campi) {
      out.push_back({b[j].posizione, std::max(b[j].posizione, b[j].fine),
                     fmt::format("{} at {}: {}{}{}", nome, k.luogo(b[j].posizione), a[i].campi, freccia, b[j].campi)});
      spiega_oggetto(s, tipo, a[i]);
      spiega_oggetto(s, tipo, b[j]);
    }
    ++i, ++j;
  }
  // A leftover one with the same fields nearby: moved.
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (usato_a[i]) continue;
    std::optional<std::size_t> migliore;
    for (std::size_t j = 0; j < b.size(); ++j) {
      if (usato_b[j] || b[j].campi != a[i].campi) continue;
      const double dist = std::fabs(b[j].posizione - a[i].posizione);
      if (dist <= spostamento_massimo && (!migliore || dist < std::fabs(b[*migliore].posizione - a[i].posizione))) {
        migliore = j;
      }
    }
    if (!migliore) continue;
    usato_a[i] = usato_b[*migliore] = true;
    const oggetto_linea& y = b[*migliore];
    out.push_back({std::min(a[i].posizione, y.posizione), std::max({a[i].posizione, y.posizione, y.fine}),
                   fmt::format("{} moved {:.0f} m{}{}", nome, a[i].posizione, freccia, k.luogo(y.posizione))});
    spiega_oggetto(s, tipo, a[i]);
    spiega_oggetto(s, tipo, y);
  }
  bool aggiunti_o_tolti = false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!usato_a[i]) {
      out.push_back({a[i].posizione, a[i].posizione,
                     fmt::format("{} removed at {} ({})", nome, k.luogo(a[i].posizione), a[i].campi)});
      spiega_oggetto(s, tipo, a[i]);
      aggiunti_o_tolti = true;
    }
  }
  for (std::size_t j = 0; j < b.size(); ++j) {
    if (!usato_b[j]) {
      out.push_back({b[j].posizione, std::max(b[j].posizione, b[j].fine),
                     fmt::format("{} added at {} ({})", nome, k.luogo(b[j].posizione), b[j].campi)});
      spiega_oggetto(s, tipo, b[j]);
      aggiunti_o_tolti = true;
    }
  }
  // A board text added or removed moves the later texts to other entries:
  // every board's entry number and text entry.
  if (tipo == tipo_cella::indicazione && aggiunti_o_tolti) {
    for (const auto* v : {&a, &b}) {
      for (const oggetto_linea& o : *v) {
        s.celle(o.cella, o.cella, bit(cc_valore1));
        s.voce(o.voce, bit(cv_nome));
      }
    }
  }
}

// Code points follow from the slowdowns and signals: listed as the places
// added and removed, a few to a line.
void confronta_punti(const scenario_decodificato& p, const scenario_decodificato& d, std::uint8_t tipo,
                     const char* nome, const char* nomi, double fino_a, const chilometri& k, std::vector<cambio>& out,
                     campi_spiegati& spiegati) {
  const auto a = oggetti(p, tipo, fino_a), b = oggetti(d, tipo, fino_a);
  std::vector<double> via, nuovi;
  std::size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    if (j == b.size() || (i < a.size() && a[i].posizione < b[j].posizione)) {
      spiega_oggetto(spiegati, tipo, a[i]);
      via.push_back(a[i++].posizione);
    } else if (i == a.size() || b[j].posizione < a[i].posizione) {
      spiega_oggetto(spiegati, tipo, b[j]);
      nuovi.push_back(b[j++].posizione);
    } else {
      if (a[i].campi != b[j].campi) {
        out.push_back(
            {b[j].posizione, b[j].posizione,
             fmt::format("{} at {}: {}{}{}", nome, k.luogo(b[j].posizione), a[i].campi, freccia, b[j].campi)});
        spiega_oggetto(spiegati, tipo, a[i]);
        spiega_oggetto(spiegati, tipo, b[j]);
      }
      ++i, ++j;
    }
  }
  const auto elenca = [&](const std::vector<double>& v, const char* cosa) {
    for (std::size_t s = 0; s < v.size();) {
      std::size_t e = s + 1;
      while (e < v.size() && v[e] - v[e - 1] <= 1000) ++e;
      if (e - s == 1) {
        out.push_back({v[s], v[s], fmt::format("{} {} at {}", nome, cosa, k.luogo(v[s]))});
      } else {
        std::string dove;
        for (std::size_t q = s; q < e && q < s + 6; ++q) dove += fmt::format("{}{:.0f}", q > s ? ", " : "", v[q]);
        if (e - s > 6) dove += ", ...";
        out.push_back(
            {v[s], v[e - 1], fmt::format("{} {} {} {} ({} m)", e - s, nomi, cosa, k.tratto(v[s], v[e - 1]), dove)});
      }
      s = e;
    }
  };
  elenca(via, "removed");
  elenca(nuovi, "added");
}

// ---- profiles ----

void confronta_profilo(const scenario_decodificato& p, const scenario_decodificato& d, const char* nome,
                       const char* unita, campo_cella campo, const std::function<std::string(const cella&)>& valore,
                       double fino_a, const chilometri& k, std::vector<cambio>& out, campi_spiegati& spiegati) {
  const std::size_t celle = std::min(
      {p.celle.size(), d.celle.size(), static_cast<std::size_t>(std::max(0.0, std::ceil(fino_a / metri_cella)))});
  struct passo {
    std::size_t da, a;  // cells [da, a)
    std::string x, y;
  };
  std::vector<passo> passi;
  for (std::size_t n = 0; n < celle; ++n) {
    std::string x = valore(p.celle[n]), y = valore(d.celle[n]);
    if (x == y) continue;
    if (!passi.empty() && passi.back().a == n && passi.back().x == x && passi.back().y == y) {
      passi.back().a = n + 1;
    } else {
      passi.push_back({n, n + 1, std::move(x), std::move(y)});
    }
    spiegati.celle(static_cast<std::int64_t>(n), static_cast<std::int64_t>(n), bit(campo));
  }
  const auto metri = [&](std::size_t n) { return std::min(metri_inizio_cella(static_cast<std::int64_t>(n)), fino_a); };
  for (std::size_t s = 0; s < passi.size();) {
    std::size_t e = s + 1;
    while (e < passi.size() && passi[e].da == passi[e - 1].a) ++e;
    if (e - s > passi_per_riga) {
      out.push_back(
          {metri(passi[s].da), metri(passi[e - 1].a),
           fmt::format("{} changed in {} steps {}", nome, e - s, k.tratto(metri(passi[s].da), metri(passi[e - 1].a)))});
    } else {
      for (std::size_t q = s; q < e; ++q) {
        out.push_back({metri(passi[q].da), metri(passi[q].a),
                       fmt::format("{} {}{}{}{} {}", nome, passi[q].x, freccia, passi[q].y, unita,
                                   k.tratto(metri(passi[q].da), metri(passi[q].a)))});
      }
    }
    s = e;
  }
}

// ---- plan view ----

void confronta_piano(const scenario_decodificato& p, const scenario_decodificato& d, double fino_a, const chilometri& k,
                     std::vector<cambio>& out, campi_spiegati& s) {
  if (!p.planimetria || !d.planimetria) {
    if (p.planimetria.has_value() != d.planimetria.has_value()) {
      out.push_back(
          {0, fino_a, d.planimetria ? "plan view added (line data file)" : "plan view removed (line data file)"});
      s.piano_intero();
    }
    return;
  }
  const piano& x = *p.planimetria;
  const piano& y = *d.planimetria;
  const auto ultimo = static_cast<std::int32_t>(
      std::min<double>({fino_a, static_cast<double>(x.ultimo_metro()), static_cast<double>(y.ultimo_metro())}));
  std::optional<std::int32_t> da;
  std::int32_t a = 0;
  double massimo = 0;
  const auto chiudi = [&] {
    out.push_back({static_cast<double>(*da), static_cast<double>(a),
                   fmt::format("plan view changed {}, up to {:.1f} m apart", k.tratto(*da, a), massimo)});
    s.metri(*da, a);
    da.reset();
    massimo = 0;
  };
  for (std::int32_t m = 0; m <= ultimo; ++m) {
    bool diverso = false;
    double scarto = 0;
    for (int c = 0; c < 2; ++c) {
      if (x.tag(m, c) != y.tag(m, c)) diverso = true;
      const double v = std::fabs(x.numero(m, c) - y.numero(m, c));
      if (v > 1e-6 || std::isnan(v)) diverso = true;
      if (std::isfinite(v)) scarto = std::max(scarto, v);
    }
    if (diverso) {
      if (!da) da = m;
      a = m;
      massimo = std::max(massimo, scarto);
    } else if (da && m - a > 50) {
      chiudi();
    }
  }
  if (da) chiudi();
}

// ---- general data ----

void confronta_generali(const scenario_decodificato& p, const scenario_decodificato& d, std::vector<cambio>& out,
                        double fine, campi_spiegati& s) {
  // One line per datum, and the entry fields that hold it.
  const auto riga = [&](const char* nome, std::int64_t x, std::int64_t y, int voce, std::uint16_t campi) {
    if (x == y) return;
    out.push_back({fine, fine, fmt::format("{} {}{}{}", nome, x, freccia, y)});
    s.voce(voce, campi);
  };
  const stazione& a84 = p.voci[voce::dati_generali];
  const stazione& b84 = d.voci[voce::dati_generali];
  riga("braked-mass percentage", a84.inizio, b84.inizio, voce::dati_generali, bit(cv_inizio));
  riga("cars", a84.posizione, b84.posizione, voce::dati_generali, bit(cv_posizione));
  const stazione& a85 = p.voci[voce::linea];
  const stazione& b85 = d.voci[voce::linea];
  riga("background value one", a85.inizio, b85.inizio, voce::linea, bit(cv_inizio));
  riga("background value two", a85.posizione, b85.posizione, voce::linea, bit(cv_posizione));
  riga("background value three", a85.fine, b85.fine, voce::linea, bit(cv_fine));
  const stazione& a86 = p.voci[voce::treno];
  const stazione& b86 = d.voci[voce::treno];
  riga("cab-signal repetition start", a86.inizio, b86.inizio, voce::treno, bit(cv_inizio));
  riga("cab-signal repetition end", a86.fine, b86.fine, voce::treno, bit(cv_fine));
  riga("sand", a86.gruppo_a1, b86.gruppo_a1, voce::treno, bit(cv_gruppo_a1));
  if (a86.gruppo_b1 != b86.gruppo_b1 || a86.gruppo_b2 != b86.gruppo_b2 || a86.gruppo_b3 != b86.gruppo_b3) {
    out.push_back({fine, fine,
                   fmt::format("starting clock {}:{:02}:{:02}{}{}:{:02}:{:02}", a86.gruppo_b1, a86.gruppo_b2,
                               a86.gruppo_b3, freccia, b86.gruppo_b1, b86.gruppo_b2, b86.gruppo_b3)});
    s.voce(voce::treno, bit(cv_gruppo_b1) | bit(cv_gruppo_b2) | bit(cv_gruppo_b3));
  }
  for (int z = voce::zona_0; z <= voce::zona_2; ++z) {
    const stazione& x = p.voci[static_cast<std::size_t>(z)];
    const stazione& y = d.voci[static_cast<std::size_t>(z)];
    if (x.inizio != y.inizio || x.fine != y.fine || x.posizione != y.posizione) {
      out.push_back({0, 0,
                     fmt::format("kilometric zone {}: from {} m at km {:.3f}{}from {} m at km {:.3f}",
                                 z - voce::zona_0 + 1, x.inizio, x.fine / 1000.0, freccia, y.inizio, y.fine / 1000.0)});
      s.voce(z, bit(cv_inizio) | bit(cv_fine) | bit(cv_posizione));
    }
  }
  // The format markers and check codes: the same for the same identity.
  const auto cella_1 = [&](const char* nome, std::int16_t x, std::int16_t y, campo_cella campo) {
    if (x == y) return;
    out.push_back({fine, fine, fmt::format("{} {}{}{}", nome, x, freccia, y)});
    s.celle(1, 1, bit(campo));
  };
  riga("check code (summary entry 85)", a85.orario, b85.orario, voce::linea, bit(cv_orario));
  cella_1("check code (track cell 1)", p.celle[1].valore2, d.celle[1].valore2, cc_valore2);
  riga("format marker (summary entry 85)", a85.gruppo_a1, b85.gruppo_a1, voce::linea, bit(cv_gruppo_a1));
  cella_1("format marker (track cell 1)", p.celle[1].valore1, d.celle[1].valore1, cc_valore1);
}

std::string pendenza(const cella& c) { return c.pendenza == 0 ? "unset" : fmt::format("{:+}", c.pendenza - 100); }

}  // namespace

std::vector<cambio> confronta(const scenario_decodificato& p, const scenario_decodificato& d, campi_spiegati& s) {
  std::vector<cambio> out;
  const chilometri k(d.voci);
  const double lp = lunghezza_percorso(p), ld = lunghezza_percorso(d);
  const double comune = std::min(lp, ld);
  if (lp != ld) {
    out.push_back({comune, std::max(lp, ld), fmt::format("route length {:.0f} m{}{:.0f} m", lp, freccia, ld)});
    s.voce(voce::dati_generali, bit(cv_fine));
    // Beyond the shorter route the profiles and the plan view are not
    // compared: the longer files' extra cells and metres, and the cells and
    // metres whose contents move with the end (the last, never filled), are
    // the new length's own.
    if (p.celle.size() != d.celle.size()) {
      s.oltre_celle(static_cast<std::int64_t>(std::ceil(comune / metri_cella)));
    }
    if (p.planimetria && d.planimetria && p.planimetria->ultimo_metro() != d.planimetria->ultimo_metro()) {
      s.oltre_metri(static_cast<std::int64_t>(comune) + 1);
    }
  }
  confronta_stazioni(p, d, k, out, s);
  // Objects up to the longer route: one beyond the shorter is added or removed.
  const double fino_a = std::max(lp, ld);
  confronta_oggetti(p, d, tipo_cella::segnale, "signal", fino_a, k, out, s);
  confronta_oggetti(p, d, tipo_cella::indicatore_v_max, "maximum-speed board", fino_a, k, out, s);
  confronta_oggetti(p, d, tipo_cella::inizio_rallentamento, "slowdown", fino_a, k, out, s);
  confronta_oggetti(p, d, tipo_cella::avviso_rallentamento, "slowdown warning board", fino_a, k, out, s);
  confronta_oggetti(p, d, tipo_cella::indicazione, "indication board", fino_a, k, out, s);
  confronta_punti(p, d, tipo_cella::punto_codice, "cab-signal code point", "cab-signal code points", fino_a, k, out, s);
  confronta_punti(p, d, tipo_cella::fine_codice, "cab-signal code end", "cab-signal code ends", fino_a, k, out, s);
  confronta_profilo(p, d, "gradient", " \xE2\x80\xB0", cc_pendenza, pendenza, comune, k, out, s);
  confronta_profilo(
      p, d, "speed limit", " km/h", cc_velocita, [](const cella& c) { return std::to_string(c.velocita * 5); }, comune,
      k, out, s);
  confronta_profilo(
      p, d, "adhesion", "", cc_aderenza, [](const cella& c) { return std::to_string(c.aderenza); }, comune, k, out, s);
  confronta_profilo(
      p, d, "landscape", "", cc_montagna, [](const cella& c) { return std::to_string(c.montagna); }, comune, k, out, s);
  confronta_piano(p, d, comune, k, out, s);
  confronta_generali(p, d, out, comune, s);
  std::stable_sort(out.begin(), out.end(), [](const cambio& x, const cambio& y) { return x.da < y.da; });
  return out;
}

std::string luogo_in_linea(const scenario_decodificato& d, double metri) { return chilometri(d.voci).luogo(metri); }

std::string tratto_in_linea(const scenario_decodificato& d, double da, double a) {
  return chilometri(d.voci).tratto(da, a);
}

}  // namespace scen::tool
