#include "app/finestra.h"

#include <string>

namespace scen {

void finestra_console::mostra_attendere() { uscita_.scrivi(std::string(testo_attendere) + '\n'); }

std::int32_t finestra_console::messaggio(std::string_view testo) {
  uscita_.scrivi(std::string(testo) + '\n');
  return 1;  // the one button, OK
}

}  // namespace scen
