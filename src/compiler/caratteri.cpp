#include "compiler/caratteri.h"

#include <fmt/format.h>

#include <array>
#include <cmath>

namespace scen {
namespace {

struct carattere_nascosto {
  std::string_view byte;
  std::string_view nome;
};

// Longest sequences first, so that a UTF-8 form is named before the single
// Windows-1252 byte it ends with.
constexpr std::array<carattere_nascosto, 11> nascosti{{
    {"\xEF\xBB\xBF", "U+FEFF BYTE ORDER MARK (as UTF-8, bytes EF BB BF)"},
    {"\xE2\x88\x92", "U+2212 MINUS SIGN (as UTF-8, bytes E2 88 92)"},
    {"\xE2\x80\x93", "U+2013 EN DASH (as UTF-8, bytes E2 80 93)"},
    {"\xE2\x80\x94", "U+2014 EM DASH (as UTF-8, bytes E2 80 94)"},
    {"\xE2\x80\xAF", "U+202F NARROW NO-BREAK SPACE (as UTF-8, bytes E2 80 AF)"},
    {"\xE2\x80\x8B", "U+200B ZERO WIDTH SPACE (as UTF-8, bytes E2 80 8B)"},
    {"\xC2\xA0", "U+00A0 NO-BREAK SPACE (as UTF-8, bytes C2 A0)"},
    {"\xA0", "U+00A0 NO-BREAK SPACE (byte A0)"},
    {"\x96", "U+2013 EN DASH (byte 96)"},
    {"\x97", "U+2014 EM DASH (byte 97)"},
    {"\xAD", "U+00AD SOFT HYPHEN (byte AD)"},
}};

}  // namespace

std::string caratteri_nascosti(std::string_view testo) {
  std::string primo;
  int quanti = 0;
  for (std::size_t i = 0; i < testo.size();) {
    bool trovato = false;
    for (const carattere_nascosto& n : nascosti) {
      if (testo.substr(i, n.byte.size()) == n.byte) {
        if (quanti++ == 0) primo = fmt::format("{} at byte {}", n.nome, i + 1);
        i += n.byte.size();
        trovato = true;
        break;
      }
    }
    if (!trovato) ++i;
  }
  if (quanti == 0) return {};
  if (quanti == 1) return primo;
  return fmt::format("{} and {} more such character{}", primo, quanti - 1, quanti == 2 ? "" : "s");
}

std::optional<numero_italiano> numero_all_italiana(std::string_view testo) {
  std::size_t i = 0;
  std::string segno;
  if (!testo.empty() && (testo[0] == '-' || testo[0] == '+')) {
    segno = testo[0] == '-' ? "-" : "";
    i = 1;
  }
  const auto cifre = [&](std::size_t da) {
    std::size_t j = da;
    while (j < testo.size() && testo[j] >= '0' && testo[j] <= '9') ++j;
    return j - da;
  };
  const std::size_t intera = cifre(i);
  if (intera == 0 || intera > 9) return std::nullopt;
  std::size_t j = i + intera;
  if (j >= testo.size() || (testo[j] != '.' && testo[j] != ',')) return std::nullopt;
  const char separatore = testo[j];
  // Groups of three digits after dots: a thousands separator (43.900, 1.234.567).
  if (separatore == '.') {
    std::string unite(testo.substr(i, intera));
    std::size_t k = j;
    while (k < testo.size() && testo[k] == '.' && cifre(k + 1) == 3) {
      unite += testo.substr(k + 1, 3);
      k += 4;
    }
    if (k == testo.size() && k > j && intera <= 3) {
      return numero_italiano{std::string(testo), segno + unite, "a dot as the thousands separator"};
    }
  }
  const std::size_t decimali = cifre(j + 1);
  if (decimali == 0 || j + 1 + decimali != testo.size()) return std::nullopt;
  const double valore = std::stod(std::string(testo.substr(i, intera)) + "." + std::string(testo.substr(j + 1)));
  const auto tondo = static_cast<long long>(std::llround(valore));
  return numero_italiano{std::string(testo), segno + std::to_string(tondo),
                         separatore == ',' ? "a decimal comma, and the field takes whole numbers only"
                                           : "a decimal point, and the field takes whole numbers only"};
}

}  // namespace scen
