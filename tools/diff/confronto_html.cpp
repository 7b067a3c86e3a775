#include "diff/confronto.h"
#include "map/mappa.h"
#include "text/testo_utf8.h"

namespace scen::tool {

void scrivi_html_confronto(const scenario_decodificato& prima, const scenario_decodificato& dopo,
                           const std::vector<cambio>& cambi, byte_sink& out) {
  std::vector<tratto_marcato> tratti;
  tratti.reserve(cambi.size());
  for (const cambio& c : cambi) tratti.push_back({c.da, c.a, testo_leggibile(c.testo)});
  scrivi_pagina_html(leggibile_da_1252(dopo.id.nome_linea) + " \xC2\xB7 train " +
                         leggibile_da_1252(dopo.id.nome_treno) + " \xC2\xB7 changes",
                     {&prima, &dopo}, tratti, {}, out);
}

}  // namespace scen::tool
