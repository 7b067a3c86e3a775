#include "app/finestra.h"

#include <ostream>

namespace scen {

void finestra_console::mostra_attendere() { uscita_ << testo_attendere << '\n' << std::flush; }

std::int32_t finestra_console::messaggio(std::string_view testo) {
  uscita_ << testo << '\n' << std::flush;
  return 1;  // the one button, OK
}

}  // namespace scen
