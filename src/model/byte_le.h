// Little-endian fields stored and read at any address, one field at a time:
// the binary files' byte order, whatever the machine's own. On a
// little-endian machine each is one plain store or load. Every encoder and
// decoder of the binary files goes through these.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

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

// Field-by-field encoding into a byte string: every field at its own width,
// no alignment gaps, never a struct dumped whole.
class codifica_le {
 public:
  explicit codifica_le(std::string& out) : out_(out) {}

  void u8(std::uint8_t v) { campo(v); }
  void i16(std::int16_t v) { campo(static_cast<std::uint16_t>(v)); }
  void u16(std::uint16_t v) { campo(v); }
  void i32(std::int32_t v) { campo(static_cast<std::uint32_t>(v)); }
  void f64(double v) { campo(std::bit_cast<std::uint64_t>(v)); }
  // A record's text: 16-bit length, then its bytes. A longer text is refused:
  // its length would wrap and the file would no longer decode.
  void testo(std::string_view t) {
    if (t.size() > 0xFFFF) throw std::length_error("a text of more than 65535 bytes has no 16-bit length");
    u16(static_cast<std::uint16_t>(t.size()));
    out_.append(t.data(), t.size());
  }

 private:
  template <typename U>
  void campo(U v) {
    char b[sizeof v];
    metti_le(b, v);
    out_.append(b, sizeof v);
  }
  std::string& out_;
};

}  // namespace scen
