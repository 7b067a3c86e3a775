#include "formats/piano_in_corso.h"

#include <algorithm>
#include <limits>

namespace scen {

void piano_in_corso::pubblica(std::int64_t metri) {
  {
    const std::lock_guard lock(mutex_);
    pronti_ = std::max(pronti_, metri);
  }
  cambiato_.notify_all();
}

void piano_in_corso::completa() { pubblica(std::numeric_limits<std::int64_t>::max()); }

void piano_in_corso::abbandona() {
  {
    const std::lock_guard lock(mutex_);
    abbandonato_ = true;
  }
  cambiato_.notify_all();
}

std::int64_t piano_in_corso::attendi(std::int64_t metro) {
  std::unique_lock lock(mutex_);
  cambiato_.wait(lock, [&] { return abbandonato_ || pronti_ > metro; });
  if (abbandonato_) throw linea_abbandonata();
  return pronti_;
}

}  // namespace scen
