// Large blocks on Windows come straight from VirtualAlloc: committed pages
// arrive zeroed and cost nothing until touched, as on POSIX. Windows grants
// large pages only with a privilege a user rarely holds, so the block is
// merely aligned like the POSIX one.
#include "platform/memory.h"
#include "platform/memory_system.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace scen {
namespace {

std::size_t round_up(std::size_t byte, std::size_t step) { return (byte + step - 1) / step * step; }

}  // namespace

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

void unmap(std::byte* block, std::size_t) noexcept { ::VirtualFree(block, 0, MEM_RELEASE); }

}  // namespace scen
