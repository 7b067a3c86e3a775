// Windows-1252 text as UTF-8. In a file of its own: the map's drawing module
// needs it as well, and takes nothing else of the tool.
#include "text/testo_utf8.h"

#include <array>

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

}  // namespace scen::tool
