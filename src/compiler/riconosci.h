// What a source's text is, told from its keys and headers as the table of
// compiler/chiavi knows them: the commands refuse two sources given the wrong
// way round before compiling them, where the compile alone would end in a
// generic fatal error after a flood of warnings.
#pragma once

#include <cstdint>
#include <string_view>

namespace scen {

enum class genere_sorgente : std::uint8_t { linea, treno, incerto };

// How many lines of a text open with a key or a header that belongs to one
// source alone. Keys or headers both sources share ([generale], [fine]), or
// that the rules of both would take, count for neither.
struct indizi_sorgente {
  int linea = 0;
  int treno = 0;
};
indizi_sorgente conta_indizi(std::string_view testo);

// The kind of source the text is, only when the evidence is clear: at least
// `indizi_minimi` lines of one kind and `rapporto_minimo` times as many as of
// the other. Anything less (a text with few keys, or a mixture) is incerto,
// and is left to the compile's own findings.
inline constexpr int indizi_minimi = 3;
inline constexpr int rapporto_minimo = 3;
genere_sorgente riconosci_sorgente(std::string_view testo);

}  // namespace scen
