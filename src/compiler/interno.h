// What the stages of the compile step share while one compile runs.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "compiler/compilatore.h"
#include "compiler/lettore.h"
#include "compiler/memo.h"
#include "compiler/sorgenti.h"
#include "model/modello.h"

namespace scen {

// How a reading stage ended.
enum class esito_fase {
  go_on,         // go on reading
  stop_reading,  // stop reading, go on as at the end of the file (code 15)
  return_now,    // the compile step returns now (an error took its way out)
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
  // Told how far the plan view is final, when someone waits for it.
  avanzamento_piano* avanzamento = nullptr;
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
  esito_fase e = esito_fase::go_on;
  std::int32_t dove = l.riga_campo();
  try {
    e = riga();
    dove = l.riga_campo();
  } catch (const guasto_campo& g) {
    c.guasto = &g;
    c.registra(25);
    c.guasto = nullptr;
    e = esito_fase::return_now;
    dove = g.dove().riga;
  } catch (const guasto_esecuzione& g) {
    c.guasto = &g;
    c.registra(25);
    c.guasto = nullptr;
    e = esito_fase::return_now;
  }
  if (e == esito_fase::go_on) return e;
  l.salta_oltre_riga(dove);
  c.m.codice_errore = 0;
  return esito_fase::go_on;
}

// The route half; returns `return_now` when the compile step must return.
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

// How a reading loop drops comment fields (fields holding "-") before a key.
struct salto_commenti {
  int al_massimo;       // fields dropped in a row at the most
  bool fine_file_dopo;  // the end-of-file rule after each one dropped
};
// The general section drops up to ten with no end-of-file test; the section
// part and the train source up to two, each followed by the test.
inline constexpr salto_commenti commenti_generale{10, false};
inline constexpr salto_commenti commenti_righe{2, true};

// The reading loop of both sources. Each iteration starts with the
// end-of-file rule (the last field of a source is never acted upon), drops
// the comment fields, then hands the key to `chiave`, which reads its own
// values and may end the loop after this key by setting its flag. Ends at
// the end of the file, on `stop_reading` (code 15), both giving `go_on`, or
// on `return_now`, which it returns.
esito_fase leggi_chiavi(contesto& c, lettore_campi& l, salto_commenti salto,
                        const std::function<esito_fase(const std::string& chiave, bool& finita)>& chiave);

// One profile line (gradient, speed limit, adhesion) as the reader knows it:
// what it is called in findings, the names of its two fields, and the
// findings on its value (only called while findings are collected).
struct riga_profilo {
  const char* cosa;
  const char* campo_posizione;
  const char* campo_valore;
  void (*rileva_valore)(contesto& c, std::int32_t valore);
};
// A profile line: position and value, the position check, then the profile
// moves on to the value (memo_profilo).
esito_fase leggi_profilo(contesto& c, lettore_campi& l, profilo& p, const riga_profilo& r);

}  // namespace scen
