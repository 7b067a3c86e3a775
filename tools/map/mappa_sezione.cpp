// The long section: strips along the distance for the station names, the
// line-side objects, the gradient, the speed limits and the adhesion, over a
// distance axis with the line's own kilometrage beside it.
#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "map/mappa_interno.h"

namespace scen::tool::mappa {
namespace {

class asse_distanza {
 public:
  asse_distanza(double da, double a) : da_(da), a_(std::max(a, da + 1)) {}
  double x(double metri) const {
    return area_nomi.x0 + area_nomi.width() * (std::clamp(metri, da_, a_) - da_) / (a_ - da_);
  }
  double da() const { return da_; }
  double a() const { return a_; }

 private:
  double da_, a_;
};

// The value scale of a strip: y of a value, and round ticks on the left.
class asse_valori {
 public:
  asse_valori(const box& r, double v0, double v1) : r_(r), v0_(v0), v1_(v1 > v0 ? v1 : v0 + 1) {}
  double y(double v) const { return r_.y1 - 8 - (r_.height() - 16) * (v - v0_) / (v1_ - v0_); }
  void tacche(canvas& t, double passo) const {
    for (double v = std::ceil(v0_ / passo) * passo; v <= v1_ + 1e-9; v += passo) {
      t.line({r_.x0, y(v)}, {r_.x1, y(v)}, {grigio_chiaro, 0.8});
      t.text(fmt::format("{:g}", v == 0 ? 0.0 : v), {r_.x0 - 6, y(v) + 4}, {13}, anchor::end, grigio, false);
    }
  }

 private:
  box r_;
  double v0_, v1_;
};

void titolo_striscia(canvas& t, const box& r, const std::string& titolo, const std::string& unita) {
  t.frame(r, {grigio_chiaro, 1});
  t.text(titolo, {margine, r.y0 + 24}, {17, true}, anchor::start, nero, false);
  t.text(unita, {margine, r.y0 + 44}, {14}, anchor::start, grigio, false);
}

void disegna_nomi(canvas& t, const scenario_decodificato& d, const linea_mappa& l, const asse_distanza& x) {
  t.text("Long section", {margine, area_nomi.y0 + 24}, {20, true}, anchor::start, nero, false);
  t.text("along the distance", {margine, area_nomi.y0 + 44}, {14}, anchor::start, grigio, false);
  double ultimo_x = -1e9;
  for (const auto& s : l.stazioni) {
    if (s.posizione < l.da || s.posizione > l.a) continue;
    const double px = x.x(s.posizione);
    t.begin_group(descrizione_stazione(d, l, s), "station");
    t.line({px, striscia_oggetti.y0}, {px, striscia_aderenza.y1}, {grigio, 0.8, 0.6, 4});
    // Names side by side, each at least its height from the previous one.
    const double nx = std::max(px, ultimo_x + 17);
    ultimo_x = nx;
    if (nx != px) t.line({px, area_nomi.y1 + 8}, {nx, area_nomi.y1 - 2}, {grigio, 0.8});
    std::string nome = s.nome;
    const std::int32_t orario = d.voci[s.voce].orario;
    if (orario != 0) nome += "  " + orario_breve(orario);
    t.text(nome, {nx + 5, area_nomi.y1 - 4}, {14, true}, anchor::start, nero, true, -90);
    t.end_group();
  }
}

void disegna_oggetti(canvas& t, const scenario_decodificato& d, const linea_mappa& l, const asse_distanza& x) {
  titolo_striscia(t, striscia_oggetti, "Line side", "objects");
  const double cy = (striscia_oggetti.y0 + striscia_oggetti.y1) / 2;
  if (l.ripetizione_a > l.ripetizione_da && l.ripetizione_a >= l.da && l.ripetizione_da <= l.a) {
    t.begin_group(
        fmt::format("cab-signal repetition from {} to {}", luogo(l, l.ripetizione_da), luogo(l, l.ripetizione_a)),
        "repetition");
    t.rect({x.x(l.ripetizione_da), striscia_oggetti.y1 - 6, x.x(l.ripetizione_a), striscia_oggetti.y1 - 1},
           c_ripetizione, 1);
    t.end_group();
  }
  for (const auto& s : l.stazioni) {
    const double x0 = x.x(s.inizio), x1 = x.x(s.fine);
    t.begin_group(descrizione_stazione(d, l, s), "zone");
    t.rect({x0, cy - 10, std::max(x1, x0 + 1), cy + 10}, c_zona, 0.8);
    t.end_group();
  }
  t.line({striscia_oggetti.x0, cy}, {striscia_oggetti.x1, cy}, {c_binario, 1.5});
  const auto ciascuno = [&](tipo_oggetto k, const char* classe, const auto& disegna) {
    for (const oggetto& o : l.di(k)) {
      t.begin_group(descrizione(d, l, k, o), classe);
      disegna(o, x.x(o.da));
      t.end_group();
    }
  };
  ciascuno(tipo_oggetto::rallentamento, "slowdown", [&](const oggetto& o, double px) {
    t.rect({px, cy - 5, std::max(x.x(o.a), px + 2), cy + 5}, c_rallentamento, 0.9);
  });
  ciascuno(tipo_oggetto::segnale, "signal", [&](const oggetto& o, double px) {
    t.line({px, cy - 4}, {px, cy - 24}, {d.celle[o.cella].tempo != 0 ? c_segnale_tempo : c_segnale, 2});
  });
  const pen bordo{bianco, 1};
  ciascuno(tipo_oggetto::cartello, "board", [&](const oggetto&, double px) {
    t.shape({{px - 4, cy + 14}, {px + 4, cy + 14}, {px + 4, cy + 22}, {px - 4, cy + 22}}, c_cartello, &bordo);
  });
  ciascuno(tipo_oggetto::indicazione, "indication", [&](const oggetto&, double px) {
    t.shape({{px, cy + 10}, {px + 5, cy + 16}, {px, cy + 22}, {px - 5, cy + 16}}, c_indicazione, &bordo);
  });
  ciascuno(tipo_oggetto::avviso, "warning", [&](const oggetto&, double px) {
    t.shape({{px, cy - 30}, {px + 7, cy - 18}, {px - 7, cy - 18}}, c_rallentamento, &bordo);
  });
  ciascuno(tipo_oggetto::codice, "code", [&](const oggetto&, double px) {
    t.circle({px, cy}, 2.5, c_codice, {c_codice, 1});
  });
}

// Labels the runs of a profile that are wide enough for their value.
void etichetta_tratti(canvas& t, const std::vector<tratto>& v, const asse_distanza& x, const asse_valori& y, colour c,
                      bool con_segno) {
  const font f{13, true};
  for (const auto& r : v) {
    if (r.lo != r.hi || r.lo == non_riempito || (con_segno && r.lo == 0)) continue;
    const std::string s = con_segno ? fmt::format("{:+}", r.lo) : fmt::format("{}", r.lo);
    if (x.x(r.a) - x.x(r.da) < t.text_width(s, f) + 6) continue;
    const double base = con_segno && r.lo < 0 ? y.y(r.lo) + 16 : y.y(r.lo) - 5;
    t.text(s, {(x.x(r.da) + x.x(r.a)) / 2, base}, f, anchor::middle, c, true);
  }
}

void disegna_pendenza(canvas& t, const linea_mappa& l, const asse_distanza& x) {
  titolo_striscia(t, striscia_pendenza, "Gradient", "per mille");
  int lo = -5, hi = 5;
  for (const auto& r : l.pendenza) {
    if (r.lo != non_riempito) lo = std::min(lo, r.lo);
    hi = std::max(hi, r.hi);
  }
  const double passo = passo_tondo(hi - lo, 4);
  const asse_valori y(striscia_pendenza, std::floor(lo / passo) * passo - passo * 0.3,
                      std::ceil(hi / passo) * passo + passo * 0.3);
  y.tacche(t, passo);
  for (const auto& r : l.pendenza) {
    const double x0 = x.x(r.da), x1 = std::max(x.x(r.a), x.x(r.da) + 0.8);
    for (const int v : {r.lo, r.hi}) {
      if (v == non_riempito || v == 0) continue;
      const double ya = y.y(0), yb = y.y(v);
      t.rect({x0, std::min(ya, yb), x1, std::max(ya, yb)}, v > 0 ? c_salita : c_discesa, 0.85);
      if (r.lo == r.hi) break;
    }
  }
  t.line({striscia_pendenza.x0, y.y(0)}, {striscia_pendenza.x1, y.y(0)}, {nero, 1});
  etichetta_tratti(t, l.pendenza, x, y, nero, true);
}

// A profile as a stepped line; a run gathered from narrower ones is drawn
// from its least to its greatest value.
void linea_a_gradini(canvas& t, const std::vector<tratto>& v, const asse_distanza& x, const asse_valori& y,
                     const pen& s) {
  std::vector<point> p;
  p.reserve(v.size() * 3);
  for (const auto& r : v) {
    p.push_back({x.x(r.da), y.y(r.lo)});
    if (r.hi != r.lo) p.push_back({x.x(r.da), y.y(r.hi)});
    p.push_back({x.x(r.a), y.y(r.hi)});
  }
  t.polyline(p, s);
}

void disegna_velocita(canvas& t, const scenario_decodificato& d, const linea_mappa& l, const asse_distanza& x) {
  titolo_striscia(t, striscia_velocita, "Speed limit", "km/h");
  int hi = 40;
  for (const auto& r : l.velocita) hi = std::max(hi, r.hi);
  const double passo = passo_tondo(hi, 4);
  const asse_valori y(striscia_velocita, 0, std::ceil(hi * 1.15 / passo) * passo);
  y.tacche(t, passo);
  for (const oggetto& r : l.di(tipo_oggetto::rallentamento)) {
    const int v = d.celle[r.cella].valore1;
    t.begin_group(descrizione(d, l, tipo_oggetto::rallentamento, r), "slowdown");
    t.rect({x.x(r.da), y.y(v), std::max(x.x(r.a), x.x(r.da) + 2), y.y(0)}, c_rallentamento, 0.25);
    t.end_group();
  }
  t.begin_group("the train's speed limit", "speed");
  linea_a_gradini(t, l.velocita, x, y, {c_velocita, 2.5});
  t.end_group();
  t.begin_group("the speed limit to respect: the train's limit with the slowdowns applied", "effective");
  linea_a_gradini(t, l.efficace, x, y, {c_efficace, 1.5, 1, 5});
  t.end_group();
  etichetta_tratti(t, l.velocita, x, y, c_velocita, false);
}

void disegna_aderenza(canvas& t, const linea_mappa& l, const asse_distanza& x) {
  titolo_striscia(t, striscia_aderenza, "Adhesion", "per cent");
  int lo = 255, hi = 0;
  for (const auto& r : l.aderenza) lo = std::min(lo, r.lo), hi = std::max(hi, r.hi);
  if (lo > hi) lo = 0, hi = 100;
  const double passo = passo_tondo(std::max(hi - lo, 10), 3);
  const asse_valori y(striscia_aderenza, std::floor(lo / passo) * passo - passo * 0.2,
                      std::ceil(hi / passo) * passo + passo * 0.6);
  y.tacche(t, passo);
  linea_a_gradini(t, l.aderenza, x, y, {c_aderenza, 2.5});
  etichetta_tratti(t, l.aderenza, x, y, c_aderenza, false);
}

// Route distance under the strips, and the line's kilometrage under it.
void disegna_assi(canvas& t, const linea_mappa& l, const asse_distanza& x) {
  const double passo = passo_tondo(x.a() - x.da(), 17);
  const double y = striscia_aderenza.y1;
  t.text("distance", {margine, y + 26}, {14, true}, anchor::start, nero, false);
  for (double m = std::ceil(x.da() / passo) * passo; m <= x.a() + 1e-6; m += passo) {
    t.line({x.x(m), y}, {x.x(m), y + 8}, {nero, 1});
    t.text(km(m), {x.x(m), y + 26}, {14}, anchor::middle, nero, false);
  }
  if (l.zone_km.empty()) return;
  t.text("line km", {margine, y + 56}, {14, true}, anchor::start, grigio, false);
  for (double m = std::ceil(x.da() / passo) * passo; m <= x.a() + 1e-6; m += passo) {
    if (const auto k = chilometrica(l, m)) {
      t.text(fmt::format("{:.3f}", *k / 1000.0), {x.x(m), y + 56}, {13}, anchor::middle, grigio, false);
    }
  }
}

void disegna_segni(canvas& t, const linea_mappa& l, const opzioni_mappa& o, const asse_distanza& x) {
  for (const segno_mappa& s : o.segni) {
    if (s.posizione < l.da || s.posizione > l.a) continue;
    const double px = x.x(s.posizione);
    t.begin_group(s.testo, "mark");
    t.line({px, striscia_oggetti.y0}, {px, striscia_aderenza.y1}, {c_segno, 2.5});
    t.text(s.testo.substr(0, s.testo.find('\n')), {px + 6, striscia_oggetti.y0 + 14}, {14, true}, anchor::start,
           c_segno, true);
    t.end_group();
  }
}

}  // namespace

void disegna_sezione(canvas& t, const scenario_decodificato& d, const linea_mappa& l, const opzioni_mappa& o) {
  const asse_distanza x(l.da, l.a);
  disegna_nomi(t, d, l, x);
  disegna_oggetti(t, d, l, x);
  disegna_pendenza(t, l, x);
  disegna_velocita(t, d, l, x);
  disegna_aderenza(t, l, x);
  disegna_assi(t, l, x);
  disegna_segni(t, l, o, x);
}

}  // namespace scen::tool::mappa
