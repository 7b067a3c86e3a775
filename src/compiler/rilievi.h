// Findings about a pair of sources: the errors the compile records, told
// with their place, the field and the text at fault, and the warnings about
// what the compile silently did with the author's text (a key it passed
// over, a value it kept only the low bits of, a position it moved to another
// cell...). Finding them never changes what the compile writes: the analysis
// compiles into a model of its own.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compiler/avvisi.h"
#include "compiler/compilatore.h"
#include "compiler/sorgenti.h"
#include "model/modello.h"

namespace scen {

enum class gravita : std::uint8_t { errore, avviso, nota };

// A place in a source: line and column from 1 (bytes), and how many bytes the
// token there takes (0 when unknown). A place with line 0 names the file only.
struct punto_sorgente {
  luogo_errore::sorgente file = luogo_errore::sorgente::nessuna;
  std::int32_t riga = 0;
  std::int32_t colonna = 0;
  std::int32_t lunghezza = 0;
};

// A replacement the author can apply: the token at `dove` becomes `testo`.
struct correzione {
  punto_sorgente dove;
  std::string testo;
};

struct nota_rilievo {
  punto_sorgente dove;
  std::string messaggio;
};

struct rilievo {
  gravita livello = gravita::errore;
  std::optional<std::int32_t> codice;     // the compile's error code (or fatal end); none for warnings
  std::optional<tipo_avviso> avviso;      // which warning, for a warning
  std::optional<std::int32_t> posizione;  // metres, where the code carries a position
  punto_sorgente dove;
  std::string messaggio;
  std::vector<nota_rilievo> note;
  std::optional<correzione> fix;
  // A suggestion in words ("did you mean ..."), shown under a help: label.
  std::optional<std::string> aiuto;
};

// A slowdown line as read: the code pass's errors are told by the slowdown
// that caused them.
struct rallentamento_letto {
  std::int32_t x = 0;
  std::int32_t l = 0;
  punto_sorgente dove;
};

// An object the compile placed on a cell, and the line that placed it.
struct oggetto_posato {
  punto_sorgente dove;
  std::string cosa;
};

enum class modo_analisi : std::uint8_t {
  come_compilazione,  // stops where the compile stops: the findings of a compile
  verifica,           // records an error and reads on from the next line
};

// The findings past the cap of their severity: counted, not kept.
struct oltre_limite {
  std::int64_t errori = 0;
  std::int64_t avvisi = 0;
};

struct esito_analisi {
  std::vector<rilievo> rilievi;
  std::vector<rallentamento_letto> rallentamenti;
  oltre_limite non_detti;
  // The objects on the track by cell, as the sources' lines placed them.
  std::map<std::int64_t, oggetto_posato> oggetti;
};

// The findings of a compile gathered while it runs: hand `collettore()` to
// the compile (memorizza_dati, or the run's memorizza_percorso), then take
// `risultato()` once, in the order of the sources. `scelta` silences some
// warnings and makes others errors as they are found. The collector refers to
// `linea` and `treno`, the author's texts, which must outlive it.
class raccolta_rilievi {
 public:
  raccolta_rilievi(const std::optional<std::string>& linea, const std::optional<std::string>& treno,
                   modo_analisi modo = modo_analisi::come_compilazione, selezione_avvisi scelta = {});
  ~raccolta_rilievi();
  raccolta_rilievi(const raccolta_rilievi&) = delete;
  raccolta_rilievi& operator=(const raccolta_rilievi&) = delete;

  osservatore* collettore() { return oss_.get(); }
  esito_analisi risultato();

 private:
  std::unique_ptr<osservatore> oss_;
};

// Compiles the sources into `m` (a model of the caller's, not the one that is
// written out), collecting findings. `m` needs its identity and
// `scrivi_linea` set; the sources are never deleted.
esito_analisi analizza_sorgenti(modello& m, const std::optional<std::string>& linea,
                                const std::optional<std::string>& treno, modo_analisi modo,
                                selezione_avvisi scelta = {});

// The finding for an error of the code pass (11 to 13) at `posizione` metres:
// told by the line whose object took the cells the code point needed, with
// the slowdown being coded as a note; else by the slowdown line near it.
// `origine` is the cell of the slowdown start or warning board being coded.
rilievo rilievo_passo_codici(std::int32_t codice, std::int32_t posizione, std::int32_t origine, const esito_analisi& a);

// The finding for a fatal end (`codice` 1250 or 1251, `testo` its message):
// told by the line whose object stands on the cell of the markers, when one does.
rilievo rilievo_fatale(std::int32_t codice, const std::string& testo, const esito_analisi& a);

}  // namespace scen
