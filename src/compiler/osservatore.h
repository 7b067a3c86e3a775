// The findings collector of an analysis: the compile's stages call it where
// they pass over, rewrite or refuse what the author wrote. A plain compile
// has none, and every call site tests for it first.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "compiler/chiavi.h"
#include "compiler/interno.h"
#include "compiler/rilievi.h"

namespace scen {

class osservatore {
 public:
  osservatore(modo_analisi modo, const std::optional<std::string>& linea, const std::optional<std::string>& treno,
              selezione_avvisi scelta = {})
      : modo_(modo), linea_(linea), treno_(treno), scelta_(std::move(scelta)) {}

  // A key of `parte` as read; `intestazione` when it is a section header.
  void chiave(const contesto& c, parte_sorgente parte, const chiave_letta& k, bool intestazione);
  // The current line's values are all read: told when some came from a later line.
  void fine_riga(const contesto& c);
  // The last field of a source, which is never acted upon.
  void ultimo_campo(const contesto& c, const std::string& campo);
  void treno_senza_generale(const contesto& c);

  // Field `i` of the current line holds the position `p` of `cosa`.
  void posizione(const contesto& c, std::size_t i, std::int64_t p, const char* cosa);
  // A point feature (cell p / 50 + 1) or a profile change (cell p / 50).
  void cella_punto(const contesto& c, std::size_t i, std::int64_t p, const char* cosa);
  void cella_profilo(const contesto& c, std::size_t i, std::int64_t p, const char* cosa);
  // A value outside [minimo, massimo] is stored as `salvato`.
  void valore(const contesto& c, std::size_t i, std::int64_t letto, std::int64_t minimo, std::int64_t massimo,
              std::int64_t salvato, const std::string& cosa);
  // A warning on field `i` of the current line (the key when i is 0).
  void avviso(const contesto& c, std::size_t i, tipo_avviso tipo, std::string messaggio,
              std::optional<std::string> fix = {}, std::vector<nota_rilievo> note = {});
  // A warning on the key of the current line with a suggestion in words and,
  // when there is one, the key's replacement.
  void avviso_con_aiuto(const contesto& c, tipo_avviso tipo, std::string messaggio, std::optional<std::string> aiuto,
                        std::optional<std::string> fix = {});
  // The cab-signal repetition as stored.
  void ripetizione(const contesto& c, std::int32_t inizio, std::int32_t fine);
  // A text stored byte for byte (a station name, a board text).
  void nome(const contesto& c, std::size_t i, const std::string& testo, const char* cosa);

  // An object placed on a cell by the current line; the cell a refused
  // object wanted; a station end marker about to be written on a cell.
  void posa(const contesto& c, std::int64_t cella, std::string cosa);
  void contesa(std::int64_t cella) { contesa_ = cella; }
  void marcatore_stazione(const contesto& c, std::int64_t cella, const std::string& nome_stazione);
  void stazione(const contesto& c, std::int32_t voce);
  void zona(const contesto& c, std::int32_t voce_zona);
  void rallentamento(const contesto& c, std::int32_t x, std::int32_t l);
  void velocita_fuori(const contesto& c);

  // The compile recorded `codice` (the failure in c.guasto for 25).
  void errore(const contesto& c, std::int32_t codice);
  // After the compile: what the reader noticed, and the notes on where
  // reading stopped.
  void concludi(const contesto& c);
  void concludi_sorgente(const contesto& c);

  esito_analisi risultato();

  // ---- What the simulator gets back (values read back from what is stored) ----

  // Field `i` of the current line was written as `scritto` and the simulator
  // gets `ottenuto`, because of `perche`: a warning of kind `tipo` in those
  // words.
  void riletto(const contesto& c, std::size_t i, tipo_avviso tipo, const std::string& scritto,
               const std::string& ottenuto, const std::string& perche);
  // The kilometric zones once ordered: each zone line whose zone, written
  // as `scritte` (start, progressive, flag; by entry 81 to 83), is no longer
  // in entries 81 to 83.
  void zone_ordinate(const contesto& c, const std::array<std::array<std::int32_t, 3>, 3>& scritte);

 private:
  void chiave_presa(const contesto& c, parte_sorgente parte, const chiave_letta& k,
                    const std::vector<scen::chiave>& prese);
  punto_sorgente punto(const contesto& c, std::size_t i) const;
  std::string testo_campo(const contesto& c, std::size_t i) const;
  const std::optional<std::string>& sorgente(luogo_errore::sorgente s) const;
  void aggiungi(rilievo r);
  rilievo errore_25(const contesto& c);
  // A source that does not end with a line end: most likely cut off.
  bool troncata(const contesto& c);
  void note_contesa(const contesto& c, rilievo& r);

  // Past this many findings of one severity the rest are only counted: a
  // source of a million stray lines must not give a million findings.
  static constexpr int limite = 100;
  bool pieno(gravita g) const { return (g == gravita::errore ? errori_ : avvisi_) >= limite; }
  // Whether a warning of kind `t` is left out: silenced, or past the cap of
  // the severity it is shown at (then it is counted). Tested before a
  // finding is built, which may cost a search for the nearest key.
  bool salta(tipo_avviso t);
  int errori_ = 0;
  int avvisi_ = 0;
  oltre_limite non_detti_;
  modo_analisi modo_;
  const std::optional<std::string>& linea_;
  const std::optional<std::string>& treno_;
  selezione_avvisi scelta_;
  esito_analisi esito_;
  std::map<std::int64_t, oggetto_posato> celle_;
  std::map<std::int32_t, punto_sorgente> stazioni_;
  struct zona_letta {
    punto_sorgente inizio, progressiva;
    std::int32_t valore_inizio, valore_progressiva;
  };
  std::map<std::int32_t, zona_letta> zone_;
  std::optional<std::int64_t> contesa_;
  std::optional<punto_sorgente> velocita_fuori_;
  std::optional<punto_sorgente> riga_curva_senza_piano_;
  std::map<std::string, std::int64_t> ultima_cella_profilo_;
  bool lunghezza_vista_ = false;
  bool senza_percorso_detto_ = false;
  std::int32_t righe_ignorate_ = 0;  // a curve line read with no plan view: its values are keys
  bool nel_treno_ = false;
  bool troncata_detta_ = false;  // the current source's cut-off end has been told
};

}  // namespace scen
