// The run sequence: identity, window, the five writers, then
// `memorizza_percorso` (compile, code pass, markers, binary files).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/cartella.h"
#include "app/finestra.h"
#include "app/uscita.h"
#include "compiler/compilatore.h"
#include "compiler/sorgenti.h"
#include "model/modello.h"
#include "model/nomi_file.h"

namespace scen {

// Exit statuses of the run.
namespace stato_uscita {
inline constexpr int pulito = 0;
inline constexpr int con_errore = 1;   // `codice_errore` not 0 at the end; files written all the same
inline constexpr int fatale = 2;       // ended through `errore`
inline constexpr int piattaforma = 3;  // a file could not be created, written, read or deleted
}  // namespace stato_uscita

inline constexpr std::string_view prefisso_errore = " Errore n. ";

// What the compile step alone left: its code and position (the code pass may
// overwrite both in the model afterwards) and the place it stopped at.
struct esito_compilazione {
  std::int32_t codice = 0;
  std::int32_t posizione = 0;
  luogo_errore luogo;
};

// Thrown by `errore` once the box is closed: the run ends where it stands.
struct fine_fatale {
  std::string testo;  // the text after " Errore n. ", e.g. "1250"
  esito_compilazione compilazione;  // filled in by memorizza_percorso on its way out
};

// Shows " Errore n. " + a, keeps the button in `risposta`, ends the run.
[[noreturn]] void errore(modello& m, finestra& f, const std::string& a);

struct esito_percorso {
  esito_compilazione compilazione;
  std::vector<std::string> scritti;  // binary files written, in order
};

// Compiles the sources into `m` and writes the binary files into `dove`.
// Throws fine_fatale through `errore` (markers used, or no track cells),
// carrying what the compile step left as the returned result would.
esito_percorso memorizza_percorso(modello& m, std::int32_t j, const identita& id, sorgenti& s,
                                  cartella& dove, finestra& f);

// The end of a run: one line on `errori` naming the code, its position and
// what it means when `codice_errore` is not 0; returns the exit status.
int concludi(const modello& m, uscita_testo& errori);

// The whole run of the main program in `dove`; returns its exit status.
// Platform failures (guasto_piattaforma) pass through to the caller.
int esegui_scenario(cartella& dove, finestra& f, uscita_testo& errori);

}  // namespace scen
