// Little-endian field-by-field encoding into a byte string: every field at
// its own width, no alignment gaps, never a struct dumped whole.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace scen {

class codifica_le {
 public:
  explicit codifica_le(std::string& uscita) : out_(uscita) {}

  void u8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void i16(std::int16_t v) { intero(static_cast<std::uint16_t>(v), 2); }
  void u16(std::uint16_t v) { intero(v, 2); }
  void i32(std::int32_t v) { intero(static_cast<std::uint32_t>(v), 4); }
  void f64(double v) { intero(std::bit_cast<std::uint64_t>(v), 8); }
  // A record's text: 16-bit length, then its bytes. A longer text is refused:
  // its length would wrap and the file would no longer decode.
  void testo(std::string_view t) {
    if (t.size() > 0xFFFF) throw std::length_error("a text of more than 65535 bytes has no 16-bit length");
    u16(static_cast<std::uint16_t>(t.size()));
    out_.append(t.data(), t.size());
  }

 private:
  void intero(std::uint64_t v, int byte) {
    for (int i = 0; i < byte; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  std::string& out_;
};

}  // namespace scen
