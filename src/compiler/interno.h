// What the stages of the compile step share while one compile runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "compiler/compilatore.h"
#include "compiler/lettore.h"
#include "compiler/sorgenti.h"
#include "model/modello.h"

namespace scen {

// How a reading stage ended.
enum class esito_fase {
  continua,     // go on reading
  fine_lettura, // stop reading, go on as at the end of the file (code 15)
  uscita,       // the compile step returns now (an error took its way out)
};

class osservatore;

struct contesto {
  contesto(modello& modello_, sorgenti& sorgenti_) : m(modello_), s(sorgenti_) {}

  modello& m;
  sorgenti& s;
  // The source being read and its reader; they live here so that the line of
  // a run-time failure is still known once the failure has unwound the stage.
  std::string testo;
  std::optional<lettore_campi> lettore;
  luogo_errore::sorgente file = luogo_errore::sorgente::nessuna;
  luogo_errore luogo{};
  // First entry the stations may not use: the route's board texts fill 80 downward.
  std::int32_t voce_testo = voce::prima_indicazione;
  // The findings collector of an analysis; none in a plain compile, which
  // then does exactly what it always did.
  osservatore* oss = nullptr;
  // Checking mode: an error is recorded, its line skipped and reading goes on.
  bool verifica = false;
  // The run-time failure being recorded, while it is.
  const guasto_esecuzione* guasto = nullptr;

  // Records a code and where the compile was in the sources.
  void registra(std::int32_t codice);
  void registra(std::int32_t codice, std::int32_t posizione);
  // An error that ends the compile step: the source being read is deleted
  // and the code recorded.
  esito_fase termina(std::int32_t codice);
  esito_fase termina(std::int32_t codice, std::int32_t posizione);
  // Starts reading `byte` as `sorgente`; returns its reader.
  lettore_campi& apri(std::string byte, luogo_errore::sorgente sorgente);
};

// One line of a reading loop. In checking mode an error of that line
// (returned or thrown) has been recorded: the rest of its line is skipped,
// the code cleared, and reading goes on.
template <typename F>
esito_fase passo_riga(contesto& c, lettore_campi& l, F&& riga) {
  if (!c.verifica) return riga();
  esito_fase e = esito_fase::continua;
  std::int32_t dove = l.riga_campo();
  try {
    e = riga();
    dove = l.riga_campo();
  } catch (const guasto_campo& g) {
    c.guasto = &g;
    c.registra(25);
    c.guasto = nullptr;
    e = esito_fase::uscita;
    dove = g.dove().riga;
  } catch (const guasto_esecuzione& g) {
    c.guasto = &g;
    c.registra(25);
    c.guasto = nullptr;
    e = esito_fase::uscita;
  }
  if (e == esito_fase::continua) return e;
  l.salta_oltre_riga(dove);
  c.m.codice_errore = 0;
  return esito_fase::continua;
}

// The route half; returns `uscita` when the compile step must return.
esito_fase compila_linea(contesto& c);
// The train half, from opening the train source to its end processing.
void compila_treno(contesto& c);
// One station line, its key already read.
esito_fase compila_stazione(contesto& c, std::int32_t& contatore_stazioni);

// The position test of section and train lines: the line passes when
// (p + margine) / 50 is not above the last cell.
bool posizione_oltre(const modello& m, std::int64_t p, std::int64_t margine);
// The position test of a section or train line at `p`: code 15 and the end of
// reading when the line lies beyond the track.
esito_fase controlla_posizione(contesto& c, std::int32_t p);

}  // namespace scen
