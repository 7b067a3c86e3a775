// What large blocks do the same on every system; the system's own calls
// to map and unmap an aligned block are in posix/ and win32/.
#include "platform/memory.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "platform/memory_system.h"

namespace scen {

large_block::large_block(std::size_t byte) : byte_(byte) {
  if (byte == 0) return;
  if (byte < soglia || !mappe_proprie) {
    dati_ = static_cast<std::byte*>(std::calloc(byte, 1));
    if (dati_ == nullptr) throw std::bad_alloc();
    return;
  }
  if (byte > static_cast<std::size_t>(-1) - 2 * pagina_grande) throw std::bad_alloc();
  mappati_ = (byte + pagina_grande - 1) / pagina_grande * pagina_grande;
  dati_ = map_aligned(mappati_);
}

large_block::large_block(const large_block& altro) : large_block(altro.byte_) {
  if (byte_ > 0) std::memcpy(dati_, altro.dati_, byte_);
}

large_block& large_block::operator=(const large_block& altro) {
  if (this != &altro) *this = large_block(altro);
  return *this;
}

large_block::large_block(large_block&& altro) noexcept
    : dati_(std::exchange(altro.dati_, nullptr)),
      byte_(std::exchange(altro.byte_, 0)),
      mappati_(std::exchange(altro.mappati_, 0)) {}

large_block& large_block::operator=(large_block&& altro) noexcept {
  if (this != &altro) {
    rilascia();
    dati_ = std::exchange(altro.dati_, nullptr);
    byte_ = std::exchange(altro.byte_, 0);
    mappati_ = std::exchange(altro.mappati_, 0);
  }
  return *this;
}

large_block::~large_block() { rilascia(); }

void large_block::rilascia() noexcept {
  if (mappati_ != 0) {
    unmap(dati_, mappati_);
  } else {
    std::free(dati_);
  }
  dati_ = nullptr;
  byte_ = 0;
  mappati_ = 0;
}

}  // namespace scen
