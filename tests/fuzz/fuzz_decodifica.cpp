// The decoders behind `scenario-tool dump` on any bytes. A file either fails
// with errore_decodifica at an offset inside it, or decodes to a model member
// that encodes back to exactly the same bytes.
#include <cstdint>
#include <string>
#include <string_view>

#include "formato.h"
#include "formats/decodifica.h"
#include "formats/file_binari.h"

namespace {

using namespace scen;
using fuzz::esigi;

std::string ricodifica(fuzz::tipo_ingresso tipo, std::string_view file) {
  switch (tipo) {
    case fuzz::tipo_ingresso::linea:
      return codifica_linea(decodifica_linea(file));
    case fuzz::tipo_ingresso::sommario:
      return codifica_sommario(decodifica_sommario(file));
    case fuzz::tipo_ingresso::percorso:
      return codifica_percorso(decodifica_percorso(file));
  }
  fuzz::violata("a known kind of file");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dati, std::size_t n) {
  if (n == 0) return 0;
  const auto tipo = static_cast<fuzz::tipo_ingresso>(dati[0] % 3);
  const std::string_view file(reinterpret_cast<const char*>(dati) + 1, n - 1);
  try {
    esigi(ricodifica(tipo, file) == file, "a file that decodes encodes back to the same bytes");
  } catch (const errore_decodifica& e) {
    esigi(e.offset() <= file.size(), "a decoding error names an offset inside the file");
    esigi(!e.cosa().empty(), "a decoding error says what is wrong");
  }
  return 0;
}
