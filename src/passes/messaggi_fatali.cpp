#include "passes/messaggi_fatali.h"

#include <array>
#include <charconv>
#include <cstdint>

#include "model/codici_errore.h"

namespace scen {
namespace {

constexpr std::array<voce_fatale, 2> fatali{{
    {"1250",
     "the scenario data uses a format-marker slot (track cell 1 valore1 or entry 85 gruppo_a1), "
     "e.g. a feature on cell 1 (a code line at 50 m)"},
    {"1251",
     "the scenario data uses a check-code slot (track cell 1 valore2 or entry 85 orario), "
     "e.g. a slowdown starting on cell 1 with a speed difference"},
}};

}  // namespace

std::span<const voce_fatale> tabella_fatali() { return fatali; }

std::string messaggio_fatale(std::string_view testo) {
  for (const auto& f : fatali) {
    if (f.testo == testo) return std::string(f.messaggio);
  }
  std::int32_t codice = 0;
  const auto [fine, ec] = std::from_chars(testo.data(), testo.data() + testo.size(), codice);
  if (ec == std::errc{} && fine == testo.data() + testo.size()) {
    return messaggio_errore(codice, 0) + "; the compile left no track cells";
  }
  return "fatal error " + std::string(testo);
}

}  // namespace scen
