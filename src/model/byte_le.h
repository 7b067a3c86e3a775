// Little-endian fields stored and read at any address, one field at a time:
// the binary files' byte order, whatever the machine's own. On a
// little-endian machine each is one plain store or load.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>

namespace scen {

// Stores `v` at `q`, least significant byte first. `B` is char or std::byte.
template <typename U, typename B>
inline void metti_le(B* q, U v) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(q, &v, sizeof v);
  } else {
    for (std::size_t i = 0; i < sizeof v; ++i) q[i] = static_cast<B>((v >> (8 * i)) & 0xFF);
  }
}

// Reads a `U` stored least significant byte first at `q`.
template <typename U, typename B>
inline U leggi_le(const B* q) {
  U v = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&v, q, sizeof v);
  } else {
    for (std::size_t i = 0; i < sizeof v; ++i) {
      v = static_cast<U>(v | (static_cast<U>(static_cast<unsigned char>(q[i])) << (8 * i)));
    }
  }
  return v;
}

}  // namespace scen
