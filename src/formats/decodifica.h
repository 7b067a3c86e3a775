// Decoders of the three binary scenario files back into model structures.
// They take any bytes: a file that is truncated or does not hold what its
// layout says raises errore_decodifica naming the byte offset where it went
// wrong; nothing is ever read outside the given bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "model/modello.h"

namespace scen {

class errore_decodifica : public std::runtime_error {
 public:
  errore_decodifica(std::size_t offset, const std::string& cosa);
  // Byte offset in the file where decoding stopped.
  std::size_t offset() const { return offset_; }
  // What is wrong, without the offset.
  const std::string& cosa() const { return cosa_; }

 private:
  std::size_t offset_;
  std::string cosa_;
};

// Line data file: tagged values, coordinate 0 of every metre, then
// coordinate 1. The last metre follows from the number of values.
piano decodifica_linea(std::string_view byte);

// Summary file: the 87 entries, each 34 bytes plus its name; nothing after.
std::array<stazione, numero_stazioni> decodifica_sommario(std::string_view byte);

// Track file: 15 bytes per cell, at least cells 0 and 1.
std::vector<cella> decodifica_percorso(std::string_view byte);

// The bytes of one file decoded, or why they could not be: the file is
// missing, or the decoder refused its bytes for `reason`.
template <typename T>
struct decoded {
  std::optional<T> value;
  bool missing = false;
  std::string reason;
};

// Runs `decoder` (one of the three above) on the file's bytes, when there
// are any; a refusal is kept as the reason, never thrown on.
template <typename F>
auto decode_file(const std::optional<std::string>& bytes, F&& decoder)
    -> decoded<std::decay_t<std::invoke_result_t<F, std::string_view>>> {
  decoded<std::decay_t<std::invoke_result_t<F, std::string_view>>> r;
  if (!bytes) {
    r.missing = true;
    return r;
  }
  try {
    r.value = decoder(*bytes);
  } catch (const errore_decodifica& e) {
    r.reason = e.what();
  }
  return r;
}

enum class tipo_file : std::uint8_t { linea, sommario, percorso };

// The kind of a binary file by its name: "..._linea.dat" line data, ".sim"
// summary, any other ".dat" track; nothing for any other name.
std::optional<tipo_file> tipo_da_nome(std::string_view nome);

}  // namespace scen
