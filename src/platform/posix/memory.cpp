#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace scen {
namespace {

std::size_t arrotonda_su(std::size_t byte, std::size_t passo) { return (byte + passo - 1) / passo * passo; }

// Maps `byte` (a multiple of 2 MiB) aligned to 2 MiB: maps 2 MiB more than
// asked, then gives back what lies before the aligned start and after the end.
std::byte* mappa_allineato(std::size_t byte) {
  const std::size_t mappati = byte + large_block::pagina_grande;
  void* p = ::mmap(nullptr, mappati, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  const auto inizio = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t allineato = arrotonda_su(inizio, large_block::pagina_grande);
  const std::size_t prima = allineato - inizio;
  if (prima > 0) ::munmap(p, prima);
  const std::size_t dopo = mappati - prima - byte;
  if (dopo > 0) ::munmap(reinterpret_cast<void*>(allineato + byte), dopo);
  ::madvise(reinterpret_cast<void*>(allineato), byte, MADV_HUGEPAGE);  // only an offer: a refusal changes nothing
  return reinterpret_cast<std::byte*>(allineato);
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
  mappati_ = arrotonda_su(byte, pagina_grande);
  dati_ = mappa_allineato(mappati_);
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
    ::munmap(dati_, mappati_);
  } else {
    std::free(dati_);
  }
  dati_ = nullptr;
  byte_ = 0;
  mappati_ = 0;
}

}  // namespace scen
