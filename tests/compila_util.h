// Small sources for compile tests: the general sections of the embedded
// scenario around whatever lines a test needs.
#pragma once

#include <optional>
#include <string>

#include "compiler/compilatore.h"
#include "compiler/sorgenti.h"
#include "model/modello.h"

namespace scen::test_util {

// Lines joined with CR LF, each line ended.
inline std::string righe(std::initializer_list<std::string> l) {
  std::string r;
  for (const auto& x : l) r += x + "\r\n";
  return r;
}

inline std::string generale_linea() {
  return righe({"[generale]", "lunghezza percorso,    85000", "progressiva chilometrica uno,    0,    82800,    1",
                "progressiva chilometrica due,    0,    0,    0", "progressiva chilometrica tre,    0,    0,    0",
                "sfondo uno,    33000", "sfondo due,    1", "sfondo tre,    0",
                "ripetizione segnali 4 codici,    0,    76800"});
}

// A route source: the embedded general section, then `sezioni`, then "[fine]".
inline std::string linea(const std::string& sezioni = "") { return generale_linea() + "[curve]\r\n" + sezioni + "[fine]\r\n"; }

// A train source: the embedded general section, then `corpo`, then "[fine]".
inline std::string treno(const std::string& corpo = "") {
  return righe({"[generale]", "numero vetture,    12", "percentuale massa frenata,    125", "sabbia,    300",
                "orologio,    8               34            15 "}) +
         corpo + "[fine]\r\n";
}

struct compilato {
  modello m;
  luogo_errore luogo;
  bool linea_esiste;
  bool treno_esiste;
};

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

}  // namespace scen::test_util
