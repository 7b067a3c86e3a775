// The field reader on any bytes, driven by a short program of reads taken
// from the input's head. Every read either fails as a run-time failure or
// moves forward; what it returns keeps the field rules.
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/lettore.h"
#include "formato.h"
#include "model/accesso.h"

namespace {

using namespace scen;
using fuzz::esigi;

std::size_t fine_righe(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\n' || (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n'))) ++n;
  }
  return n;
}

void controlla_testo_libero(const std::string& t) {
  for (char ch : t) esigi(ch != ',' && ch != '\r' && ch != '\n', "an unquoted text holds no comma and no line end");
  esigi(t.empty() || (t.back() != ' ' && t.back() != '\t'), "an unquoted text ends on no blank");
}

// One read; false when it failed.
bool leggi(lettore_campi& l, std::uint8_t operazione, std::string_view sorgente) {
  const std::size_t prima = l.posizione();
  try {
    switch (operazione % 5) {
      case 0:
      case 4: {
        const std::string t = l.leggi_testo();
        esigi(t.size() <= l.posizione() - prima, "a text is no longer than the bytes read");
        // Only a text that starts after blanks and line ends on a quote may hold other bytes.
        if (sorgente.substr(prima, l.posizione() - prima).find('"') == std::string_view::npos) {
          controlla_testo_libero(t);
        }
        break;
      }
      case 1:
        l.leggi_32();
        break;
      case 2:
        l.leggi_16();
        break;
      case 3:
        l.leggi_8();
        break;
    }
  } catch (const guasto_esecuzione&) {
    return false;
  }
  esigi(l.posizione() > prima, "every read that succeeds moves forward");
  esigi(l.posizione() <= sorgente.size(), "the reader stays inside the source");
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dati, std::size_t n) {
  if (n == 0) return 0;
  // Byte 0: how many of the next bytes are the program (1 to 16).
  const std::size_t lunghezza_programma = std::min<std::size_t>(1 + dati[0] % 16, n - 1);
  if (lunghezza_programma == 0) return 0;
  const std::string_view programma(reinterpret_cast<const char*>(dati) + 1, lunghezza_programma);
  const std::string_view sorgente(reinterpret_cast<const char*>(dati) + 1 + lunghezza_programma,
                                  n - 1 - lunghezza_programma);

  lettore_campi l(sorgente);
  const std::size_t righe = fine_righe(sorgente) + 1;
  for (std::size_t passo = 0; !l.fine_file(); ++passo) {
    if (!leggi(l, static_cast<std::uint8_t>(programma[passo % programma.size()]), sorgente)) break;
    esigi(l.riga_campo() >= 1 && static_cast<std::size_t>(l.riga_campo()) <= righe,
          "a field's line is one of the source's lines");
  }
  // Reading on at the end is a run-time failure, never a read past the bytes.
  if (l.fine_file()) {
    bool fallita = false;
    try {
      l.leggi_testo();
    } catch (const guasto_esecuzione&) {
      fallita = true;
    }
    esigi(fallita, "a read with no byte left is a run-time failure");
  }

  // The key tests never read outside either text.
  const std::string_view parola = programma;
  (void)contiene(sorgente, parola);
  (void)contiene_senza_maiuscole(sorgente, parola);
  return 0;
}
