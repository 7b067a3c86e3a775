// The map's page: the parts laid out one under the other, and the choice of
// backend by format.
#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "canvas/canvas_svg.h"
#include "io/output_file.h"
#include "map/mappa_interno.h"
#include "platform/path_text.h"
#ifdef SCENARIO_HAS_CAIRO
#include "canvas/canvas_cairo.h"
#endif

namespace scen::tool {

void scrivi_html(const scenario_decodificato& d, const opzioni_mappa& o, byte_sink& out);

namespace {

void disegna_pagina(canvas& t, const scenario_decodificato& d, const opzioni_mappa& o) {
  using namespace mappa;
  // One page pixel is the finest thing the page tells apart.
  const linea_mappa l = raccogli(d, o.da, o.a, area_nomi.width());
  disegna_titolo(t, d, l, o);
  disegna_piano(t, d, l, o);
  disegna_sezione(t, d, l, o);
  disegna_legenda(t);
}

}  // namespace

std::optional<formato_mappa> formato_da_estensione(const std::string& estensione) {
  std::string e = estensione;
  for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (e == ".svg") return formato_mappa::svg;
  if (e == ".png") return formato_mappa::png;
  if (e == ".pdf") return formato_mappa::pdf;
  if (e == ".html" || e == ".htm") return formato_mappa::html;
  return std::nullopt;
}

bool formato_disponibile(formato_mappa f) {
  switch (f) {
    case formato_mappa::svg:
    case formato_mappa::html:
      return true;
#ifdef SCENARIO_HAS_CAIRO
    case formato_mappa::png:
      return cairo_can_write(cairo_format::png);
    case formato_mappa::pdf:
      return cairo_can_write(cairo_format::pdf);
#endif
    default:
      return false;
  }
}

formato_mappa formato_del_file(const std::filesystem::path& file) {
  const auto f = formato_da_estensione(utf8_of(file.extension()));
  if (!f) {
    throw std::invalid_argument(utf8_of(file) +
                                ": the map is written as SVG, PNG, PDF or HTML; name the file \".svg\", \".png\", "
                                "\".pdf\" or \".html\"");
  }
  if (!formato_disponibile(*f)) {
    throw std::invalid_argument(utf8_of(file) + ": this build of scenario-tool draws SVG and HTML only (no cairo)");
  }
  return *f;
}

void scrivi_mappa(const scenario_decodificato& d, const opzioni_mappa& o, formato_mappa f, byte_sink& out) {
  if (d.celle.size() < 2) throw std::logic_error("the map needs the track cells");
  using mappa::altezza_pagina;
  using mappa::larghezza_pagina;
  switch (f) {
    case formato_mappa::svg: {
      buffered_sink b(out);
      svg_canvas t(b, larghezza_pagina, altezza_pagina);
      t.rect({0, 0, larghezza_pagina, altezza_pagina}, mappa::bianco, 1);
      disegna_pagina(t, d, o);
      t.finish();
      b.flush();
      return;
    }
    case formato_mappa::html:
      scrivi_html(d, o, out);
      return;
    case formato_mappa::png:
    case formato_mappa::pdf:
#ifdef SCENARIO_HAS_CAIRO
      draw_with_cairo(
          f == formato_mappa::png ? cairo_format::png : cairo_format::pdf, larghezza_pagina, altezza_pagina,
          [&](canvas& t) { disegna_pagina(t, d, o); }, out);
      return;
#endif
    default:
      throw std::logic_error("this build cannot draw that format");
  }
}

void scrivi_mappa_in_file(const scenario_decodificato& d, const opzioni_mappa& o, formato_mappa f,
                          const std::filesystem::path& file) {
  write_output_file(file, [&](byte_sink& sink) { scrivi_mappa(d, o, f, sink); });
}

}  // namespace scen::tool
