// Texts are bytes (Windows-1252); nothing is converted to or from UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace scen {

// Lower-cases one byte the way Windows-1252 does: A-Z and 0xC0-0xDE (but
// 0xD7) get +0x20; 0x8A, 0x8C, 0x8E become 0x9A, 0x9C, 0x9E; 0x9F becomes 0xFF.
constexpr unsigned char minuscola(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
  if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 0x10);
  if (c == 0x9F) return 0xFF;
  return c;
}

std::string minuscole(std::string_view testo);

// How many bytes must be inserted, removed or replaced to turn `a` into `b`:
// how near a mistyped name is to a known one.
std::size_t distanza(std::string_view a, std::string_view b);

}  // namespace scen
