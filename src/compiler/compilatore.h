// The compile step: reads the route source, then the train source, into the
// model. It never stops the run: its outcome is `codice_errore` and
// `posizione_errore`, plus where in the sources it stopped.
#pragma once

#include <cstdint>
#include <string>

#include "compiler/sorgenti.h"
#include "model/modello.h"

namespace scen {

// Where the compile stopped on an error: which source and the line of the
// field it had read last. Not part of the model; the tool uses it.
struct luogo_errore {
  enum class sorgente : std::uint8_t { nessuna, linea, treno };
  sorgente file = sorgente::nessuna;
  std::int32_t riga = 0;  // 1-based; 0 when unknown
  // For a run-time failure (code 25): why, in the author's terms.
  std::string motivo;
};

class osservatore;

// Told, as the compile goes, how far the plan view is final: the metres
// below `metri` keep the values they have until the compile returns. Told
// by the section part of the route only, `metri` growing from one call to
// the next, while the plan view stays where it is: another thread may read
// those metres meanwhile (the line data file is written so).
class avanzamento_piano {
 public:
  virtual ~avanzamento_piano() = default;
  virtual void metri_pronti(const piano& p, std::int64_t metri) = 0;
};

// Compiles both sources into `m`. Expects `m.stazioni` cleared and
// `m.codice_errore` 0 (the run does that first) and `m.scrivi_linea` set.
// With a findings collector (see rilievi.h) the compile also tells it what
// it passes over and where it stops; what it writes is the same. With
// `avanzamento`, the compile reports its progress through the plan view.
luogo_errore memorizza_dati(modello& m, sorgenti& s, osservatore* oss = nullptr,
                            avanzamento_piano* avanzamento = nullptr);

}  // namespace scen
