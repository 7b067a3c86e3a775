// The warnings the compile gives, one record each: the stable name an author
// selects it by (-Wno-NAME, -Werror=NAME), a one-line title, a line that
// shows it, and the long explanation `explain` prints. The compile names a
// warning by its `tipo_avviso`; everything shown to the author comes from
// this table.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace scen {

enum class tipo_avviso : std::uint8_t {
  // Keys and sections.
  chiave_sconosciuta,
  chiave_scritta_altrimenti,
  chiave_maiuscole,
  chiave_fuori_sezione,
  intestazione_sconosciuta,
  valore_come_chiave,
  seconda_lunghezza,
  treno_senza_generale,
  // The shape of a source.
  campo_su_altra_riga,
  sorgente_troncata,
  ultimo_campo,
  virgolette_su_piu_righe,
  virgolette_non_chiuse,
  coda_virgolette,
  carattere_invisibile,
  testo_utf8,
  byte_di_controllo,
  // Positions.
  oltre_percorso,
  prima_di_zero,
  posizione_arrotondata,
  profilo_arrotondato,
  profilo_fuori_ordine,
  // Values.
  bit_bassi,
  velocita_arrotondata,
  orario_riportato,
  tempo_ignorato,
  tempo_alzato,
  opzione_azzerata,
  paesaggio_forzato,
  cartello_fuori_gruppo,
  lunghezza_negativa,
  cifra_segnale,
  // Objects.
  rallentamento_senza_avviso,
  fine_sulla_partenza,
  curva_sovrapposta,
  montagna_vuota,
  marcatore_sostituisce,
  ripetizione_annullata,
  zone_azzerate,
  capolinea_oltre_fine,
};

struct voce_avviso {
  tipo_avviso tipo;
  std::string_view nome;         // stable, lower case with dashes: "rounded-speed"
  std::string_view titolo;       // what it warns of, one line
  std::string_view esempio;      // a line that gives it
  std::string_view spiegazione;  // the long explanation
};

// Every warning, in the order of the enumeration.
std::span<const voce_avviso> tabella_avvisi();
const voce_avviso& avviso_di(tipo_avviso t);
// The record of the stable name `nome`, or none.
const voce_avviso* cerca_avviso(std::string_view nome);
// The stable name nearest to `nome`, for "did you mean".
std::string_view avviso_piu_vicino(std::string_view nome);

// What the author asked of a warning: shown, silenced (-Wno-NAME: not shown
// nor counted) or made an error (-Werror=NAME). The collector applies it as
// each finding is made, so that the cap counts only what is shown.
enum class trattamento_avviso : std::uint8_t { mostrato, taciuto, errore };

class selezione_avvisi {
 public:
  // The later choice for a kind replaces the earlier, as on a compiler's
  // command line.
  void scegli(tipo_avviso t, trattamento_avviso come);
  trattamento_avviso di(tipo_avviso t) const;

 private:
  std::vector<trattamento_avviso> scelte_;  // by kind; empty: every warning shown
};

}  // namespace scen
