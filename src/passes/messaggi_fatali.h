// The two fatal conditions of the marker step, with the short English text
// the companion tool shows for each. The run itself shows only " Errore n. "
// and the number.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace scen {

struct voce_fatale {
  std::string_view testo;      // the text after " Errore n. "
  std::string_view messaggio;  // what went wrong, in the author's terms
};

std::span<const voce_fatale> tabella_fatali();

// The message for a fatal text: the marker step's own ("1250", "1251"), or,
// for a compile that left no track cells, the message of that compile code.
std::string messaggio_fatale(std::string_view testo);

}  // namespace scen
