// What the tests of scenario-tool share: running the built tool in a folder,
// a small scenario of their own as source lines, and the embedded scenario
// compiled into a folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/folder.h"
#include "run/pipeline.h"
#include "platform/window.h"
#include "model/nomi_file.h"
#include "processo.h"
#include "test_util.h"
#include "writers/scrittori.h"

namespace scen::test_util {

inline esito_processo esegui_tool(std::vector<std::string> argomenti, const std::filesystem::path& cartella) {
  argomenti.insert(argomenti.begin(), SCENARIO_TOOL_EXE);
  return esegui_processo(argomenti, cartella);
}

// Lines joined with CR LF, each one ended by it, as the writers write them.
inline std::string righe_crlf(const std::vector<std::string>& righe) {
  std::string out;
  for (const auto& r : righe) out += r + "\r\n";
  return out;
}

// A short route (10 km, ultima_cella 340) and a train over it that compile
// with no error; each line is numbered in the comment for the tests' edits.
inline std::vector<std::string> linea_piccola() {
  return {
      "[generale]",                                                       // 1
      "lunghezza percorso,    10000",                                     // 2
      "progressiva chilometrica uno,    0,    9800,    1",                // 3
      "progressiva chilometrica due,    0,    0,    0",                   // 4
      "progressiva chilometrica tre,    0,    0,    0",                   // 5
      "sfondo uno,    33000",                                             // 6
      "sfondo due,    1",                                                 // 7
      "sfondo tre,    0",                                                 // 8
      "ripetizione segnali 4 codici,    0,    8000",                      // 9
      "[curve]",                                                          // 10
      "curvad3,  800,  450",                                              // 11
      "curvas2,  3000,  600",                                             // 12
      "[pendenze]",                                                       // 13
      "pendenza,  1000,   3",                                             // 14
      "pendenza,  5000,   -2",                                            // 15
      "[montagne]",                                                       // 16
      "[cartelli]",                                                       // 17
      "indicatori_vmax,  700,  125,  135,  145,  0,  50,  55,  55,  0",   // 18
      "[indicazioni]",                                                    // 19
      "[fine]",                                                           // 20
  };
}

inline std::vector<std::string> treno_piccolo() {
  return {
      "[generale]",                                                                         // 1
      "numero vetture,    12",                                                              // 2
      "percentuale massa frenata,    125",                                                  // 3
      "sabbia,    300",                                                                     // 4
      "orologio,    8               34            15 ",                                     // 5
      "[aderenze]",                                                                         // 6
      "aderenza,       0,    97",                                                           // 7
      "aderenza,    4000,    90",                                                           // 8
      "[vel_limite]",                                                                       // 9
      "velocita,       0,   135",                                                           // 10
      "velocita,    6000,   100",                                                           // 11
      "[stazioni]",                                                                         // 12
      "stazione,       0,  8,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,   8,35, 0, ARDENA",     // 13
      "stazione,    5000, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, LUNESCO",    // 14
      "stazione,    9500,  5,  800,  1, 1, 0,  1,1,0,  2,1,1,    0,   9, 5, 0, VELMORA",    // 15
      "[rallentamenti]",                                                                    // 16
      "rallentamento,    3000,    70,  500, 1,  1,  0",                                     // 17
      "[segnali]",                                                                          // 18
      "segnale,    1000,   2, 4, 0,  0, 0,    0,  0,0,0, 0",                                // 19
      "segnale,    4000,   2, 3, 1,  0, 0,    2,  2,1,0, 0",                                // 20
      "segnale,    8000,   2, 4, 0,  0, 0,    0,  0,0,0, 215",                              // 21
      "[codici]",                                                                           // 22
      "abbattimento,   6000,   180",                                                        // 23
      "[fine]",                                                                             // 24
  };
}

// The embedded scenario's three binary files in `dir`, as the run makes them
// (its sources are written there and compiled away).
inline void compila_incorporato(const std::filesystem::path& dir) {
  folder dove(dir);
  const identita id = identita_incorporata();
  dati_linea(dove, id);
  dati_treno(dove, id);
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  sorgenti_in_cartella s(dove, id);
  memorizza_percorso(m, 1, id, s, dove);
}

}  // namespace scen::test_util
