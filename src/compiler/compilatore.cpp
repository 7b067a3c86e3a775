#include "compiler/compilatore.h"

#include "compiler/chiavi.h"
#include "compiler/interno.h"
#include "compiler/numeri.h"
#include "compiler/osservatore.h"
#include "model/accesso.h"
#include "model/misure.h"
#include "model/testo.h"

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
    return esito_fase::return_now;
  }
  if (file == luogo_errore::sorgente::linea) s.elimina_linea();
  if (file == luogo_errore::sorgente::treno) s.elimina_treno();
  registra(codice);
  return esito_fase::return_now;
}

esito_fase contesto::termina(std::int32_t codice, std::int32_t posizione) {
  // The position goes with the code, so that a collector sees both.
  m.posizione_errore = posizione;
  termina(codice);
  m.posizione_errore = posizione;
  return esito_fase::return_now;
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
  if (!posizione_oltre(c.m, p, margine_fine)) return esito_fase::go_on;
  c.registra(15, p);
  return esito_fase::stop_reading;
}

esito_fase leggi_chiavi(contesto& c, lettore_campi& l, salto_commenti salto,
                        const std::function<esito_fase(const std::string& chiave, bool& finita)>& chiave) {
  for (;;) {
    if (l.fine_file()) return esito_fase::go_on;
    bool finita = false;
    const esito_fase e = passo_riga(c, l, [&] {
      const auto alla_fine = [&] {
        if (!l.fine_file()) return false;
        if (c.oss != nullptr) c.oss->ultimo_campo(c, c.m.riga);
        finita = true;
        return true;
      };
      l.azzera_campi();
      c.m.riga = l.leggi_testo();
      if (alla_fine()) return esito_fase::go_on;
      for (int n = 0; n < salto.al_massimo && contiene(c.m.riga, segno_commento); ++n) {
        l.azzera_campi();
        c.m.riga = l.leggi_testo();
        if (salto.fine_file_dopo && alla_fine()) return esito_fase::go_on;
      }
      // A copy: the values the key reads may replace `riga` (a board's text).
      const std::string riga = c.m.riga;
      const esito_fase letta = chiave(riga, finita);
      if (c.oss != nullptr && letta == esito_fase::go_on) c.oss->fine_riga(c);
      return letta;
    });
    if (e == esito_fase::return_now) return e;
    if (e == esito_fase::stop_reading || finita) return esito_fase::go_on;
  }
}

// pendenza|aderenza|velocita, POSITION, VALUE
esito_fase leggi_profilo(contesto& c, lettore_campi& l, profilo& pr, const riga_profilo& r) {
  const std::int32_t p = l.leggi_32(r.campo_posizione);
  const std::int32_t v = l.leggi_32(r.campo_valore);
  if (controlla_posizione(c, p) != esito_fase::go_on) return esito_fase::stop_reading;
  if (c.oss != nullptr) {
    c.oss->posizione(c, 1, p, r.cosa);
    c.oss->cella_profilo(c, 1, p, r.cosa);
    r.rileva_valore(c, v);
  }
  memo_profilo(c.m, pr, cella_profilo(p), v);
  return esito_fase::go_on;
}

luogo_errore memorizza_dati(modello& m, sorgenti& s, osservatore* oss, avanzamento_piano* avanzamento) {
  contesto c{m, s};
  c.oss = oss;
  c.avanzamento = avanzamento;
  // What the reader of a source noticed on its way, told once it is done.
  const auto concludi_sorgente = [&] {
    if (oss != nullptr) oss->concludi_sorgente(c);
  };
  try {
    const esito_fase linea = compila_linea(c);
    concludi_sorgente();
    if (linea != esito_fase::return_now) {
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
