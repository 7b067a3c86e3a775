#include "platform/memory.h"
#include "platform/memory_system.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace scen {
namespace {

std::size_t arrotonda_su(std::size_t byte, std::size_t passo) { return (byte + passo - 1) / passo * passo; }

}  // namespace

// Maps `byte` (a multiple of 2 MiB) aligned to 2 MiB: maps 2 MiB more than
// asked, then gives back what lies before the aligned start and after the end.
std::byte* map_aligned(std::size_t byte) {
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

void unmap(std::byte* block, std::size_t byte) noexcept { ::munmap(block, byte); }

}  // namespace scen
