// Windows-1252 text as UTF-8, and text from files made safe to show. In a
// file of its own: the map's drawing module needs it as well, and takes
// nothing else of the tool.
#include "text/testo_utf8.h"

#include <array>

#include <fmt/format.h>

namespace scen::tool {
namespace {

// Code points of the bytes 0x80 to 0x9F in Windows-1252; the five bytes it
// leaves undefined keep their own value, as web browsers read them.
constexpr std::array<char32_t, 32> alti_1252{0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                             0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void aggiungi_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Length of the UTF-8 sequence at the start of `s`, 0 when none starts there.
std::size_t sequenza_utf8(std::string_view s) {
  const auto b = static_cast<unsigned char>(s[0]);
  std::size_t n = 0;
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) n = 2;
  if (b >= 0xE0 && b <= 0xEF) n = 3;
  if (b >= 0xF0 && b <= 0xF4) n = 4;
  if (n == 0 || n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(s[k]) & 0xC0) != 0x80) return 0;
  }
  // Overlong forms, surrogates and code points past U+10FFFF are no UTF-8.
  const auto b1 = static_cast<unsigned char>(s[1]);
  if ((b == 0xE0 && b1 < 0xA0) || (b == 0xED && b1 >= 0xA0) || (b == 0xF0 && b1 < 0x90) || (b == 0xF4 && b1 >= 0x90))
    return 0;
  return n;
}

}  // namespace

std::string utf8_da_1252(std::string_view byte) {
  std::string out;
  out.reserve(byte.size());
  for (const char b : byte) {
    const auto c = static_cast<unsigned char>(b);
    if (c >= 0x80 && c < 0xA0) {
      aggiungi_utf8(out, alti_1252[c - 0x80]);
    } else {
      aggiungi_utf8(out, c);
    }
  }
  return out;
}

std::string testo_leggibile(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  while (!utf8.empty()) {
    const std::size_t n = sequenza_utf8(utf8);
    const auto b = static_cast<unsigned char>(utf8[0]);
    const auto b1 = n == 2 ? static_cast<unsigned char>(utf8[1]) : 0;
    if (n == 0 || b < 0x20 || b == 0x7F) {
      out += fmt::format("\\x{:02x}", b);
    } else if (b == 0xC2 && b1 < 0xA0) {
      out += fmt::format("\\x{:02x}", b1);  // a C1 control, U+0080 to U+009F
    } else if (b == '\\') {
      out += "\\\\";
    } else {
      out.append(utf8.substr(0, n));
    }
    utf8.remove_prefix(n == 0 ? 1 : n);
  }
  return out;
}

std::string leggibile_da_1252(std::string_view byte) { return testo_leggibile(utf8_da_1252(byte)); }

std::size_t colonne(std::string_view utf8) {
  std::size_t n = 0;
  for (const char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

}  // namespace scen::tool
