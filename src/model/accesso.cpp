#include "model/accesso.h"

#include <fmt/format.h>

#include <limits>

namespace scen {
namespace {

std::vector<cella>& celle(modello& m) {
  if (!m.percorso) throw guasto_esecuzione("the track cells do not exist yet (no route length line)");
  return *m.percorso;
}

template <typename T>
T adatta(std::int64_t v, const char* campo, const char* tipo) {
  if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max()) {
    throw guasto_esecuzione(fmt::format("value {} does not fit {} ({})", v, campo, tipo));
  }
  return static_cast<T>(v);
}

}  // namespace

cella& cella_di(modello& m, std::int64_t indice) {
  auto& c = celle(m);
  if (indice < 0 || indice >= static_cast<std::int64_t>(c.size())) {
    throw guasto_esecuzione(
        fmt::format("cell {} is outside the track (0 to {})", indice, static_cast<std::int64_t>(c.size()) - 1));
  }
  return c[static_cast<std::size_t>(indice)];
}

const cella& cella_di(const modello& m, std::int64_t indice) { return cella_di(const_cast<modello&>(m), indice); }

stazione& voce_di(modello& m, std::int64_t indice) {
  if (indice < 0 || indice >= numero_stazioni) {
    throw guasto_esecuzione(fmt::format("entry {} is outside the station table (0 to 86)", indice));
  }
  return m.stazioni[static_cast<std::size_t>(indice)];
}

piano& piano_al_metro(modello& m, std::int64_t metro, int coordinata) {
  if (!m.planimetria) throw guasto_esecuzione("the plan view does not exist");
  if (metro < 0 || metro > m.planimetria->ultimo_metro() || coordinata < 0 || coordinata > 1) {
    throw guasto_esecuzione(
        fmt::format("metre {} is outside the plan view (0 to {})", metro, m.planimetria->ultimo_metro()));
  }
  return *m.planimetria;
}

std::int16_t in_16(std::int64_t v, const char* campo) { return adatta<std::int16_t>(v, campo, "16-bit signed"); }
std::uint8_t in_8(std::int64_t v, const char* campo) { return adatta<std::uint8_t>(v, campo, "8-bit unsigned"); }
std::int32_t in_32(std::int64_t v, const char* campo) { return adatta<std::int32_t>(v, campo, "32-bit signed"); }

const std::string& in_testo(const std::string& t, const char* campo) {
  if (t.size() > 0xFFFF) {
    throw guasto_esecuzione(fmt::format("a text of {} bytes does not fit {} (at most 65535 bytes)", t.size(), campo));
  }
  return t;
}

}  // namespace scen
