#include "passes/codici_gara.h"

#include <string>

#include "model/testo.h"

namespace scen {
namespace {

// The working text: the identity lower-cased, then the filler, so it always
// has 25 bytes at least; only the first 25 count.
std::string testo_di_lavoro(std::string_view nome_treno, std::string_view nome_linea) {
  std::string riga = minuscole(std::string(nome_treno) + std::string(nome_linea));
  riga += riempitivo;
  return riga;
}

}  // namespace

std::int16_t codice_gara_og(std::string_view nome_treno, std::string_view nome_linea) {
  const std::string riga = testo_di_lavoro(nome_treno, nome_linea);
  std::int32_t somma = 0;
  for (std::size_t i = 0; i < 25; ++i) somma += static_cast<unsigned char>(riga[i]);
  return static_cast<std::int16_t>(somma);  // at most 25 * 255 = 6375
}

std::int32_t codice_gara_st(std::string_view nome_treno, std::string_view nome_linea) {
  const std::string riga = testo_di_lavoro(nome_treno, nome_linea);
  std::int32_t somma = 0;
  for (std::size_t i = 0; i < 25; ++i) {
    somma += static_cast<std::int32_t>(i + 1) * static_cast<unsigned char>(riga[i]);
  }
  return somma;  // at most 325 * 255 = 82875
}

}  // namespace scen
