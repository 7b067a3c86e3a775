// The run of the main program as library code: identity, the five writers,
// then `memorizza_percorso` (compile, code pass, markers, binary files). It
// shows nothing: it returns what happened, and the program's `main` decides
// what the user sees and the exit status. The tool uses the same steps.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compilatore.h"
#include "compiler/sorgenti.h"
#include "model/modello.h"
#include "model/nomi_file.h"
#include "platform/folder.h"

namespace scen {

inline constexpr std::string_view prefisso_errore = " Errore n. ";

// What the compile step alone left: its code and position (the code pass may
// overwrite both in the model afterwards) and the place it stopped at.
struct esito_compilazione {
  std::int32_t codice = 0;
  std::int32_t posizione = 0;
  luogo_errore luogo;
};

struct esito_percorso {
  esito_compilazione compilazione;
  // Set when the run ended through `errore`: the text after " Errore n. "
  // ("1250", "1251", or the compile's code when no track could be built).
  // Nothing after that point ran; no binary file was written.
  std::optional<std::string> fatale;
  std::vector<std::string> scritti;  // binary files written, in order
};

// Compiles the sources into `m` and writes the binary files into `uscita`,
// which the caller commits. A failure of the platform (a source that cannot
// be read or deleted) passes through as platform_error: it is not an error of
// the sources, and no binary file is written. `oss`, when given, collects
// the compile's findings as it runs (see compiler/rilievi.h).
esito_percorso memorizza_percorso(modello& m, std::int32_t j, const identita& id, sorgenti& s, file_set& uscita,
                                  osservatore* oss = nullptr);
// The same, the binary files replacing those of `dove` as one set.
esito_percorso memorizza_percorso(modello& m, std::int32_t j, const identita& id, sorgenti& s, folder& dove,
                                  osservatore* oss = nullptr);

// The whole run of the main program in `dove`, after the window is shown:
// identity, writers, `memorizza_percorso`. The documents and the binary
// files replace the earlier ones together at the end, so that a failure
// leaves the earlier set whole; after a fatal end the documents alone
// replace theirs. Returns the model's end state through `m`. Platform
// failures (platform_error) pass through to the caller, with the sources
// removed as far as possible. Takes no lock: see `esegui_nella_cartella`.
esito_percorso esegui_scenario(folder& dove, modello& m);

// How long the temporaries of an ended run may lie in a folder before the
// next run takes them for abandoned. Runs hold the folder's lock, so none
// of them is still writing; the margin only spares a run of a version
// that took no lock.
inline constexpr std::chrono::seconds eta_temporanei_abbandonati{60};

// The message box text of a fatal end: " Errore n. " and the text.
std::string testo_fatale(std::string_view testo);

// One line naming the code, its position and what it means; empty when
// `codice_errore` is 0.
std::string riga_errore_finale(const modello& m);

}  // namespace scen
