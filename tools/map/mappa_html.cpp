// The map as one self-contained HTML page: the route's data as JSON and a
// small script that draws the plan view and the long section of any
// stretch, with zoom, pan, tooltips and a station search. Nothing is loaded
// from anywhere else, so the file opens the same from a disk or a mail.
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "canvas/canvas_svg.h"
#include "map/mappa_interno.h"
#include "text/testo_utf8.h"
#include "viewer_js.h"

namespace scen::tool {
namespace {

using namespace mappa;

// The page keeps at most about this many objects of a kind, and runs of a
// profile; closer ones are shown as one, as on a printed map.
constexpr double dettaglio_massimo = 20000;
// Plan-view points kept for the whole route.
constexpr double punti_piano = 20000;

// A JSON string that is also safe inside a <script> element.
std::string js(std::string_view s) {
  std::string j = nlohmann::json(std::string(s)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::string out;
  out.reserve(j.size());
  for (std::size_t i = 0; i < j.size(); ++i) {
    if (j[i] == '<') {
      out += "\\u003c";
    } else {
      out += j[i];
    }
  }
  return out;
}

std::string num(double v) {
  if (!std::isfinite(v)) return "0";
  return fmt::format("{}", std::round(v * 10) / 10);
}

void scrivi_versione(buffered_sink& b, const scenario_decodificato& d, const linea_mappa& l) {
  b.write("{\"plan\":[");
  if (d.planimetria) {
    const piano& p = *d.planimetria;
    const auto ultimo = static_cast<std::int32_t>(std::min<double>(l.lunghezza, p.ultimo_metro()));
    const auto passo = std::max<std::int32_t>(1, static_cast<std::int32_t>(ultimo / punti_piano));
    bool primo = true;
    for (std::int32_t m = 0; m <= ultimo; m = m == ultimo ? m + 1 : std::min(ultimo, m + passo)) {
      if (p.tag(m, 0) == tag_piano::vuoto || p.tag(m, 1) == tag_piano::vuoto) continue;
      const double x = p.numero(m, 0), y = p.numero(m, 1);
      if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e9 || std::fabs(y) > 1e9) continue;
      b.write(fmt::format("{}[{},{},{}]", primo ? "" : ",", m, num(x), num(y)));
      primo = false;
    }
  }
  b.write("],\"noplan\":" + js(d.senza_piano) + ",\"stations\":[");
  bool primo = true;
  for (const auto& s : l.stazioni) {
    const std::int32_t orario = d.voci[s.voce].orario;
    b.write(fmt::format("{}{{\"n\":{},\"p\":{},\"s\":{},\"e\":{},\"t\":{},\"tip\":{}}}", primo ? "" : ",", js(s.nome),
                        num(s.posizione), num(s.inizio), num(s.fine), js(orario ? orario_breve(orario) : ""),
                        js(descrizione_stazione(d, l, s))));
    primo = false;
  }
  b.write("],\"objects\":{");
  const std::pair<tipo_oggetto, const char*> tipi[] = {
      {tipo_oggetto::segnale, "signal"},         {tipo_oggetto::cartello, "board"},
      {tipo_oggetto::avviso, "warning"},         {tipo_oggetto::codice, "code"},
      {tipo_oggetto::indicazione, "indication"}, {tipo_oggetto::rallentamento, "slowdown"}};
  for (std::size_t k = 0; k < std::size(tipi); ++k) {
    b.write(fmt::format("{}\"{}\":[", k ? "," : "", tipi[k].second));
    bool primo_oggetto = true;
    for (const oggetto& o : l.di(tipi[k].first)) {
      std::string extra;
      if (tipi[k].first == tipo_oggetto::rallentamento && o.conta == 1) {
        extra = fmt::format(",{}", d.celle[o.cella].valore1);
      }
      b.write(fmt::format("{}[{},{},{},{}{}]", primo_oggetto ? "" : ",", num(o.da), num(o.a), o.conta,
                          js(descrizione(d, l, tipi[k].first, o)), extra));
      primo_oggetto = false;
    }
    b.write("]");
  }
  b.write("},\"profiles\":{");
  const std::pair<const std::vector<tratto>*, const char*> profili[] = {
      {&l.pendenza, "gradient"}, {&l.velocita, "speed"}, {&l.efficace, "effective"}, {&l.aderenza, "adhesion"}};
  for (std::size_t k = 0; k < std::size(profili); ++k) {
    b.write(fmt::format("{}\"{}\":[", k ? "," : "", profili[k].second));
    bool primo_tratto = true;
    for (const tratto& r : *profili[k].first) {
      const auto v = [](int x) { return x == non_riempito ? std::string("null") : std::to_string(x); };
      b.write(fmt::format("{}[{},{},{},{}]", primo_tratto ? "" : ",", num(r.da), num(r.a), v(r.lo),
                          v(r.lo == non_riempito ? r.lo : r.hi)));
      primo_tratto = false;
    }
    b.write("]");
  }
  b.write("},\"km\":[");
  for (std::size_t i = 0; i < l.zone_km.size(); ++i) {
    b.write(fmt::format("{}[{},{}]", i ? "," : "", num(l.zone_km[i].inizio), num(l.zone_km[i].progressiva)));
  }
  b.write("]");
  if (l.ripetizione_a > l.ripetizione_da) {
    b.write(fmt::format(
        ",\"rep\":[{},{},{}]", num(l.ripetizione_da), num(l.ripetizione_a),
        js(fmt::format("cab-signal repetition from {} to {}", luogo(l, l.ripetizione_da), luogo(l, l.ripetizione_a)))));
  }
  b.write("}");
}

constexpr const char* stile = R"css(
body{margin:0;font:14px "DejaVu Sans",Verdana,Arial,sans-serif;color:#222;background:#f4f4f2}
header{display:flex;flex-wrap:wrap;gap:12px;align-items:center;padding:8px 14px;background:#fff;border-bottom:1px solid #ccc}
header h1{font-size:18px;margin:0 12px 0 0}
#range{color:#555}
#status{flex:1 1 300px;color:#333;white-space:pre-line;font-size:12px}
main{display:grid;grid-template-columns:1fr 1fr;gap:8px;padding:8px;height:calc(100vh - 120px);min-height:420px}
main svg{width:100%;height:100%;background:#fff;border:1px solid #ccc;cursor:grab;user-select:none}
.halo{paint-order:stroke;stroke:#fff;stroke-width:4px;stroke-linejoin:round}
#tip{position:fixed;display:none;max-width:340px;background:#fffbe6;border:1px solid #999;padding:6px 8px;
 font-size:12px;white-space:pre-line;pointer-events:none;box-shadow:0 2px 6px rgba(0,0,0,.2)}
#changes{margin:0;padding:6px 14px 6px 32px;background:#fff;max-height:9em;overflow:auto;font-size:12px}
#changes li{cursor:pointer}#changes li:hover{background:#ffe14d}
#errors{color:#c00}
#bytes{padding:0 14px;font-size:12px}#bytes h2{font-size:13px;margin:4px 0}#bytes ul{margin:0;max-height:7em;overflow:auto}
@media (max-width:900px){main{grid-template-columns:1fr;height:auto}main svg{height:60vh}}
)css";

}  // namespace

void scrivi_pagina_html(const std::string& titolo, const std::vector<const scenario_decodificato*>& versioni,
                        const std::vector<tratto_marcato>& tratti, const opzioni_mappa& o, byte_sink& out) {
  buffered_sink b(out);
  b.write("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>" + xml_escape(titolo) +
          "</title>\n<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<style>" + stile +
          "</style>\n<script>window.onerror=function(m){var e=document.getElementById('errors');"
          "if(e)e.textContent+=m+'\\n';};</script>\n</head><body>\n<header><h1>" +
          xml_escape(titolo) +
          "</h1><span id=\"range\"></span><label>station <input id=\"search\" type=\"search\" "
          "placeholder=\"name\" size=\"18\"></label><button id=\"go\">find</button>"
          "<span id=\"status\"></span><span id=\"errors\"></span></header>\n");
  for (const std::string& a : o.problemi) {
    b.write("<div style=\"color:#c00;padding:2px 14px;font-weight:bold\">warning: " + xml_escape(a) + "</div>\n");
  }
  if (versioni.size() > 1) {
    b.write(fmt::format("<ol id=\"changes\" title=\"{} changes; click one to go there\"></ol>\n", tratti.size()));
  }
  if (!o.titolo_sezione.empty()) {
    b.write("<section id=\"bytes\"><h2>" + xml_escape(o.titolo_sezione) + "</h2><ul>\n");
    for (const std::string& riga : o.sezione) b.write("<li>" + xml_escape(riga) + "</li>\n");
    b.write("</ul></section>\n");
  }
  b.write(
      "<main><svg id=\"plan\" xmlns=\"http://www.w3.org/2000/svg\" aria-label=\"plan view\"></svg>"
      "<svg id=\"section\" xmlns=\"http://www.w3.org/2000/svg\" aria-label=\"long section\"></svg></main>\n"
      "<div id=\"tip\"></div>\n<script type=\"application/json\" id=\"data\">");

  // The whole route at the page's finest detail; the stretch asked for is
  // only where the viewer starts.
  std::vector<linea_mappa> linee;
  double lunghezza = 0;
  for (const scenario_decodificato* d : versioni) {
    const double celle = static_cast<double>(d->celle.size());
    linee.push_back(raccogli(*d, std::nullopt, std::nullopt, std::min(dettaglio_massimo, celle)));
    lunghezza = std::max(lunghezza, linee.back().lunghezza);
  }
  const double da = std::clamp(o.da.value_or(0.0), 0.0, lunghezza);
  const double a = std::clamp(o.a.value_or(lunghezza), da, lunghezza);
  b.write(fmt::format("{{\"length\":{},\"from\":{},\"to\":{},\"versions\":[", num(lunghezza), num(da), num(a)));
  for (std::size_t i = 0; i < versioni.size(); ++i) {
    if (i) b.write(",");
    scrivi_versione(b, *versioni[i], linee[i]);
  }
  b.write("],\"changes\":[");
  for (std::size_t i = 0; i < tratti.size(); ++i) {
    b.write(fmt::format("{}{{\"from\":{},\"to\":{},\"text\":{}}}", i ? "," : "", num(tratti[i].da), num(tratti[i].a),
                        js(tratti[i].testo)));
  }
  b.write("],\"marks\":[");
  for (std::size_t i = 0; i < o.segni.size(); ++i) {
    b.write(fmt::format("{}{{\"p\":{},\"text\":{}}}", i ? "," : "", num(o.segni[i].posizione), js(o.segni[i].testo)));
  }
  b.write("]}</script>\n<script>");
  b.write(viewer_js);
  b.write("</script>\n</body></html>\n");
  b.flush();
}

void scrivi_html(const scenario_decodificato& d, const opzioni_mappa& o, byte_sink& out) {
  scrivi_pagina_html(leggibile_da_1252(d.id.nome_linea) + " \xC2\xB7 train " + leggibile_da_1252(d.id.nome_treno), {&d},
                     {}, o, out);
}

}  // namespace scen::tool
