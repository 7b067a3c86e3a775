#include "compiler/lettore.h"

#include <fmt/format.h>

#include <limits>

#include "model/accesso.h"
#include "model/testo.h"

namespace scen {
namespace {

bool vuoto(char c) { return c == ' ' || c == '\t'; }
bool fine_riga(char c) { return c == '\r' || c == '\n'; }
bool cifra(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void lettore_campi::controlla_non_finito() const {
  if (fine_file()) throw guasto_esecuzione(fmt::format("line {}: read past the end of the source", riga_));
}

void lettore_campi::consuma_fine_riga() {
  // CR LF counts as one line end, like a lone CR or a lone LF.
  if (byte_[pos_] == '\r' && pos_ + 1 < byte_.size() && byte_[pos_ + 1] == '\n') ++pos_;
  ++pos_;
  ++riga_;
}

void lettore_campi::salta_vuoti() {
  while (!fine_file() && vuoto(byte_[pos_])) ++pos_;
}

void lettore_campi::salta_vuoti_e_fine_riga() {
  while (!fine_file()) {
    if (vuoto(byte_[pos_])) {
      ++pos_;
    } else if (fine_riga(byte_[pos_])) {
      consuma_fine_riga();
    } else {
      break;
    }
  }
}

// The comma or line end that ends a field goes with it.
void lettore_campi::consuma_separatore() {
  if (fine_file()) return;
  if (byte_[pos_] == ',') {
    ++pos_;
  } else if (fine_riga(byte_[pos_])) {
    consuma_fine_riga();
  }
}

std::string lettore_campi::leggi_testo() {
  controlla_non_finito();
  salta_vuoti_e_fine_riga();
  riga_campo_ = riga_;
  if (fine_file()) return {};

  if (byte_[pos_] == '"') {
    ++pos_;
    const std::size_t inizio = pos_;
    while (!fine_file() && byte_[pos_] != '"') {
      if (fine_riga(byte_[pos_])) {
        consuma_fine_riga();  // a quoted text may span lines; keep counting them
      } else {
        ++pos_;
      }
    }
    std::string testo(byte_.substr(inizio, pos_ - inizio));
    if (!fine_file()) ++pos_;  // the closing quote
    // Whatever follows the closing quote up to the separator is not part of the field.
    while (!fine_file() && byte_[pos_] != ',' && !fine_riga(byte_[pos_])) ++pos_;
    consuma_separatore();
    return testo;
  }

  const std::size_t inizio = pos_;
  while (!fine_file() && byte_[pos_] != ',' && !fine_riga(byte_[pos_])) ++pos_;
  std::size_t fine = pos_;
  while (fine > inizio && vuoto(byte_[fine - 1])) --fine;
  consuma_separatore();
  return std::string(byte_.substr(inizio, fine - inizio));
}

std::int64_t lettore_campi::leggi_numero() {
  controlla_non_finito();
  salta_vuoti_e_fine_riga();
  riga_campo_ = riga_;
  if (fine_file()) return 0;
  if (byte_[pos_] == ',') {  // an empty field
    ++pos_;
    return 0;
  }

  const std::size_t inizio = pos_;
  while (!fine_file() && byte_[pos_] != ',' && !vuoto(byte_[pos_]) && !fine_riga(byte_[pos_])) ++pos_;
  const std::string_view campo = byte_.substr(inizio, pos_ - inizio);
  // Blanks after a number, then the comma or line end that closes it: "12 ," is one field.
  salta_vuoti();
  consuma_separatore();

  std::size_t i = 0;
  bool negativo = false;
  if (campo[0] == '+' || campo[0] == '-') {
    negativo = campo[0] == '-';
    i = 1;
  }
  if (i == campo.size()) {
    throw guasto_esecuzione(fmt::format("line {}: \"{}\" is not a whole number", riga_campo_, campo));
  }
  // Anything beyond the 32-bit range fails later; stop counting well before 64 bits overflow.
  constexpr std::int64_t tetto = std::int64_t{1} << 40;
  std::int64_t valore = 0;
  for (; i < campo.size(); ++i) {
    if (!cifra(campo[i])) {
      throw guasto_esecuzione(fmt::format("line {}: \"{}\" is not a whole number", riga_campo_, campo));
    }
    if (valore < tetto) valore = valore * 10 + (campo[i] - '0');
  }
  return negativo ? -valore : valore;
}

namespace {

template <typename T>
T stretto(std::int64_t v, std::int32_t riga, const char* tipo) {
  if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max()) {
    throw guasto_esecuzione(fmt::format("line {}: {} does not fit a {} field", riga, v, tipo));
  }
  return static_cast<T>(v);
}

}  // namespace

std::int32_t lettore_campi::leggi_32() { return stretto<std::int32_t>(leggi_numero(), riga_campo_, "32-bit signed"); }
std::int16_t lettore_campi::leggi_16() { return stretto<std::int16_t>(leggi_numero(), riga_campo_, "16-bit signed"); }
std::uint8_t lettore_campi::leggi_8() { return stretto<std::uint8_t>(leggi_numero(), riga_campo_, "8-bit unsigned"); }

bool contiene(std::string_view testo, std::string_view parola) { return testo.find(parola) != std::string_view::npos; }

bool contiene_senza_maiuscole(std::string_view testo, std::string_view parola) {
  return minuscole(testo).find(minuscole(parola)) != std::string::npos;
}

}  // namespace scen
