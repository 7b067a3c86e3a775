// Drawing of the route map with cairo. The page is laid out for printing in
// landscape: a title, the plan view, the long section in four strips along
// the distance (station names, line-side objects, gradient, speed limit,
// adhesion) and a legend.
#include <cairo-svg.h>
#include <cairo.h>
#include <fmt/format.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <stdexcept>

#include "comandi.h"
#include "mappa.h"

namespace scen::tool {
namespace {

// ---- page layout (units: pixels of the PNG, points of the SVG) ----

constexpr double larghezza_pagina = 2400;
constexpr double altezza_pagina = 1700;
constexpr double margine = 50;
constexpr double sinistra_sezione = 200;  // the long section's strips start here; their titles stand left of it
constexpr const char* carattere = "DejaVu Sans";

struct riquadro {
  double x0, y0, x1, y1;
  double larghezza() const { return x1 - x0; }
  double altezza() const { return y1 - y0; }
  bool tocca(const riquadro& r) const { return x0 < r.x1 && r.x0 < x1 && y0 < r.y1 && r.y0 < y1; }
  bool dentro(const riquadro& r) const { return x0 >= r.x0 && x1 <= r.x1 && y0 >= r.y0 && y1 <= r.y1; }
};

constexpr riquadro area_titolo{margine, 30, larghezza_pagina - margine, 110};
constexpr riquadro area_piano{margine, 120, larghezza_pagina - margine, 800};
constexpr riquadro area_nomi{sinistra_sezione, 830, larghezza_pagina - margine, 990};
constexpr riquadro striscia_oggetti{sinistra_sezione, 1000, larghezza_pagina - margine, 1070};
constexpr riquadro striscia_pendenza{sinistra_sezione, 1085, larghezza_pagina - margine, 1245};
constexpr riquadro striscia_velocita{sinistra_sezione, 1260, larghezza_pagina - margine, 1420};
constexpr riquadro striscia_aderenza{sinistra_sezione, 1435, larghezza_pagina - margine, 1545};
constexpr riquadro area_legenda{margine, 1610, larghezza_pagina - margine, 1690};

// ---- colours ----

struct colore {
  double r, g, b;
};
constexpr colore nero{0.12, 0.12, 0.12};
constexpr colore grigio{0.45, 0.45, 0.45};
constexpr colore grigio_chiaro{0.82, 0.82, 0.82};
constexpr colore bianco{1, 1, 1};
constexpr colore c_binario{0.2, 0.2, 0.2};
constexpr colore c_zona{0.62, 0.79, 0.88};
constexpr colore c_segnale{0.84, 0.15, 0.16};
constexpr colore c_cartello{0.12, 0.47, 0.71};
constexpr colore c_rallentamento{1.0, 0.5, 0.05};
constexpr colore c_codice{0.17, 0.63, 0.17};
constexpr colore c_indicazione{0.58, 0.4, 0.74};
constexpr colore c_salita{0.71, 0.4, 0.11};
constexpr colore c_discesa{0.23, 0.53, 0.68};
constexpr colore c_velocita{0.12, 0.23, 0.55};
constexpr colore c_aderenza{0.18, 0.49, 0.2};

// ---- what is on the line, in metres ----

// A gradient byte of 0: the compile never filled that cell.
constexpr int non_riempito = std::numeric_limits<int>::min();

struct stazione_mappa {
  std::string nome;  // UTF-8
  double posizione, inizio, fine;
  std::int32_t orario;
};
struct rallentamento_mappa {
  double inizio, fine;
  int velocita;
};
struct indicazione_mappa {
  double posizione;
  std::string testo;  // UTF-8
};

struct linea_mappa {
  double lunghezza = 0;  // route length, m
  std::vector<stazione_mappa> stazioni;
  std::vector<double> segnali, cartelli, codici, avvisi;
  std::vector<indicazione_mappa> indicazioni;
  std::vector<rallentamento_mappa> rallentamenti;
  // Profiles per cell; cell n holds from metre 50 n.
  std::vector<int> pendenza, velocita, aderenza;
};

// A point feature declared at p metres lies in cell p / 50 + 1.
double metri_punto(std::size_t n) { return (static_cast<double>(n) - 1.0) * 50.0; }

linea_mappa raccogli(const dati_mappa& d) {
  linea_mappa l;
  const double fine_celle = static_cast<double>(d.celle.size() - 1) * 50.0;
  const double dichiarata = d.voci[voce::dati_generali].fine;
  l.lunghezza = dichiarata > 0 && dichiarata <= fine_celle ? dichiarata : fine_celle;

  for (int n = 1; n <= voce::prima_indicazione; ++n) {
    const stazione& s = d.voci[static_cast<std::size_t>(n)];
    if (s == stazione{} || s == stazione{.nome = s.nome}) continue;  // empty, or an indication board text
    l.stazioni.push_back({utf8_da_1252(s.nome), static_cast<double>(s.posizione), static_cast<double>(s.inizio),
                          static_cast<double>(s.fine), s.orario});
  }
  for (std::size_t n = 0; n < d.celle.size(); ++n) {
    const cella& c = d.celle[n];
    l.pendenza.push_back(c.pendenza == 0 ? non_riempito : c.pendenza - 100);
    l.velocita.push_back(c.velocita * 5);
    l.aderenza.push_back(c.aderenza);
    switch (c.tipo) {
      case tipo_cella::segnale:
        l.segnali.push_back(metri_punto(n));
        break;
      case tipo_cella::indicatore_v_max:
        l.cartelli.push_back(metri_punto(n));
        break;
      case tipo_cella::punto_codice:
        l.codici.push_back(static_cast<double>(n) * 50.0);
        break;
      case tipo_cella::avviso_rallentamento:
        l.avvisi.push_back(metri_punto(n));
        break;
      case tipo_cella::indicazione: {
        std::string testo;
        if (c.valore1 >= 1 && c.valore1 <= voce::prima_indicazione) {
          testo = utf8_da_1252(d.voci[static_cast<std::size_t>(c.valore1)].nome);
        }
        l.indicazioni.push_back({metri_punto(n), testo});
        break;
      }
      case tipo_cella::inizio_rallentamento: {
        std::size_t e = n;
        while (e < d.celle.size() && d.celle[e].tipo != tipo_cella::fine_rallentamento) ++e;
        if (e == d.celle.size()) e = d.celle.size() - 1;
        l.rallentamenti.push_back({metri_punto(n), metri_punto(std::max(e, n)), c.valore1});
        break;
      }
      default:
        break;
    }
  }
  return l;
}

// ---- cairo helpers ----

struct canc_cairo {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using cairo_ptr = std::unique_ptr<cairo_t, canc_cairo>;
using superficie_ptr = std::unique_ptr<cairo_surface_t, canc_cairo>;

enum class allinea { sinistra, centro, destra };

class tela {
 public:
  explicit tela(cairo_t* cr) : cr_(cr) {}
  cairo_t* cr() const { return cr_; }

  void colore(const scen::tool::colore& c, double alfa = 1.0) { cairo_set_source_rgba(cr_, c.r, c.g, c.b, alfa); }
  void spessore(double w) { cairo_set_line_width(cr_, w); }
  void tratteggio(double pieno, double vuoto) {
    const double d[2] = {pieno, vuoto};
    cairo_set_dash(cr_, d, 2, 0);
  }
  void continuo() { cairo_set_dash(cr_, nullptr, 0, 0); }

  void segmento(double x0, double y0, double x1, double y1) {
    cairo_move_to(cr_, x0, y0);
    cairo_line_to(cr_, x1, y1);
    cairo_stroke(cr_);
  }
  void rettangolo(const riquadro& r) {
    cairo_rectangle(cr_, r.x0, r.y0, r.larghezza(), r.altezza());
    cairo_fill(cr_);
  }
  void cornice(const riquadro& r) {
    cairo_rectangle(cr_, r.x0, r.y0, r.larghezza(), r.altezza());
    cairo_stroke(cr_);
  }
  void cerchio(double x, double y, double raggio, const scen::tool::colore& riempi, const scen::tool::colore& bordo,
               double w) {
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, x, y, raggio, 0, 2 * std::numbers::pi);
    colore(riempi);
    cairo_fill_preserve(cr_);
    colore(bordo);
    spessore(w);
    cairo_stroke(cr_);
  }
  void poligono(std::initializer_list<std::pair<double, double>> punti, const scen::tool::colore& c) {
    bool primo = true;
    for (const auto& [x, y] : punti) {
      if (primo) cairo_move_to(cr_, x, y); else cairo_line_to(cr_, x, y);
      primo = false;
    }
    cairo_close_path(cr_);
    colore(c);
    cairo_fill_preserve(cr_);
    colore(bianco);
    spessore(1);
    cairo_stroke(cr_);
  }

  void carattere_testo(double dimensione, bool grassetto = false) {
    cairo_select_font_face(cr_, carattere, CAIRO_FONT_SLANT_NORMAL,
                           grassetto ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, dimensione);
  }
  // Width and height of a text in the current font.
  std::pair<double, double> misura(const std::string& t) {
    cairo_text_extents_t e;
    cairo_text_extents(cr_, t.c_str(), &e);
    cairo_font_extents_t f;
    cairo_font_extents(cr_, &f);
    return {e.x_advance, f.ascent};
  }
  // The box a text would take with its baseline at y.
  riquadro scatola(const std::string& t, double x, double y, allinea a) {
    const auto [w, h] = misura(t);
    const double x0 = a == allinea::sinistra ? x : a == allinea::centro ? x - w / 2 : x - w;
    return {x0 - 2, y - h - 1, x0 + w + 2, y + h * 0.3};
  }
  // Text with a white halo, so that it stays readable over lines.
  void testo(const std::string& t, double x, double y, allinea a, const scen::tool::colore& c, bool alone = true) {
    const auto [w, h] = misura(t);
    (void)h;
    const double x0 = a == allinea::sinistra ? x : a == allinea::centro ? x - w / 2 : x - w;
    if (alone) {
      cairo_move_to(cr_, x0, y);
      cairo_text_path(cr_, t.c_str());
      colore(bianco, 0.9);
      spessore(4);
      cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
      cairo_stroke(cr_);
    }
    // Glyphs drawn as text, so that an SVG reuses one outline per letter.
    cairo_move_to(cr_, x0, y);
    colore(c);
    cairo_show_text(cr_, t.c_str());
  }
  // Text turned a quarter to the left, reading upwards, its start at (x, y).
  void testo_verticale(const std::string& t, double x, double y, const scen::tool::colore& c) {
    cairo_save(cr_);
    cairo_translate(cr_, x, y);
    cairo_rotate(cr_, -std::numbers::pi / 2);
    testo(t, 0, 0, allinea::sinistra, c);
    cairo_restore(cr_);
  }

 private:
  cairo_t* cr_;
};

// A round step of 1, 2 or 5 times a power of ten, so that `campo` holds at
// most `quanti` steps.
double passo_tondo(double campo, double quanti) {
  if (campo <= 0) return 1;
  const double grezzo = campo / quanti;
  const double potenza = std::pow(10.0, std::floor(std::log10(grezzo)));
  for (const double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * potenza >= grezzo) return m * potenza;
  }
  return 10 * potenza;
}

std::string km(double metri) {
  const double k = metri / 1000.0;
  return std::fabs(k - std::round(k)) < 1e-9 ? fmt::format("{:.0f} km", k) : fmt::format("{:.1f} km", k);
}

std::string orario_breve(std::int32_t secondi) {
  return fmt::format("{}:{:02}", secondi / 3600, secondi / 60 % 60);
}

// ---- plan view ----

// The plan view turned so that the line runs from left to right, scaled to
// its panel with the same scale on both axes.
class vista_piano {
 public:
  vista_piano(const piano& p, double lunghezza, const riquadro& area) : p_(p) {
    ultimo_ = static_cast<std::int32_t>(std::min<double>(lunghezza, p.ultimo_metro()));
    while (ultimo_ > 0 && !valido(ultimo_)) --ultimo_;
    passo_ = std::max<std::int32_t>(1, ultimo_ / 8000);
    const auto a = grezzo(0).value_or(std::pair{0.0, 0.0});
    const auto b = grezzo(ultimo_).value_or(std::pair{0.0, 1.0});
    const double angolo = (a == b) ? 0.0 : std::atan2(b.second - a.second, b.first - a.first);
    cos_ = std::cos(angolo);
    sin_ = std::sin(angolo);
    double u0 = INFINITY, u1 = -INFINITY, v0 = INFINITY, v1 = -INFINITY;
    for (std::int32_t m = 0; m <= ultimo_; m += passo_) {
      if (const auto q = ruotato(m)) {
        u0 = std::min(u0, q->first), u1 = std::max(u1, q->first);
        v0 = std::min(v0, q->second), v1 = std::max(v1, q->second);
      }
    }
    if (!(u1 >= u0)) u0 = 0, u1 = 1, v0 = 0, v1 = 1;
    // Room around the line for station names above and below it.
    const riquadro dentro{area.x0 + 60, area.y0 + 110, area.x1 - 60, area.y1 - 110};
    scala_ = std::min(dentro.larghezza() / std::max(u1 - u0, 1.0), dentro.altezza() / std::max(v1 - v0, 1.0));
    ox_ = (dentro.x0 + dentro.x1) / 2 - scala_ * (u0 + u1) / 2;
    oy_ = (dentro.y0 + dentro.y1) / 2 + scala_ * (v0 + v1) / 2;
  }

  std::int32_t ultimo() const { return ultimo_; }
  std::int32_t passo() const { return passo_; }
  double scala() const { return scala_; }  // pixels per metre

  // The page point of metre m, when the plan view has it.
  std::optional<std::pair<double, double>> punto(double metro) const {
    const auto q = ruotato(static_cast<std::int32_t>(std::clamp(metro, 0.0, static_cast<double>(ultimo_))));
    if (!q) return std::nullopt;
    return std::pair{ox_ + scala_ * q->first, oy_ - scala_ * q->second};
  }
  // The unit normal on the page at metre m (to the left of the direction of travel).
  std::pair<double, double> normale(double metro) const {
    const auto a = punto(std::max(0.0, metro - 100));
    const auto b = punto(std::min<double>(ultimo_, metro + 100));
    if (!a || !b) return {0, -1};
    const double dx = b->first - a->first, dy = b->second - a->second;
    const double n = std::hypot(dx, dy);
    if (n == 0) return {0, -1};
    return {dy / n, -dx / n};
  }

 private:
  bool valido(std::int32_t m) const { return grezzo(m).has_value(); }
  std::optional<std::pair<double, double>> grezzo(std::int32_t m) const {
    if (m < 0 || m > p_.ultimo_metro()) return std::nullopt;
    if (p_.tag(m, 0) == tag_piano::vuoto || p_.tag(m, 1) == tag_piano::vuoto) return std::nullopt;
    const double x = p_.numero(m, 0), y = p_.numero(m, 1);
    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e9 || std::fabs(y) > 1e9) return std::nullopt;
    return std::pair{x, y};
  }
  std::optional<std::pair<double, double>> ruotato(std::int32_t m) const {
    const auto q = grezzo(m);
    if (!q) return std::nullopt;
    return std::pair{q->first * cos_ + q->second * sin_, -q->first * sin_ + q->second * cos_};
  }

  const piano& p_;
  std::int32_t ultimo_ = 0;
  std::int32_t passo_ = 1;
  double cos_ = 1, sin_ = 0, scala_ = 1, ox_ = 0, oy_ = 0;
};

// Labels placed so far, so that a new one is put where it overlaps none.
class etichette {
 public:
  explicit etichette(riquadro limite) : limite_(limite) {}
  void occupa(const riquadro& r) { presi_.push_back(r); }
  // How far a box must move sideways to stand inside the limits.
  double rientro(const riquadro& r) const {
    if (r.x1 > limite_.x1) return limite_.x1 - r.x1;
    if (r.x0 < limite_.x0) return limite_.x0 - r.x0;
    return 0;
  }
  bool libero(const riquadro& r) const {
    if (!r.dentro(limite_)) return false;
    return std::none_of(presi_.begin(), presi_.end(), [&](const riquadro& p) { return p.tocca(r); });
  }

 private:
  riquadro limite_;
  std::vector<riquadro> presi_;
};

void tratto_lungo(tela& t, const vista_piano& v, double da, double a) {
  bool aperto = false;
  // About one point per page pixel: finer steps only make the file bigger.
  const double passo = std::max(1.0, std::floor(0.7 / v.scala()));
  for (double m = std::max(0.0, da); m <= std::min<double>(a, v.ultimo()) + passo; m += passo) {
    const auto q = v.punto(std::min(m, std::min<double>(a, v.ultimo())));
    if (!q) {
      aperto = false;
      continue;
    }
    if (aperto) cairo_line_to(t.cr(), q->first, q->second); else cairo_move_to(t.cr(), q->first, q->second);
    aperto = true;
  }
  cairo_stroke(t.cr());
}

// A name put beside its point, on the first free place among a few at
// growing distance on either side of the line.
void etichetta_accanto(tela& t, etichette& e, const std::string& nome, std::pair<double, double> a,
                       std::pair<double, double> n, int lato_preferito, const colore& c, double dimensione,
                       bool grassetto) {
  t.carattere_testo(dimensione, grassetto);
  std::optional<std::pair<riquadro, std::pair<double, double>>> scelta, primo;
  for (const double distanza : {22.0, 48.0, 74.0, 100.0, 126.0}) {
    for (const double spostamento : {0.0, 0.6, -0.6}) {
      for (const int lato : {lato_preferito, -lato_preferito}) {
        double cx = a.first + n.first * lato * distanza;
        const double cy = a.second + n.second * lato * distanza;
        const double base = cy + dimensione * 0.35;
        riquadro r = t.scatola(nome, cx, base, allinea::centro);
        // Sideways by a share of the label's width, and back inside the panel.
        const double dx = spostamento * r.larghezza() + e.rientro(r);
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
  // A crowded spot still gets its name, next to the point.
  if (!scelta) scelta = primo;
  e.occupa(scelta->first);
  const double cy = (scelta->first.y0 + scelta->first.y1) / 2;
  if (std::hypot(scelta->second.first - a.first, cy - a.second) > 30) {
    t.colore(grigio);
    t.spessore(1);
    const double fine_y = cy < a.second ? scelta->first.y1 : scelta->first.y0;
    t.segmento(a.first, a.second, scelta->second.first, fine_y);
  }
  t.testo(nome, scelta->second.first, scelta->second.second, allinea::centro, c);
}

void disegna_scala(tela& t, const vista_piano& v, const riquadro& area) {
  const double metri = passo_tondo(area.larghezza() * 0.15 / v.scala(), 1);
  const double w = metri * v.scala();
  const double x = area.x0 + 30, y = area.y1 - 30;
  t.colore(nero);
  t.spessore(2);
  t.segmento(x, y, x + w, y);
  t.segmento(x, y - 8, x, y + 8);
  t.segmento(x + w, y - 8, x + w, y + 8);
  t.segmento(x + w / 2, y - 5, x + w / 2, y + 5);
  t.carattere_testo(16);
  t.testo(km(metri), x + w / 2, y - 14, allinea::centro, nero);
}

void disegna_piano(tela& t, const dati_mappa& d, const linea_mappa& l) {
  t.colore(grigio);
  t.spessore(1);
  t.cornice(area_piano);
  t.carattere_testo(20, true);
  t.testo("Plan view", area_piano.x0 + 14, area_piano.y0 + 28, allinea::sinistra, nero);
  t.carattere_testo(15);
  if (!d.planimetria) {
    t.testo("no plan view: " + d.senza_piano, area_piano.x0 + 14, area_piano.y0 + 56, allinea::sinistra, grigio);
    return;
  }
  const vista_piano v(*d.planimetria, l.lunghezza, area_piano);
  t.testo("turned so that the line runs from left to right; north is not known", area_piano.x0 + 14,
          area_piano.y0 + 52, allinea::sinistra, grigio);

  cairo_set_line_cap(t.cr(), CAIRO_LINE_CAP_ROUND);
  // Station zones under the line, slowdowns over it.
  t.colore(c_zona);
  t.spessore(12);
  for (const auto& s : l.stazioni) tratto_lungo(t, v, s.inizio, s.fine);
  t.colore(c_binario);
  t.spessore(3);
  tratto_lungo(t, v, 0, l.lunghezza);
  t.colore(c_rallentamento, 0.85);
  t.spessore(9);
  for (const auto& r : l.rallentamenti) tratto_lungo(t, v, r.inizio, r.fine);
  cairo_set_line_cap(t.cr(), CAIRO_LINE_CAP_BUTT);

  const auto a_lato = [&](double metri, double distanza) -> std::optional<std::pair<double, double>> {
    const auto q = v.punto(metri);
    if (!q) return std::nullopt;
    const auto n = v.normale(metri);
    return std::pair{q->first + n.first * distanza, q->second + n.second * distanza};
  };
  for (const double p : l.codici) {
    if (const auto q = v.punto(p)) t.cerchio(q->first, q->second, 3, c_codice, c_codice, 1);
  }
  t.colore(c_segnale);
  t.spessore(2.5);
  for (const double p : l.segnali) {
    const auto a = a_lato(p, 3), b = a_lato(p, 14);
    if (a && b) t.segmento(a->first, a->second, b->first, b->second);
  }
  for (const double p : l.cartelli) {
    if (const auto q = a_lato(p, -10)) t.poligono({{q->first - 4, q->second - 4}, {q->first + 4, q->second - 4},
                                                   {q->first + 4, q->second + 4}, {q->first - 4, q->second + 4}},
                                                  c_cartello);
  }
  for (const auto& ind : l.indicazioni) {
    if (const auto q = a_lato(ind.posizione, -12)) {
      t.poligono({{q->first, q->second - 6}, {q->first + 6, q->second}, {q->first, q->second + 6},
                  {q->first - 6, q->second}},
                 c_indicazione);
    }
  }
  for (const double p : l.avvisi) {
    if (const auto q = a_lato(p, 14)) {
      t.poligono({{q->first, q->second - 8}, {q->first + 7, q->second + 5}, {q->first - 7, q->second + 5}},
                 c_rallentamento);
    }
  }

  etichette e(riquadro{area_piano.x0 + 4, area_piano.y0 + 60, area_piano.x1 - 4, area_piano.y1 - 60});
  for (const auto& s : l.stazioni) {
    if (const auto q = v.punto(s.posizione)) e.occupa({q->first - 7, q->second - 7, q->first + 7, q->second + 7});
  }
  int lato = 1;
  for (const auto& s : l.stazioni) {
    const auto q = v.punto(s.posizione);
    if (!q) continue;
    t.cerchio(q->first, q->second, 6, bianco, nero, 2);
    etichetta_accanto(t, e, s.nome, *q, v.normale(s.posizione), lato, nero, 17, true);
    lato = -lato;
  }
  for (const auto& r : l.rallentamenti) {
    const double mezzo = (r.inizio + r.fine) / 2;
    if (const auto q = v.punto(mezzo)) {
      etichetta_accanto(t, e, fmt::format("slowdown {} km/h", r.velocita), *q, v.normale(mezzo), -1, c_rallentamento,
                        15, true);
    }
  }
  const double passo_km = passo_tondo(l.lunghezza, 10);
  for (double m = passo_km; m < l.lunghezza; m += passo_km) {
    const auto q = v.punto(m);
    if (!q) continue;
    const auto n = v.normale(m);
    t.colore(grigio);
    t.spessore(1.5);
    t.segmento(q->first - n.first * 5, q->second - n.second * 5, q->first + n.first * 5, q->second + n.second * 5);
    etichetta_accanto(t, e, km(m), *q, n, -1, grigio, 13, false);
  }
  disegna_scala(t, v, area_piano);
}

// ---- long section ----

class asse_distanza {
 public:
  explicit asse_distanza(double lunghezza) : lunghezza_(std::max(lunghezza, 1.0)) {}
  double x(double metri) const {
    return area_nomi.x0 + area_nomi.larghezza() * std::clamp(metri, 0.0, lunghezza_) / lunghezza_;
  }
  double lunghezza() const { return lunghezza_; }

 private:
  double lunghezza_;
};

// A profile as runs of equal values over the cells inside the route.
struct tratto {
  double da, a;
  int valore;
};
std::vector<tratto> tratti(const std::vector<int>& celle, double lunghezza) {
  std::vector<tratto> out;
  for (std::size_t n = 0; n < celle.size() && static_cast<double>(n) * 50 < lunghezza; ++n) {
    const double da = static_cast<double>(n) * 50, a = std::min(da + 50, lunghezza);
    if (!out.empty() && out.back().valore == celle[n]) {
      out.back().a = a;
    } else {
      out.push_back({da, a, celle[n]});
    }
  }
  return out;
}

void titolo_striscia(tela& t, const riquadro& r, const std::string& titolo, const std::string& unita) {
  t.colore(grigio_chiaro);
  t.spessore(1);
  t.cornice(r);
  t.carattere_testo(17, true);
  t.testo(titolo, margine, r.y0 + 24, allinea::sinistra, nero, false);
  t.carattere_testo(14);
  t.testo(unita, margine, r.y0 + 44, allinea::sinistra, grigio, false);
}

// The value scale of a strip: y of a value, and round ticks on the left.
class asse_valori {
 public:
  asse_valori(const riquadro& r, double v0, double v1) : r_(r), v0_(v0), v1_(v1 > v0 ? v1 : v0 + 1) {}
  double y(double v) const { return r_.y1 - 8 - (r_.altezza() - 16) * (v - v0_) / (v1_ - v0_); }
  void tacche(tela& t, double passo, const std::string& suffisso) const {
    t.carattere_testo(13);
    for (double v = std::ceil(v0_ / passo) * passo; v <= v1_ + 1e-9; v += passo) {
      t.colore(grigio_chiaro);
      t.spessore(0.8);
      t.segmento(r_.x0, y(v), r_.x1, y(v));
      t.testo(fmt::format("{:g}{}", v, suffisso), r_.x0 - 6, y(v) + 4, allinea::destra, grigio, false);
    }
  }

 private:
  riquadro r_;
  double v0_, v1_;
};

void disegna_nomi(tela& t, const linea_mappa& l, const asse_distanza& x) {
  t.carattere_testo(20, true);
  t.testo("Long section", margine, area_nomi.y0 + 24, allinea::sinistra, nero, false);
  t.carattere_testo(14);
  t.testo("along the distance", margine, area_nomi.y0 + 44, allinea::sinistra, grigio, false);
  double ultimo_x = -1e9;
  for (const auto& s : l.stazioni) {
    const double px = x.x(s.posizione);
    t.colore(grigio, 0.6);
    t.spessore(0.8);
    t.tratteggio(4, 4);
    t.segmento(px, striscia_oggetti.y0, px, striscia_aderenza.y1);
    t.continuo();
    // Names side by side, each at least its height from the previous one.
    const double nx = std::max(px, ultimo_x + 17);
    ultimo_x = nx;
    if (nx != px) {
      t.colore(grigio);
      t.segmento(px, area_nomi.y1 + 8, nx, area_nomi.y1 - 2);
    }
    std::string nome = s.nome;
    if (s.orario != 0) nome += "  " + orario_breve(s.orario);
    t.carattere_testo(14, true);
    t.testo_verticale(nome, nx + 5, area_nomi.y1 - 4, nero);
  }
}

void disegna_oggetti(tela& t, const linea_mappa& l, const asse_distanza& x) {
  titolo_striscia(t, striscia_oggetti, "Line side", "objects");
  const double cy = (striscia_oggetti.y0 + striscia_oggetti.y1) / 2;
  for (const auto& s : l.stazioni) {
    t.colore(c_zona, 0.8);
    const double x0 = x.x(s.inizio), x1 = x.x(s.fine);
    t.rettangolo({x0, cy - 10, std::max(x1, x0 + 1), cy + 10});
  }
  t.colore(c_binario);
  t.spessore(1.5);
  t.segmento(striscia_oggetti.x0, cy, striscia_oggetti.x1, cy);
  for (const auto& r : l.rallentamenti) {
    t.colore(c_rallentamento, 0.9);
    t.rettangolo({x.x(r.inizio), cy - 5, std::max(x.x(r.fine), x.x(r.inizio) + 2), cy + 5});
  }
  t.colore(c_segnale);
  t.spessore(2);
  for (const double p : l.segnali) t.segmento(x.x(p), cy - 4, x.x(p), cy - 24);
  for (const double p : l.cartelli) {
    const double px = x.x(p);
    t.poligono({{px - 4, cy + 14}, {px + 4, cy + 14}, {px + 4, cy + 22}, {px - 4, cy + 22}}, c_cartello);
  }
  for (const auto& ind : l.indicazioni) {
    const double px = x.x(ind.posizione);
    t.poligono({{px, cy + 10}, {px + 5, cy + 16}, {px, cy + 22}, {px - 5, cy + 16}}, c_indicazione);
  }
  for (const double p : l.avvisi) {
    const double px = x.x(p);
    t.poligono({{px, cy - 30}, {px + 7, cy - 18}, {px - 7, cy - 18}}, c_rallentamento);
  }
  for (const double p : l.codici) t.cerchio(x.x(p), cy, 2.5, c_codice, c_codice, 1);
}

// Labels the runs of a profile that are wide enough for their value.
void etichetta_tratti(tela& t, const std::vector<tratto>& v, const asse_distanza& x, const asse_valori& y,
                      const colore& c, int mancante, bool con_segno) {
  t.carattere_testo(13, true);
  for (const auto& r : v) {
    if (r.valore == mancante) continue;
    const std::string s = con_segno ? fmt::format("{:+}", r.valore) : fmt::format("{}", r.valore);
    if (x.x(r.a) - x.x(r.da) < t.misura(s).first + 6) continue;
    const double base = con_segno && r.valore < 0 ? y.y(r.valore) + 16 : y.y(r.valore) - 5;
    t.testo(s, (x.x(r.da) + x.x(r.a)) / 2, base, allinea::centro, c);
  }
}

void disegna_pendenza(tela& t, const linea_mappa& l, const asse_distanza& x) {
  titolo_striscia(t, striscia_pendenza, "Gradient", "per mille");
  const auto v = tratti(l.pendenza, x.lunghezza());
  int lo = -5, hi = 5;
  for (const auto& r : v) {
    if (r.valore == non_riempito) continue;
    lo = std::min(lo, r.valore), hi = std::max(hi, r.valore);
  }
  const double passo = passo_tondo(hi - lo, 4);
  const asse_valori y(striscia_pendenza, std::floor(lo / passo) * passo - passo * 0.3,
                      std::ceil(hi / passo) * passo + passo * 0.3);
  y.tacche(t, passo, "");
  for (const auto& r : v) {
    if (r.valore == non_riempito || r.valore == 0) continue;
    t.colore(r.valore > 0 ? c_salita : c_discesa, 0.85);
    const double ya = y.y(0), yb = y.y(r.valore);
    t.rettangolo({x.x(r.da), std::min(ya, yb), std::max(x.x(r.a), x.x(r.da) + 0.8), std::max(ya, yb)});
  }
  t.colore(nero);
  t.spessore(1);
  t.segmento(striscia_pendenza.x0, y.y(0), striscia_pendenza.x1, y.y(0));
  std::vector<tratto> con_segno;
  for (const auto& r : v) {
    if (r.valore != 0) con_segno.push_back(r);
  }
  etichetta_tratti(t, con_segno, x, y, nero, non_riempito, true);
}

void linea_a_gradini(tela& t, const std::vector<tratto>& v, const asse_distanza& x, const asse_valori& y) {
  bool primo = true;
  for (const auto& r : v) {
    if (primo) cairo_move_to(t.cr(), x.x(r.da), y.y(r.valore)); else cairo_line_to(t.cr(), x.x(r.da), y.y(r.valore));
    cairo_line_to(t.cr(), x.x(r.a), y.y(r.valore));
    primo = false;
  }
  cairo_stroke(t.cr());
}

void disegna_velocita(tela& t, const linea_mappa& l, const asse_distanza& x) {
  titolo_striscia(t, striscia_velocita, "Speed limit", "km/h");
  const auto v = tratti(l.velocita, x.lunghezza());
  int hi = 40;
  for (const auto& r : v) hi = std::max(hi, r.valore);
  const double passo = passo_tondo(hi, 4);
  const asse_valori y(striscia_velocita, 0, std::ceil(hi * 1.15 / passo) * passo);
  y.tacche(t, passo, "");
  for (const auto& r : l.rallentamenti) {
    t.colore(c_rallentamento, 0.35);
    t.rettangolo({x.x(r.inizio), y.y(r.velocita), std::max(x.x(r.fine), x.x(r.inizio) + 2), y.y(0)});
    t.colore(c_rallentamento);
    t.spessore(2.5);
    t.segmento(x.x(r.inizio), y.y(r.velocita), std::max(x.x(r.fine), x.x(r.inizio) + 2), y.y(r.velocita));
    t.carattere_testo(13, true);
    t.testo(fmt::format("{}", r.velocita), x.x(r.fine) + 4, y.y(r.velocita) + 4, allinea::sinistra, c_rallentamento);
  }
  t.colore(c_velocita);
  t.spessore(2.5);
  linea_a_gradini(t, v, x, y);
  etichetta_tratti(t, v, x, y, c_velocita, -1, false);
}

void disegna_aderenza(tela& t, const linea_mappa& l, const asse_distanza& x) {
  titolo_striscia(t, striscia_aderenza, "Adhesion", "per cent");
  const auto v = tratti(l.aderenza, x.lunghezza());
  int lo = 255, hi = 0;
  for (const auto& r : v) lo = std::min(lo, r.valore), hi = std::max(hi, r.valore);
  if (lo > hi) lo = 0, hi = 100;
  const double passo = passo_tondo(std::max(hi - lo, 10), 3);
  const asse_valori y(striscia_aderenza, std::floor(lo / passo) * passo - passo * 0.2,
                      std::ceil(hi / passo) * passo + passo * 0.6);
  y.tacche(t, passo, "");
  t.colore(c_aderenza);
  t.spessore(2.5);
  linea_a_gradini(t, v, x, y);
  etichetta_tratti(t, v, x, y, c_aderenza, -1, false);
}

void disegna_asse_km(tela& t, const asse_distanza& x) {
  const double passo = passo_tondo(x.lunghezza(), 17);
  const double y = striscia_aderenza.y1;
  t.carattere_testo(14);
  for (double m = 0; m <= x.lunghezza() + 1e-6; m += passo) {
    t.colore(nero);
    t.spessore(1);
    t.segmento(x.x(m), y, x.x(m), y + 8);
    t.testo(km(m), x.x(m), y + 26, allinea::centro, nero, false);
  }
}

// ---- title and legend ----

void disegna_titolo(tela& t, const dati_mappa& d, const linea_mappa& l) {
  t.carattere_testo(34, true);
  t.testo(utf8_da_1252(d.id.nome_linea) + "  \xC2\xB7  train " + utf8_da_1252(d.id.nome_treno), area_titolo.x0,
          area_titolo.y0 + 34, allinea::sinistra, nero, false);
  t.carattere_testo(18);
  const auto quanti = [](std::size_t n, const char* uno, const char* molti) {
    return fmt::format("{} {}", n, n == 1 ? uno : molti);
  };
  t.testo(fmt::format("route {:.1f} km  \xC2\xB7  {}  \xC2\xB7  {}  \xC2\xB7  {}  \xC2\xB7  {}  \xC2\xB7  {}",
                      l.lunghezza / 1000.0, quanti(l.stazioni.size(), "station", "stations"),
                      quanti(l.segnali.size(), "signal", "signals"),
                      quanti(l.cartelli.size(), "maximum-speed board", "maximum-speed boards"),
                      quanti(l.rallentamenti.size(), "slowdown", "slowdowns"),
                      quanti(l.codici.size(), "cab-signal code point", "cab-signal code points")),
          area_titolo.x0, area_titolo.y0 + 66, allinea::sinistra, grigio, false);
}

void disegna_legenda(tela& t) {
  t.colore(grigio);
  t.spessore(1);
  t.cornice(area_legenda);
  const double y = (area_legenda.y0 + area_legenda.y1) / 2;
  double x = area_legenda.x0 + 20;
  t.carattere_testo(15, true);
  t.testo("Legend", x, y + 5, allinea::sinistra, nero, false);
  x += 90;
  t.carattere_testo(15);
  const auto voce_legenda = [&](const std::string& testo, const auto& simbolo) {
    simbolo(x + 12, y);
    t.testo(testo, x + 30, y + 5, allinea::sinistra, nero, false);
    x += 30 + t.misura(testo).first + 28;
  };
  voce_legenda("station", [&](double cx, double cy) { t.cerchio(cx, cy, 6, bianco, nero, 2); });
  voce_legenda("station zone", [&](double cx, double cy) {
    t.colore(c_zona);
    t.rettangolo({cx - 12, cy - 6, cx + 12, cy + 6});
  });
  voce_legenda("signal", [&](double cx, double cy) {
    t.colore(c_segnale);
    t.spessore(2.5);
    t.segmento(cx, cy - 9, cx, cy + 9);
  });
  voce_legenda("max-speed board", [&](double cx, double cy) {
    t.poligono({{cx - 5, cy - 5}, {cx + 5, cy - 5}, {cx + 5, cy + 5}, {cx - 5, cy + 5}}, c_cartello);
  });
  voce_legenda("slowdown", [&](double cx, double cy) {
    t.colore(c_rallentamento);
    t.rettangolo({cx - 12, cy - 5, cx + 12, cy + 5});
  });
  voce_legenda("slowdown warning board", [&](double cx, double cy) {
    t.poligono({{cx, cy - 8}, {cx + 7, cy + 5}, {cx - 7, cy + 5}}, c_rallentamento);
  });
  voce_legenda("cab-signal code point", [&](double cx, double cy) { t.cerchio(cx, cy, 3.5, c_codice, c_codice, 1); });
  voce_legenda("indication board", [&](double cx, double cy) {
    t.poligono({{cx, cy - 7}, {cx + 7, cy}, {cx, cy + 7}, {cx - 7, cy}}, c_indicazione);
  });
  voce_legenda("rising / falling", [&](double cx, double cy) {
    t.colore(c_salita);
    t.rettangolo({cx - 12, cy - 8, cx, cy});
    t.colore(c_discesa);
    t.rettangolo({cx, cy, cx + 12, cy + 8});
  });
  voce_legenda("speed limit", [&](double cx, double cy) {
    t.colore(c_velocita);
    t.spessore(2.5);
    t.segmento(cx - 12, cy, cx + 12, cy);
  });
  voce_legenda("adhesion", [&](double cx, double cy) {
    t.colore(c_aderenza);
    t.spessore(2.5);
    t.segmento(cx - 12, cy, cx + 12, cy);
  });
}

void disegna_pagina(cairo_t* cr, const dati_mappa& d) {
  tela t(cr);
  t.colore(bianco);
  t.rettangolo({0, 0, larghezza_pagina, altezza_pagina});
  const linea_mappa l = raccogli(d);
  const asse_distanza x(l.lunghezza);
  disegna_titolo(t, d, l);
  disegna_piano(t, d, l);
  disegna_nomi(t, l, x);
  disegna_oggetti(t, l, x);
  disegna_pendenza(t, l, x);
  disegna_velocita(t, l, x);
  disegna_aderenza(t, l, x);
  disegna_asse_km(t, x);
  disegna_legenda(t);
}

cairo_status_t accoda(void* chiusura, const unsigned char* dati, unsigned int n) {
  static_cast<std::string*>(chiusura)->append(reinterpret_cast<const char*>(dati), n);
  return CAIRO_STATUS_SUCCESS;
}

void controlla(cairo_status_t s) {
  if (s != CAIRO_STATUS_SUCCESS) throw std::runtime_error(std::string("drawing failed: ") + cairo_status_to_string(s));
}

void disegna_su(cairo_surface_t* superficie, const dati_mappa& d) {
  controlla(cairo_surface_status(superficie));
  const cairo_ptr cr(cairo_create(superficie));
  controlla(cairo_status(cr.get()));
  disegna_pagina(cr.get(), d);
  controlla(cairo_status(cr.get()));
}

}  // namespace

// Cairo and fontconfig keep fonts in caches of their own; they are let go
// once the page is done, so that nothing drawn outlives the drawing.
struct cache_caratteri {
  ~cache_caratteri() {
    cairo_debug_reset_static_data();
    FcFini();
  }
};

std::string disegna_mappa(const dati_mappa& d, formato_mappa formato) {
  if (d.celle.size() < 2) throw std::logic_error("the map needs the track cells");
  const cache_caratteri cache;
  std::string out;
  if (formato == formato_mappa::svg) {
    const superficie_ptr s(cairo_svg_surface_create_for_stream(accoda, &out, larghezza_pagina, altezza_pagina));
    disegna_su(s.get(), d);
    cairo_surface_finish(s.get());
    controlla(cairo_surface_status(s.get()));
  } else {
    const superficie_ptr s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(larghezza_pagina),
                                                      static_cast<int>(altezza_pagina)));
    disegna_su(s.get(), d);
    controlla(cairo_surface_write_to_png_stream(s.get(), accoda, &out));
  }
  return out;
}

}  // namespace scen::tool
