// Small sources for compile tests: the general sections of the embedded
// scenario around whatever lines a test needs, and a small scenario of the
// tests' own as source lines.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "compiler/compilatore.h"
#include "compiler/sorgenti.h"
#include "model/modello.h"

namespace scen::test_util {

// Lines joined with CR LF, each one ended by it, as the writers write them.
inline std::string join_crlf(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\r\n";
  return out;
}

inline std::string generale_linea() {
  return join_crlf({"[generale]", "lunghezza percorso,    85000", "progressiva chilometrica uno,    0,    82800,    1",
                    "progressiva chilometrica due,    0,    0,    0", "progressiva chilometrica tre,    0,    0,    0",
                    "sfondo uno,    33000", "sfondo due,    1", "sfondo tre,    0",
                    "ripetizione segnali 4 codici,    0,    76800"});
}

// A route source: the embedded general section, then `sezioni`, then "[fine]".
inline std::string linea(const std::string& sezioni = "") {
  return generale_linea() + "[curve]\r\n" + sezioni + "[fine]\r\n";
}

// A train source: the embedded general section, then `corpo`, then "[fine]".
inline std::string treno(const std::string& corpo = "") {
  return join_crlf({"[generale]", "numero vetture,    12", "percentuale massa frenata,    125", "sabbia,    300",
                    "orologio,    8               34            15 "}) +
         corpo + "[fine]\r\n";
}

struct compilato {
  modello m;
  luogo_errore luogo;
  bool linea_esiste;
  bool treno_esiste;
};

// `s` with the first `da` replaced by `a`; a fixture that no longer holds
// `da` is a mistake of the test, not a case.
inline std::string sostituisci(std::string s, const std::string& da, const std::string& a) {
  const auto at = s.find(da);
  if (at == std::string::npos) throw std::logic_error("fixture text not found: " + da);
  return s.replace(at, da.size(), a);
}

// Cell `n` of a compiled track.
inline const cella& cella_n(const compilato& r, int n) { return (*r.m.percorso)[static_cast<std::size_t>(n)]; }

inline compilato compila(std::optional<std::string> route, std::optional<std::string> train,
                         std::int32_t scrivi_linea = 1) {
  compilato r{};
  r.m.nome_linea = "Ardena_VelmoraCle";
  r.m.nome_treno = "4713";
  r.m.scrivi_linea = scrivi_linea;
  sorgenti_in_memoria s(std::move(route), std::move(train));
  r.luogo = memorizza_dati(r.m, s);
  r.linea_esiste = s.esiste_linea();
  r.treno_esiste = s.esiste_treno();
  return r;
}

// A short route (10 km, ultima_cella 340) and a train over it that compile
// with no error; each line is numbered in the comment for the tests' edits.
inline std::vector<std::string> linea_piccola() {
  return {
      "[generale]",                                                      // 1
      "lunghezza percorso,    10000",                                    // 2
      "progressiva chilometrica uno,    0,    9800,    1",               // 3
      "progressiva chilometrica due,    0,    0,    0",                  // 4
      "progressiva chilometrica tre,    0,    0,    0",                  // 5
      "sfondo uno,    33000",                                            // 6
      "sfondo due,    1",                                                // 7
      "sfondo tre,    0",                                                // 8
      "ripetizione segnali 4 codici,    0,    8000",                     // 9
      "[curve]",                                                         // 10
      "curvad3,  800,  450",                                             // 11
      "curvas2,  3000,  600",                                            // 12
      "[pendenze]",                                                      // 13
      "pendenza,  1000,   3",                                            // 14
      "pendenza,  5000,   -2",                                           // 15
      "[montagne]",                                                      // 16
      "[cartelli]",                                                      // 17
      "indicatori_vmax,  700,  125,  135,  145,  0,  50,  55,  55,  0",  // 18
      "[indicazioni]",                                                   // 19
      "[fine]",                                                          // 20
  };
}

inline std::vector<std::string> treno_piccolo() {
  return {
      "[generale]",                                                                       // 1
      "numero vetture,    12",                                                            // 2
      "percentuale massa frenata,    125",                                                // 3
      "sabbia,    300",                                                                   // 4
      "orologio,    8               34            15 ",                                   // 5
      "[aderenze]",                                                                       // 6
      "aderenza,       0,    97",                                                         // 7
      "aderenza,    4000,    90",                                                         // 8
      "[vel_limite]",                                                                     // 9
      "velocita,       0,   135",                                                         // 10
      "velocita,    6000,   100",                                                         // 11
      "[stazioni]",                                                                       // 12
      "stazione,       0,  8,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,   8,35, 0, ARDENA",   // 13
      "stazione,    5000, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, LUNESCO",  // 14
      "stazione,    9500,  5,  800,  1, 1, 0,  1,1,0,  2,1,1,    0,   9, 5, 0, VELMORA",  // 15
      "[rallentamenti]",                                                                  // 16
      "rallentamento,    3000,    70,  500, 1,  1,  0",                                   // 17
      "[segnali]",                                                                        // 18
      "segnale,    1000,   2, 4, 0,  0, 0,    0,  0,0,0, 0",                              // 19
      "segnale,    4000,   2, 3, 1,  0, 0,    2,  2,1,0, 0",                              // 20
      "segnale,    8000,   2, 4, 0,  0, 0,    0,  0,0,0, 215",                            // 21
      "[codici]",                                                                         // 22
      "abbattimento,   6000,   180",                                                      // 23
      "[fine]",                                                                           // 24
  };
}

}  // namespace scen::test_util
