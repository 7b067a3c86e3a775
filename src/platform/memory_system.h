// The two system calls behind a large block (platform/memory.h), one
// implementation per system.
#pragma once

#include <cstddef>

namespace scen {

// `byte` zeroed bytes (a multiple of large_block::pagina_grande), aligned to
// it where the system allows; throws std::bad_alloc when not there.
std::byte* map_aligned(std::size_t byte);
// Gives back a block of `byte` bytes that map_aligned returned.
void unmap(std::byte* block, std::size_t byte) noexcept;

}  // namespace scen
