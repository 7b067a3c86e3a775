// Large blocks on Windows come straight from VirtualAlloc: committed pages
// arrive zeroed and cost nothing until touched, as on POSIX. Windows grants
// large pages only with a privilege a user rarely holds, so the block is
// merely aligned like the POSIX one.
#include "platform/memory.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace scen {
namespace {

std::size_t round_up(std::size_t byte, std::size_t step) { return (byte + step - 1) / step * step; }

// Reserves more than asked to learn an aligned address inside it, gives it
// back and commits exactly there; another thread may take the address in
// between, hence the few attempts before an unaligned block is taken.
std::byte* map_aligned(std::size_t byte) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    void* wide = ::VirtualAlloc(nullptr, byte + large_block::pagina_grande, MEM_RESERVE, PAGE_NOACCESS);
    if (wide == nullptr) throw std::bad_alloc();
    const auto aligned = round_up(reinterpret_cast<std::uintptr_t>(wide), large_block::pagina_grande);
    ::VirtualFree(wide, 0, MEM_RELEASE);
    void* p = ::VirtualAlloc(reinterpret_cast<void*>(aligned), byte, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (p != nullptr) return static_cast<std::byte*>(p);
  }
  void* p = ::VirtualAlloc(nullptr, byte, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (p == nullptr) throw std::bad_alloc();
  return static_cast<std::byte*>(p);
}

}  // namespace

large_block::large_block(std::size_t byte) : byte_(byte) {
  if (byte == 0) return;
  if (byte < soglia || !mappe_proprie) {
    dati_ = static_cast<std::byte*>(std::calloc(byte, 1));
    if (dati_ == nullptr) throw std::bad_alloc();
    return;
  }
  if (byte > static_cast<std::size_t>(-1) - 2 * pagina_grande) throw std::bad_alloc();
  mappati_ = round_up(byte, pagina_grande);
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
    ::VirtualFree(dati_, 0, MEM_RELEASE);
  } else {
    std::free(dati_);
  }
  dati_ = nullptr;
  byte_ = 0;
  mappati_ = 0;
}

}  // namespace scen
