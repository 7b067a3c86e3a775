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

std::size_t round_up(std::size_t byte, std::size_t step) { return (byte + step - 1) / step * step; }

}  // namespace

// Maps `byte` (a multiple of 2 MiB) aligned to 2 MiB: maps 2 MiB more than
// asked, then gives back what lies before the aligned start and after the end.
std::byte* map_aligned(std::size_t byte) {
  const std::size_t mapped = byte + large_block::pagina_grande;
  void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t aligned = round_up(start, large_block::pagina_grande);
  const std::size_t before = aligned - start;
  if (before > 0) ::munmap(p, before);
  const std::size_t after = mapped - before - byte;
  if (after > 0) ::munmap(reinterpret_cast<void*>(aligned + byte), after);
  ::madvise(reinterpret_cast<void*>(aligned), byte, MADV_HUGEPAGE);  // only an offer: a refusal changes nothing
  return reinterpret_cast<std::byte*>(aligned);
}

void unmap(std::byte* block, std::size_t byte) noexcept { ::munmap(block, byte); }

}  // namespace scen
