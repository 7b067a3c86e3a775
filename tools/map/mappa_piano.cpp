// The plan view: the line turned so that the stretch drawn runs from left to
// right, with station zones, slowdowns, line-side objects, names and
// kilometre posts placed where they overlap nothing.
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "map/mappa_interno.h"

namespace scen::tool::mappa {
namespace {

// The plan view of a stretch, turned and scaled to its panel with the same
// scale on both axes.
class vista_piano {
 public:
  vista_piano(const piano& p, double da, double a, const box& area) : p_(p) {
    primo_ = static_cast<std::int32_t>(std::max(0.0, da));
    ultimo_ = static_cast<std::int32_t>(std::min<double>(a, p.ultimo_metro()));
    while (ultimo_ > primo_ && !grezzo(ultimo_)) --ultimo_;
    while (primo_ < ultimo_ && !grezzo(primo_)) ++primo_;
    const std::int32_t passo = std::max<std::int32_t>(1, (ultimo_ - primo_) / 8000);
    const auto pa = grezzo(primo_).value_or(point{0, 0});
    const auto pb = grezzo(ultimo_).value_or(point{0, 1});
    const double angolo = (pa.x == pb.x && pa.y == pb.y) ? 0.0 : std::atan2(pb.y - pa.y, pb.x - pa.x);
    cos_ = std::cos(angolo);
    sin_ = std::sin(angolo);
    double u0 = INFINITY, u1 = -INFINITY, v0 = INFINITY, v1 = -INFINITY;
    for (std::int32_t m = primo_; m <= ultimo_; m += passo) {
      if (const auto q = ruotato(m)) {
        u0 = std::min(u0, q->x), u1 = std::max(u1, q->x);
        v0 = std::min(v0, q->y), v1 = std::max(v1, q->y);
      }
    }
    if (!(u1 >= u0)) u0 = 0, u1 = 1, v0 = 0, v1 = 1;
    // Room around the line for names above and below it.
    const box dentro{area.x0 + 60, area.y0 + 110, area.x1 - 60, area.y1 - 110};
    scala_ = std::min(dentro.width() / std::max(u1 - u0, 1.0), dentro.height() / std::max(v1 - v0, 1.0));
    ox_ = (dentro.x0 + dentro.x1) / 2 - scala_ * (u0 + u1) / 2;
    oy_ = (dentro.y0 + dentro.y1) / 2 + scala_ * (v0 + v1) / 2;
  }

  std::int32_t primo() const { return primo_; }
  std::int32_t ultimo() const { return ultimo_; }
  double scala() const { return scala_; }  // page units per metre

  // The page point of metre m, when the plan view has it.
  std::optional<point> punto(double metro) const {
    const auto q = ruotato(static_cast<std::int32_t>(std::clamp(metro, 0.0, static_cast<double>(p_.ultimo_metro()))));
    if (!q) return std::nullopt;
    return point{ox_ + scala_ * q->x, oy_ - scala_ * q->y};
  }
  // The unit normal on the page at metre m (left of the direction of travel).
  point normale(double metro) const {
    const auto a = punto(std::max(0.0, metro - 100));
    const auto b = punto(std::min<double>(p_.ultimo_metro(), metro + 100));
    if (!a || !b) return {0, -1};
    const double dx = b->x - a->x, dy = b->y - a->y;
    const double n = std::hypot(dx, dy);
    if (n == 0) return {0, -1};
    return {dy / n, -dx / n};
  }
  std::optional<point> a_lato(double metro, double distanza) const {
    const auto q = punto(metro);
    if (!q) return std::nullopt;
    const point n = normale(metro);
    return point{q->x + n.x * distanza, q->y + n.y * distanza};
  }

 private:
  std::optional<point> grezzo(std::int32_t m) const {
    if (m < 0 || m > p_.ultimo_metro()) return std::nullopt;
    if (p_.tag(m, 0) == tag_piano::vuoto || p_.tag(m, 1) == tag_piano::vuoto) return std::nullopt;
    const double x = p_.numero(m, 0), y = p_.numero(m, 1);
    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e9 || std::fabs(y) > 1e9) return std::nullopt;
    return point{x, y};
  }
  std::optional<point> ruotato(std::int32_t m) const {
    const auto q = grezzo(m);
    if (!q) return std::nullopt;
    return point{q->x * cos_ + q->y * sin_, -q->x * sin_ + q->y * cos_};
  }

  const piano& p_;
  std::int32_t primo_ = 0, ultimo_ = 0;
  double cos_ = 1, sin_ = 0, scala_ = 1, ox_ = 0, oy_ = 0;
};

// Labels placed so far, so that a new one goes where it overlaps none.
class etichette {
 public:
  explicit etichette(box limite) : limite_(limite) {}
  void occupa(const box& r) { presi_.push_back(r); }
  double rientro(const box& r) const {
    if (r.x1 > limite_.x1) return limite_.x1 - r.x1;
    if (r.x0 < limite_.x0) return limite_.x0 - r.x0;
    return 0;
  }
  bool libero(const box& r) const {
    if (!r.inside(limite_)) return false;
    return std::none_of(presi_.begin(), presi_.end(), [&](const box& p) { return p.touches(r); });
  }

 private:
  box limite_;
  std::vector<box> presi_;
};

// The line between two metres, one point per page unit or so; a gap in the
// plan view breaks it.
void tratto_lungo(canvas& t, const vista_piano& v, double da, double a, const pen& s) {
  const double inizio = std::max<double>(da, v.primo()), fine = std::min<double>(a, v.ultimo());
  const double passo = std::max(1.0, std::floor(0.7 / v.scala()));
  std::vector<point> pezzo;
  for (double m = inizio; m <= fine + passo; m += passo) {
    const auto q = v.punto(std::min(m, fine));
    if (!q) {
      t.polyline(pezzo, s);
      pezzo.clear();
      continue;
    }
    pezzo.push_back(*q);
    if (m >= fine) break;
  }
  if (pezzo.size() == 1) pezzo.push_back({pezzo[0].x + 0.5, pezzo[0].y});
  t.polyline(pezzo, s);
}

// A name beside its point, on the first free place among a few at growing
// distance on either side of the line. `sempre`: a crowded spot still gets
// the name, next to the point; otherwise it is left out.
void etichetta_accanto(canvas& t, etichette& e, const std::string& nome, point a, point n, int lato_preferito, colour c,
                       const font& f, bool sempre) {
  std::optional<std::pair<box, point>> scelta, primo;
  for (const double distanza : {22.0, 48.0, 74.0, 100.0, 126.0}) {
    for (const double spostamento : {0.0, 0.6, -0.6}) {
      for (const int lato : {lato_preferito, -lato_preferito}) {
        double cx = a.x + n.x * lato * distanza;
        const double cy = a.y + n.y * lato * distanza;
        const double base = cy + f.size * 0.35;
        box r = t.text_box(nome, {cx, base}, f, anchor::middle);
        const double dx = spostamento * r.width() + e.rientro(r);
        cx += dx;
        r.x0 += dx;
        r.x1 += dx;
        if (!primo) primo = {r, {cx, base}};
        if (e.libero(r)) {
          scelta = {r, {cx, base}};
          break;
        }
      }
      if (scelta) break;
    }
    if (scelta) break;
  }
  if (!scelta && !sempre) return;
  if (!scelta) scelta = primo;
  e.occupa(scelta->first);
  const double cy = (scelta->first.y0 + scelta->first.y1) / 2;
  if (std::hypot(scelta->second.x - a.x, cy - a.y) > 30) {
    const double fine_y = cy < a.y ? scelta->first.y1 : scelta->first.y0;
    t.line(a, {scelta->second.x, fine_y}, {grigio, 1});
  }
  t.text(nome, scelta->second, f, anchor::middle, c, true);
}

void disegna_scala(canvas& t, const vista_piano& v, const box& area) {
  const double metri = passo_tondo(area.width() * 0.15 / v.scala(), 1);
  const double w = metri * v.scala();
  const double x = area.x0 + 30, y = area.y1 - 30;
  const pen p{nero, 2};
  t.line({x, y}, {x + w, y}, p);
  t.line({x, y - 8}, {x, y + 8}, p);
  t.line({x + w, y - 8}, {x + w, y + 8}, p);
  t.line({x + w / 2, y - 5}, {x + w / 2, y + 5}, p);
  t.text(metri < 1000 ? fmt::format("{:.0f} m", metri) : km(metri), {x + w / 2, y - 14}, {16}, anchor::middle, nero,
         true);
}

void disegna_oggetti(canvas& t, const scenario_decodificato& d, const linea_mappa& l, const vista_piano& v) {
  for (const oggetto& o : l.di(tipo_oggetto::codice)) {
    const auto q = v.punto(o.da);
    if (!q) continue;
    t.begin_group(descrizione(d, l, tipo_oggetto::codice, o), "code");
    t.circle(*q, 3, c_codice, {c_codice, 1});
    t.end_group();
  }
  for (const oggetto& o : l.di(tipo_oggetto::segnale)) {
    const auto a = v.a_lato(o.da, 3), b = v.a_lato(o.da, 14);
    if (!a || !b) continue;
    t.begin_group(descrizione(d, l, tipo_oggetto::segnale, o), "signal");
    t.line(*a, *b, {d.celle[o.cella].tempo != 0 ? c_segnale_tempo : c_segnale, 2.5});
    t.end_group();
  }
  const pen bordo{bianco, 1};
  for (const oggetto& o : l.di(tipo_oggetto::cartello)) {
    const auto q = v.a_lato(o.da, -10);
    if (!q) continue;
    t.begin_group(descrizione(d, l, tipo_oggetto::cartello, o), "board");
    t.shape({{q->x - 4, q->y - 4}, {q->x + 4, q->y - 4}, {q->x + 4, q->y + 4}, {q->x - 4, q->y + 4}}, c_cartello,
            &bordo);
    t.end_group();
  }
  for (const oggetto& o : l.di(tipo_oggetto::indicazione)) {
    const auto q = v.a_lato(o.da, -12);
    if (!q) continue;
    t.begin_group(descrizione(d, l, tipo_oggetto::indicazione, o), "indication");
    t.shape({{q->x, q->y - 6}, {q->x + 6, q->y}, {q->x, q->y + 6}, {q->x - 6, q->y}}, c_indicazione, &bordo);
    t.end_group();
  }
  for (const oggetto& o : l.di(tipo_oggetto::avviso)) {
    const auto q = v.a_lato(o.da, 14);
    if (!q) continue;
    t.begin_group(descrizione(d, l, tipo_oggetto::avviso, o), "warning");
    t.shape({{q->x, q->y - 8}, {q->x + 7, q->y + 5}, {q->x - 7, q->y + 5}}, c_rallentamento, &bordo);
    t.end_group();
  }
}

}  // namespace

void disegna_piano(canvas& t, const scenario_decodificato& d, const linea_mappa& l, const opzioni_mappa& o) {
  t.frame(area_piano, {grigio, 1});
  t.text("Plan view", {area_piano.x0 + 14, area_piano.y0 + 28}, {20, true}, anchor::start, nero, true);
  if (!d.planimetria) {
    t.text("no plan view: " + d.senza_piano, {area_piano.x0 + 14, area_piano.y0 + 56}, {15}, anchor::start, grigio,
           true);
    return;
  }
  const vista_piano v(*d.planimetria, l.da, l.a, area_piano);
  t.text(
      fmt::format("{} to {}, turned so that the line runs from left to right; north is not known", km(l.da), km(l.a)),
      {area_piano.x0 + 14, area_piano.y0 + 52}, {15}, anchor::start, grigio, true);

  for (const auto& s : l.stazioni) {
    t.begin_group(descrizione_stazione(d, l, s), "zone");
    tratto_lungo(t, v, s.inizio, s.fine, {c_zona, 12, 1, 0, true});
    t.end_group();
  }
  t.begin_group("", "track");
  tratto_lungo(t, v, l.da, l.a, {c_binario, 3, 1, 0, true});
  t.end_group();
  for (const oggetto& r : l.di(tipo_oggetto::rallentamento)) {
    t.begin_group(descrizione(d, l, tipo_oggetto::rallentamento, r), "slowdown");
    tratto_lungo(t, v, r.da, std::max(r.a, r.da + 1), {c_rallentamento, 9, 0.85, 0, true});
    t.end_group();
  }
  disegna_oggetti(t, d, l, v);

  etichette e(box{area_piano.x0 + 4, area_piano.y0 + 60, area_piano.x1 - 4, area_piano.y1 - 60});
  for (const auto& s : l.stazioni) {
    if (const auto q = v.punto(s.posizione)) e.occupa({q->x - 7, q->y - 7, q->x + 7, q->y + 7});
  }
  int lato = 1;
  for (const auto& s : l.stazioni) {
    const auto q = v.punto(s.posizione);
    if (!q || s.posizione < l.da || s.posizione > l.a) continue;
    t.begin_group(descrizione_stazione(d, l, s), "station");
    t.circle(*q, 6, bianco, {nero, 2});
    etichetta_accanto(t, e, s.nome, *q, v.normale(s.posizione), lato, nero, {17, true}, true);
    t.end_group();
    lato = -lato;
  }
  for (const oggetto& r : l.di(tipo_oggetto::rallentamento)) {
    const double mezzo = (r.da + r.a) / 2;
    const auto q = v.punto(mezzo);
    if (!q) continue;
    const std::string testo =
        r.conta > 1 ? fmt::format("{} slowdowns", r.conta) : fmt::format("slowdown {} km/h", d.celle[r.cella].valore1);
    etichetta_accanto(t, e, testo, *q, v.normale(mezzo), -1, c_rallentamento, {15, true}, false);
  }
  const double passo_km = passo_tondo(l.a - l.da, 10);
  for (double m = std::ceil(l.da / passo_km) * passo_km; m < l.a; m += passo_km) {
    const auto q = v.punto(m);
    if (!q || m <= l.da) continue;
    const point n = v.normale(m);
    t.line({q->x - n.x * 5, q->y - n.y * 5}, {q->x + n.x * 5, q->y + n.y * 5}, {grigio, 1.5});
    etichetta_accanto(t, e, km(m), *q, n, -1, grigio, {13}, false);
  }
  for (const segno_mappa& s : o.segni) {
    const auto q = v.punto(s.posizione);
    if (!q || s.posizione < l.da || s.posizione > l.a) continue;
    t.begin_group(s.testo, "mark");
    t.line({q->x - 10, q->y - 10}, {q->x + 10, q->y + 10}, {c_segno, 4});
    t.line({q->x - 10, q->y + 10}, {q->x + 10, q->y - 10}, {c_segno, 4});
    etichetta_accanto(t, e, s.testo.substr(0, s.testo.find('\n')), *q, v.normale(s.posizione), 1, c_segno, {16, true},
                      true);
    t.end_group();
  }
  disegna_scala(t, v, area_piano);
}

}  // namespace scen::tool::mappa
