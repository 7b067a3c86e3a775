// The field reader: a source is read as a stream of fields cut at commas,
// line ends and, for numbers, blanks. It works on bytes in memory and knows
// the line and column every field came from.
//
// Blanks are space and tab; a line end is CR LF, a lone LF or a lone CR.
// Reading a field when no byte is left is a run-time failure, as is a number
// that is not an optional sign followed by digits, or one that does not fit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/accesso.h"

namespace scen {

// Where one field stood in its source: line and column (from 1, in bytes) of
// its first byte, and its bytes as offsets into the source.
struct campo_letto {
  std::int32_t riga = 0;
  std::int32_t colonna = 0;
  std::size_t inizio = 0;
  std::size_t fine = 0;
  const char* nome = nullptr;  // what the field is ("the station's name"), when the reader was told
};

// A run-time failure on one field: it names the field, its place, the text
// found and what would have been valid.
class guasto_campo : public guasto_esecuzione {
 public:
  guasto_campo(const std::string& motivo, campo_letto dove, std::string testo)
      : guasto_esecuzione(motivo), dove_(dove), testo_(std::move(testo)) {}
  const campo_letto& dove() const { return dove_; }
  const std::string& testo() const { return testo_; }

 private:
  campo_letto dove_;
  std::string testo_;
};

// What the reader noticed about a quoted text on its way: it ran over a line
// end, it was never closed, or bytes followed its closing quote.
struct evento_virgolette {
  enum class tipo : std::uint8_t { su_piu_righe, non_chiuso, coda_ignorata };
  tipo quale;
  campo_letto campo;  // the quoted field, from its opening quote
  campo_letto coda;   // for coda_ignorata: the bytes dropped
};

class lettore_campi {
 public:
  explicit lettore_campi(std::string_view byte) : byte_(byte) {}

  // True exactly when no byte is left after the read position.
  bool fine_file() const { return pos_ >= byte_.size(); }

  // A text field: quoted ("..." verbatim, the rest of the field skipped) or
  // running to the next comma or line end, blanks at its end dropped.
  // `campo` names the field in failures ("the station's name").
  std::string leggi_testo(const char* campo = nullptr);

  // A number field converted to the width its line names.
  std::int32_t leggi_32(const char* campo = nullptr);
  std::int16_t leggi_16(const char* campo = nullptr);
  std::uint8_t leggi_8(const char* campo = nullptr);

  // The line (from 1) where the last field read began.
  std::int32_t riga_campo() const { return riga_campo_; }
  std::size_t posizione() const { return pos_; }
  // The line of the read position.
  std::int32_t riga_attuale() const { return riga_; }

  // The fields read since the last call to azzera_campi, in order: the
  // stages clear it before each key, so it holds the current line's fields.
  const std::vector<campo_letto>& campi() const { return campi_; }
  void azzera_campi() { campi_.clear(); }
  const std::vector<evento_virgolette>& eventi() const { return eventi_; }
  std::string_view byte() const { return byte_; }

  // Moves the read position to the first line after `riga` (checking mode
  // only: the compile itself never skips).
  void salta_oltre_riga(std::int32_t riga);

 private:
  // Number field as a 64-bit value; the caller narrows it.
  std::int64_t leggi_numero(const char* campo);
  void controlla_non_finito(const char* campo) const;
  void salta_vuoti_e_fine_riga();
  void salta_vuoti();
  void consuma_fine_riga();
  void consuma_separatore();
  campo_letto inizia_campo();
  // The next field opened, blanks and line ends before it skipped; at the
  // end of the file it is recorded as an empty field and nothing is returned.
  std::optional<campo_letto> apri_campo(const char* campo);
  template <typename T>
  T stretto(std::int64_t v, const char* campo);

  std::string_view byte_;
  std::size_t pos_ = 0;
  std::size_t inizio_riga_ = 0;  // offset of the first byte of the read position's line
  std::int32_t riga_ = 1;        // line of the read position
  std::int32_t riga_campo_ = 1;  // line where the last field began
  std::vector<campo_letto> campi_;
  std::vector<evento_virgolette> eventi_;
};

// Key tests by containment: case-sensitive, and case-insensitive with the
// Windows-1252 lower-casing.
bool contiene(std::string_view testo, std::string_view parola);
bool contiene_senza_maiuscole(std::string_view testo, std::string_view parola);

}  // namespace scen
