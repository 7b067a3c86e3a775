// Every error code the compile step and the code pass can record, with the
// short English text that the run's last line and the companion tool show.
// This table is the one place these texts live.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace scen {

struct voce_errore {
  std::int32_t codice;
  // What went wrong, in the author's terms; "{pos}" stands for the position
  // in metres where the code carries one.
  std::string_view messaggio;
  bool con_posizione;  // whether `posizione_errore` belongs to this code
};

std::span<const voce_errore> tabella_errori();

// The codes the code pass records; the compile step records the others.
namespace codice_passo {
inline constexpr std::int32_t prima_segnale = 11;  // before a signal ahead of a warning board
inline constexpr std::int32_t avvicinamento = 12;  // a whole approach group is taken
inline constexpr std::int32_t rallentamento = 13;  // along or after a slowdown
}  // namespace codice_passo
constexpr bool del_passo_codici(std::int32_t codice) {
  return codice >= codice_passo::prima_segnale && codice <= codice_passo::rallentamento;
}

// The entry for a code, or nullptr for a code nobody records.
const voce_errore* cerca_errore(std::int32_t codice);

// The message with the position filled in ("station position 36725 m is not a
// multiple of 50 m"); a code outside the table gets a generic text.
std::string messaggio_errore(std::int32_t codice, std::int32_t posizione);

}  // namespace scen
