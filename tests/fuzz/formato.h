// How one fuzz input becomes what a target works on, shared by the targets
// and by the seed writer so that the seeds mean what the targets read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "model/modello.h"

namespace scen::fuzz {

// A property of the system does not hold: say which, then stop so that the
// fuzzer keeps the input.
[[noreturn]] inline void violata(const char* proprieta) {
  std::fprintf(stderr, "property violated: %s\n", proprieta);
  std::abort();
}
inline void esigi(bool vero, const char* proprieta) {
  if (!vero) violata(proprieta);
}

// ---- compile input ------------------------------------------------------
// Byte 0 holds flags; the rest is the route source, then the separator, then
// the train source. Without a separator there is no train source at all.
inline constexpr std::string_view separatore = "\n%%treno%%\n";
inline constexpr std::uint8_t senza_piano = 1;  // scrivi_linea 0: no plan view, no line data file
inline constexpr std::uint8_t senza_linea = 2;  // the route source does not exist

struct ingresso_compila {
  std::int32_t scrivi_linea = 1;
  std::optional<std::string> linea;
  std::optional<std::string> treno;
};

inline ingresso_compila dividi(std::string_view dati) {
  ingresso_compila r;
  if (dati.empty()) return r;
  const auto flag = static_cast<std::uint8_t>(dati[0]);
  dati.remove_prefix(1);
  r.scrivi_linea = (flag & senza_piano) != 0 ? 0 : 1;
  const std::size_t dove = dati.find(separatore);
  const std::string_view linea = dove == std::string_view::npos ? dati : dati.substr(0, dove);
  if ((flag & senza_linea) == 0) r.linea = std::string(linea);
  if (dove != std::string_view::npos) r.treno = std::string(dati.substr(dove + separatore.size()));
  return r;
}

inline std::string componi(const ingresso_compila& in) {
  std::uint8_t flag = 0;
  if (in.scrivi_linea == 0) flag |= senza_piano;
  if (!in.linea) flag |= senza_linea;
  std::string r(1, static_cast<char>(flag));
  r += in.linea.value_or("");
  if (in.treno) r += std::string(separatore) + *in.treno;
  return r;
}

// ---- decoder input ------------------------------------------------------
// Byte 0 (modulo 3) picks the kind of file; the rest is the file.
enum class tipo_ingresso : std::uint8_t { linea = 0, sommario = 1, percorso = 2 };

// ---- comparisons ----------------------------------------------------------
// Same tags and, value by value, the same bits: a double that came back with
// other bits (a NaN, -0.0 for 0.0) is a different file. Built without the
// fuzzer's tracing (confronti.cpp): a plain loop over every metre has nothing
// to explore and would take most of the compile target's time.
bool piani_identici(const piano& a, const piano& b);

}  // namespace scen::fuzz
