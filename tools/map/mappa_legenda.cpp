// The page's title with the route's counts and any warnings, and the legend.
#include <fmt/format.h>

#include "map/mappa_interno.h"
#include "text/testo_utf8.h"

namespace scen::tool::mappa {

void disegna_titolo(canvas& t, const scenario_decodificato& d, const linea_mappa& l, const opzioni_mappa& o) {
  std::string titolo = leggibile_da_1252(d.id.nome_linea) + "  \xC2\xB7  train " + leggibile_da_1252(d.id.nome_treno);
  if (l.da > 0 || l.a < l.lunghezza) titolo += "  \xC2\xB7  " + km(l.da) + " to " + km(l.a);
  t.text(titolo, {area_titolo.x0, area_titolo.y0 + 34}, {34, true}, anchor::start, nero, false);
  const auto quanti = [&](tipo_oggetto k) {
    std::size_t n = 0;
    for (const oggetto& x : l.di(k)) n += x.conta;
    return fmt::format("{} {}", n, nome_oggetto(k, n != 1));
  };
  t.text(fmt::format("route {:.1f} km  \xC2\xB7  {} {}  \xC2\xB7  {}  \xC2\xB7  {}  \xC2\xB7  {}  \xC2\xB7  {}",
                     l.lunghezza / 1000.0, l.stazioni.size(), l.stazioni.size() == 1 ? "station" : "stations",
                     quanti(tipo_oggetto::segnale), quanti(tipo_oggetto::cartello), quanti(tipo_oggetto::rallentamento),
                     quanti(tipo_oggetto::codice)),
         {area_titolo.x0, area_titolo.y0 + 66}, {18}, anchor::start, grigio, false);
  double y = area_titolo.y0 + 92;
  for (std::size_t i = 0; i < o.problemi.size() && i < 2; ++i, y += 20) {
    std::string riga = "warning: " + o.problemi[i];
    if (i == 1 && o.problemi.size() > 2) riga += fmt::format(" (and {} more)", o.problemi.size() - 2);
    t.text(riga, {area_titolo.x0, y}, {16, true}, anchor::start, c_segno, false);
  }
}

void disegna_legenda(canvas& t) {
  t.frame(area_legenda, {grigio, 1});
  const double y = (area_legenda.y0 + area_legenda.y1) / 2;
  double x = area_legenda.x0 + 20;
  t.text("Legend", {x, y + 5}, {15, true}, anchor::start, nero, false);
  x += 90;
  const font f{15};
  const pen bordo{bianco, 1};
  const auto voce_legenda = [&](const std::string& testo, const auto& simbolo) {
    simbolo(x + 12, y);
    t.text(testo, {x + 30, y + 5}, f, anchor::start, nero, false);
    x += 30 + t.text_width(testo, f) + 24;
  };
  voce_legenda("station", [&](double cx, double cy) { t.circle({cx, cy}, 6, bianco, {nero, 2}); });
  voce_legenda("station zone", [&](double cx, double cy) { t.rect({cx - 12, cy - 6, cx + 12, cy + 6}, c_zona, 1); });
  voce_legenda("signal / timed", [&](double cx, double cy) {
    t.line({cx - 3, cy - 9}, {cx - 3, cy + 9}, {c_segnale, 2.5});
    t.line({cx + 3, cy - 9}, {cx + 3, cy + 9}, {c_segnale_tempo, 2.5});
  });
  voce_legenda("max-speed board", [&](double cx, double cy) {
    t.shape({{cx - 5, cy - 5}, {cx + 5, cy - 5}, {cx + 5, cy + 5}, {cx - 5, cy + 5}}, c_cartello, &bordo);
  });
  voce_legenda("slowdown", [&](double cx, double cy) {
    t.rect({cx - 12, cy - 5, cx + 12, cy + 5}, c_rallentamento, 1);
  });
  voce_legenda("warning board", [&](double cx, double cy) {
    t.shape({{cx, cy - 8}, {cx + 7, cy + 5}, {cx - 7, cy + 5}}, c_rallentamento, &bordo);
  });
  voce_legenda("code point", [&](double cx, double cy) { t.circle({cx, cy}, 3.5, c_codice, {c_codice, 1}); });
  voce_legenda("cab-signal repetition", [&](double cx, double cy) {
    t.rect({cx - 12, cy - 3, cx + 12, cy + 3}, c_ripetizione, 1);
  });
  voce_legenda("indication board", [&](double cx, double cy) {
    t.shape({{cx, cy - 7}, {cx + 7, cy}, {cx, cy + 7}, {cx - 7, cy}}, c_indicazione, &bordo);
  });
  voce_legenda("rising / falling", [&](double cx, double cy) {
    t.rect({cx - 12, cy - 8, cx, cy}, c_salita, 1);
    t.rect({cx, cy, cx + 12, cy + 8}, c_discesa, 1);
  });
  voce_legenda("train's limit", [&](double cx, double cy) { t.line({cx - 12, cy}, {cx + 12, cy}, {c_velocita, 2.5}); });
  voce_legenda("limit to respect", [&](double cx, double cy) {
    t.line({cx - 12, cy}, {cx + 12, cy}, {c_efficace, 1.5, 1, 5});
  });
  voce_legenda("adhesion", [&](double cx, double cy) { t.line({cx - 12, cy}, {cx + 12, cy}, {c_aderenza, 2.5}); });
}

}  // namespace scen::tool::mappa
