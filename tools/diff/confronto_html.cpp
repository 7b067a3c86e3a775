#include "diff/confronto.h"
#include "map/mappa.h"
#include "text/testo_utf8.h"

namespace scen::tool {

void scrivi_html_confronto(const scenario_decodificato& prima, const scenario_decodificato& dopo,
                           const std::vector<cambio>& cambi, const std::vector<std::string>& byte, byte_sink& out) {
  std::vector<tratto_marcato> tratti;
  tratti.reserve(cambi.size());
  for (const cambio& c : cambi) tratti.push_back({c.da, c.a, testo_leggibile(c.testo)});
  opzioni_mappa o;
  o.titolo_sezione =
      byte.empty() ? "Bytes: none differs but in the changes above" : "Bytes that differ beyond the changes above";
  o.sezione = byte;
  scrivi_pagina_html(leggibile_da_1252(dopo.id.nome_linea) + " \xC2\xB7 train " +
                         leggibile_da_1252(dopo.id.nome_treno) + " \xC2\xB7 changes",
                     {&prima, &dopo}, tratti, o, out);
}

}  // namespace scen::tool
