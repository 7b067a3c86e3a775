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

std::string nome_di(const char* campo) { return campo ? campo : "a value"; }

}  // namespace

void lettore_campi::controlla_non_finito(const char* campo) const {
  if (!fine_file()) return;
  const campo_letto dove{riga_, static_cast<std::int32_t>(pos_ - inizio_riga_) + 1, pos_, pos_};
  throw guasto_campo(fmt::format("the source ends where {} was expected", nome_di(campo)), dove, {});
}

void lettore_campi::consuma_fine_riga() {
  // CR LF counts as one line end, like a lone CR or a lone LF.
  if (byte_[pos_] == '\r' && pos_ + 1 < byte_.size() && byte_[pos_ + 1] == '\n') ++pos_;
  ++pos_;
  ++riga_;
  inizio_riga_ = pos_;
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

campo_letto lettore_campi::inizia_campo() {
  riga_campo_ = riga_;
  return {riga_, static_cast<std::int32_t>(pos_ - inizio_riga_) + 1, pos_, pos_};
}

void lettore_campi::salta_oltre_riga(std::int32_t riga) {
  while (!fine_file() && riga_ <= riga) {
    if (fine_riga(byte_[pos_])) {
      consuma_fine_riga();
    } else {
      ++pos_;
    }
  }
}

std::optional<campo_letto> lettore_campi::apri_campo(const char* campo) {
  controlla_non_finito(campo);
  salta_vuoti_e_fine_riga();
  campo_letto dove = inizia_campo();
  dove.nome = campo;
  if (!fine_file()) return dove;
  campi_.push_back(dove);
  return std::nullopt;
}

std::string lettore_campi::leggi_testo(const char* campo) {
  std::optional<campo_letto> aperto = apri_campo(campo);
  if (!aperto) return {};
  campo_letto& dove = *aperto;

  if (byte_[pos_] == '"') {
    ++pos_;
    const std::size_t inizio = pos_;
    bool a_capo = false;
    while (!fine_file() && byte_[pos_] != '"') {
      if (fine_riga(byte_[pos_])) {
        consuma_fine_riga();  // a quoted text may span lines; keep counting them
        a_capo = true;
      } else {
        ++pos_;
      }
    }
    std::string testo(byte_.substr(inizio, pos_ - inizio));
    dove.fine = pos_;
    const bool chiuso = !fine_file();
    if (chiuso) ++pos_;  // the closing quote
    if (!chiuso) {
      eventi_.push_back({evento_virgolette::tipo::non_chiuso, dove, {}});
    } else if (a_capo) {
      eventi_.push_back({evento_virgolette::tipo::su_piu_righe, dove, {}});
    }
    // Whatever follows the closing quote up to the separator is not part of the field.
    salta_vuoti();
    const campo_letto coda{riga_, static_cast<std::int32_t>(pos_ - inizio_riga_) + 1, pos_, pos_};
    while (!fine_file() && byte_[pos_] != ',' && !fine_riga(byte_[pos_])) ++pos_;
    std::size_t fine_coda = pos_;
    while (fine_coda > coda.inizio && vuoto(byte_[fine_coda - 1])) --fine_coda;
    if (fine_coda > coda.inizio) {
      eventi_.push_back(
          {evento_virgolette::tipo::coda_ignorata, dove, {coda.riga, coda.colonna, coda.inizio, fine_coda}});
    }
    consuma_separatore();
    campi_.push_back(dove);
    return testo;
  }

  const std::size_t inizio = pos_;
  while (!fine_file() && byte_[pos_] != ',' && !fine_riga(byte_[pos_])) ++pos_;
  std::size_t fine = pos_;
  while (fine > inizio && vuoto(byte_[fine - 1])) --fine;
  dove.fine = fine;
  consuma_separatore();
  campi_.push_back(dove);
  return std::string(byte_.substr(inizio, fine - inizio));
}

std::int64_t lettore_campi::leggi_numero(const char* nome) {
  std::optional<campo_letto> aperto = apri_campo(nome);
  if (!aperto) return 0;
  campo_letto& dove = *aperto;
  if (byte_[pos_] == ',') {  // an empty field
    ++pos_;
    campi_.push_back(dove);
    return 0;
  }

  const std::size_t inizio = pos_;
  while (!fine_file() && byte_[pos_] != ',' && !vuoto(byte_[pos_]) && !fine_riga(byte_[pos_])) ++pos_;
  const std::string_view campo = byte_.substr(inizio, pos_ - inizio);
  dove.fine = pos_;
  campi_.push_back(dove);
  // Blanks after a number, then the comma or line end that closes it: "12 ," is one field.
  salta_vuoti();
  consuma_separatore();

  const auto non_numero = [&] {
    return guasto_campo(fmt::format("expected a whole number for {}, found \"{}\"", nome_di(nome), campo), dove,
                        std::string(campo));
  };
  std::size_t i = 0;
  bool negativo = false;
  if (campo[0] == '+' || campo[0] == '-') {
    negativo = campo[0] == '-';
    i = 1;
  }
  if (i == campo.size()) throw non_numero();
  // Anything beyond the 32-bit range fails later; stop counting well before 64 bits overflow.
  constexpr std::int64_t tetto = std::int64_t{1} << 40;
  std::int64_t valore = 0;
  for (; i < campo.size(); ++i) {
    if (!cifra(campo[i])) throw non_numero();
    if (valore < tetto) valore = valore * 10 + (campo[i] - '0');
  }
  return negativo ? -valore : valore;
}

template <typename T>
T lettore_campi::stretto(std::int64_t v, const char* campo) {
  if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max()) {
    const campo_letto& dove = campi_.back();
    const std::string testo(byte_.substr(dove.inizio, dove.fine - dove.inizio));
    throw guasto_campo(fmt::format("expected a whole number from {} to {} for {}, found \"{}\"",
                                   std::int64_t{std::numeric_limits<T>::min()},
                                   std::int64_t{std::numeric_limits<T>::max()}, nome_di(campo), testo),
                       dove, testo);
  }
  return static_cast<T>(v);
}

std::int32_t lettore_campi::leggi_32(const char* campo) { return stretto<std::int32_t>(leggi_numero(campo), campo); }
std::int16_t lettore_campi::leggi_16(const char* campo) { return stretto<std::int16_t>(leggi_numero(campo), campo); }
std::uint8_t lettore_campi::leggi_8(const char* campo) { return stretto<std::uint8_t>(leggi_numero(campo), campo); }

bool contiene(std::string_view testo, std::string_view parola) { return testo.find(parola) != std::string_view::npos; }

bool contiene_senza_maiuscole(std::string_view testo, std::string_view parola) {
  return minuscole(testo).find(minuscole(parola)) != std::string::npos;
}

}  // namespace scen
