#include "compiler/compilatore.h"

#include "compiler/interno.h"
#include "compiler/osservatore.h"
#include "model/accesso.h"
#include "model/misure.h"

namespace scen {

void contesto::registra(std::int32_t codice) {
  m.codice_errore = codice;
  luogo.file = file;
  luogo.riga = lettore ? lettore->riga_campo() : 0;
  if (oss != nullptr) oss->errore(*this, codice);
}

esito_fase contesto::termina(std::int32_t codice) {
  if (verifica) {  // checking mode deletes nothing
    registra(codice);
    return esito_fase::uscita;
  }
  if (file == luogo_errore::sorgente::linea) s.elimina_linea();
  if (file == luogo_errore::sorgente::treno) s.elimina_treno();
  registra(codice);
  return esito_fase::uscita;
}

esito_fase contesto::termina(std::int32_t codice, std::int32_t posizione) {
  // The position goes with the code, so that a collector sees both.
  m.posizione_errore = posizione;
  termina(codice);
  m.posizione_errore = posizione;
  return esito_fase::uscita;
}

lettore_campi& contesto::apri(std::string byte, luogo_errore::sorgente sorgente) {
  lettore.reset();
  testo = std::move(byte);
  file = sorgente;
  return lettore.emplace(testo);
}

void contesto::registra(std::int32_t codice, std::int32_t posizione) {
  m.posizione_errore = posizione;
  registra(codice);
}

bool posizione_oltre(const modello& m, std::int64_t p, std::int64_t margine) {
  return (static_cast<double>(p) + static_cast<double>(margine)) / metri_cella > static_cast<double>(m.ultima_cella);
}

esito_fase controlla_posizione(contesto& c, std::int32_t p) {
  if (!posizione_oltre(c.m, p, 100)) return esito_fase::continua;
  c.registra(15, p);
  return esito_fase::fine_lettura;
}

luogo_errore memorizza_dati(modello& m, sorgenti& s, osservatore* oss) {
  contesto c{m, s};
  c.oss = oss;
  // What the reader of a source noticed on its way, told once it is done.
  const auto concludi_sorgente = [&] {
    if (oss != nullptr) oss->concludi_sorgente(c);
  };
  try {
    const esito_fase linea = compila_linea(c);
    concludi_sorgente();
    if (linea != esito_fase::uscita) {
      compila_treno(c);
      concludi_sorgente();
    }
  } catch (const guasto_esecuzione& g) {
    // The failure path: every file closed, each source that still exists
    // deleted, code 25; the position stays as it was.
    c.s.elimina_linea();
    c.s.elimina_treno();
    c.guasto = &g;
    c.registra(25);
    c.guasto = nullptr;
    c.luogo.motivo = g.what();
    concludi_sorgente();
  }
  if (oss != nullptr) oss->concludi(c);
  return c.luogo;
}

}  // namespace scen
