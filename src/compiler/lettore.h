// The field reader: a source is read as a stream of fields cut at commas,
// line ends and, for numbers, blanks. It works on bytes in memory and knows
// the line every field came from.
//
// Blanks are space and tab; a line end is CR LF, a lone LF or a lone CR.
// Reading a field when no byte is left is a run-time failure, as is a number
// that is not an optional sign followed by digits, or one that does not fit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace scen {

class lettore_campi {
 public:
  explicit lettore_campi(std::string_view byte) : byte_(byte) {}

  // True exactly when no byte is left after the read position.
  bool fine_file() const { return pos_ >= byte_.size(); }

  // A text field: quoted ("..." verbatim, the rest of the field skipped) or
  // running to the next comma or line end, blanks at its end dropped.
  std::string leggi_testo();

  // A number field converted to the width its line names.
  std::int32_t leggi_32();
  std::int16_t leggi_16();
  std::uint8_t leggi_8();

  // The line (from 1) where the last field read began.
  std::int32_t riga_campo() const { return riga_campo_; }
  std::size_t posizione() const { return pos_; }

 private:
  // Number field as a 64-bit value; the caller narrows it.
  std::int64_t leggi_numero();
  void controlla_non_finito() const;
  void salta_vuoti_e_fine_riga();
  void salta_vuoti();
  void consuma_fine_riga();
  void consuma_separatore();

  std::string_view byte_;
  std::size_t pos_ = 0;
  std::int32_t riga_ = 1;        // line of the read position
  std::int32_t riga_campo_ = 1;  // line where the last field began
};

// Key tests by containment: case-sensitive, and case-insensitive with the
// Windows-1252 lower-casing.
bool contiene(std::string_view testo, std::string_view parola);
bool contiene_senza_maiuscole(std::string_view testo, std::string_view parola);

}  // namespace scen
