// Reading the writers' files back in tests: lines cut at CR LF, fields cut at
// commas, Windows-1252 bytes left as they are.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace scen::test_util {

// The lines of a file whose every line ends in CR LF. Adds a test failure
// (naming the byte) for a lone CR, a lone LF or a last line without its end.
inline std::vector<std::string> split_crlf(std::string_view byte) {
  std::vector<std::string> righe;
  std::string corrente;
  for (std::size_t i = 0; i < byte.size(); ++i) {
    const char c = byte[i];
    if (c == '\r') {
      if (i + 1 < byte.size() && byte[i + 1] == '\n') {
        righe.push_back(corrente);
        corrente.clear();
        ++i;
      } else {
        ADD_FAILURE() << "lone CR at byte " << i;
      }
    } else if (c == '\n') {
      ADD_FAILURE() << "lone LF at byte " << i;
    } else {
      corrente += c;
    }
  }
  if (!corrente.empty()) ADD_FAILURE() << "the last line has no CR LF: \"" << corrente << "\"";
  return righe;
}

// The fields of a line cut at every comma, blanks kept.
inline std::vector<std::string> campi(std::string_view riga) {
  std::vector<std::string> r;
  std::size_t inizio = 0;
  for (;;) {
    const std::size_t virgola = riga.find(',', inizio);
    r.emplace_back(riga.substr(inizio, virgola == std::string_view::npos ? std::string_view::npos : virgola - inizio));
    if (virgola == std::string_view::npos) return r;
    inizio = virgola + 1;
  }
}

// True when `campo` is a whole number right-aligned in exactly `larghezza`
// characters: blanks, then an optional minus and at least one digit.
inline bool allineato(std::string_view campo, std::size_t larghezza) {
  if (campo.size() != larghezza) return false;
  std::size_t i = campo.find_first_not_of(' ');
  if (i == std::string_view::npos) return false;
  if (campo[i] == '-') ++i;
  if (i == campo.size()) return false;
  for (; i < campo.size(); ++i) {
    if (campo[i] < '0' || campo[i] > '9') return false;
  }
  return true;
}

inline int numero(std::string_view campo) { return std::stoi(std::string(campo)); }

// Whether `t` holds a byte a terminal or an XML page acts on: C0 but the
// line ends the program writes, DEL, or a C1 control encoded as UTF-8 (C2 80
// to C2 9F).
inline bool has_control_bytes(const std::string& t) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    const auto b = static_cast<unsigned char>(t[i]);
    if ((b < 0x20 && b != '\n') || b == 0x7F) return true;
    if (b == 0xC2 && i + 1 < t.size() && static_cast<unsigned char>(t[i + 1]) < 0xA0) return true;
  }
  return false;
}

}  // namespace scen::test_util
