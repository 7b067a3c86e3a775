// The train half of the compile step: the reading loop and its keyword
// table, the general data, the speed-limit and adhesion profiles, the end
// processing, and the dispatch to stations, signals, slowdowns and codes.
#include <array>

#include "compiler/interno.h"
#include "compiler/memo.h"
#include "compiler/numeri.h"
#include "model/accesso.h"
#include "model/testo.h"

namespace scen {
namespace {

// Running state of one train half.
struct stato_treno {
  std::int64_t indice_velocita = 0;  // next cell to receive a speed limit
  std::int64_t velocita_precedente = 0;
  std::int64_t indice_aderenza = 0;  // next cell to receive an adhesion value
  std::int64_t aderenza_precedente = 0;
  std::int32_t stazione = 1;  // entry for the next station
};

esito_fase controlla_posizione(contesto& c, std::int32_t p) {
  if (!posizione_oltre(c.m, p, 100)) return esito_fase::continua;
  c.registra(15, p);
  return esito_fase::fine_lettura;
}

std::uint8_t velocita_in_cella(std::int64_t kmh) {
  return in_8(arrotonda(static_cast<double>(kmh) / 5.0), "speed limit (km/h / 5)");
}

void scrivi_velocita(modello& m, stato_treno& st) {
  cella_di(m, st.indice_velocita).velocita = velocita_in_cella(st.velocita_precedente);
  ++st.indice_velocita;
}

void scrivi_aderenza(modello& m, stato_treno& st) {
  cella_di(m, st.indice_aderenza).aderenza = basso_8(st.aderenza_precedente);
  ++st.indice_aderenza;
}

// A line's speed is written when the next line arrives: from the fill index
// up to, not including, this line's cell, and never past the last cell.
esito_fase velocita(contesto& c, lettore_campi& l, stato_treno& st) {
  const std::int32_t p = l.leggi_32();
  const std::int32_t v = l.leggi_32();
  if (controlla_posizione(c, p) != esito_fase::continua) return esito_fase::fine_lettura;
  const std::int64_t n = cella_profilo(p);
  if (n > 0) {
    do {
      if (st.indice_velocita >= c.m.ultima_cella) break;
      scrivi_velocita(c.m, st);
    } while (st.indice_velocita < n);
  }
  st.velocita_precedente = v;
  return esito_fase::continua;
}

esito_fase aderenza(contesto& c, lettore_campi& l, stato_treno& st) {
  const std::int32_t p = l.leggi_32();
  const std::int32_t a = l.leggi_32();
  if (controlla_posizione(c, p) != esito_fase::continua) return esito_fase::fine_lettura;
  const std::int64_t n = cella_profilo(p);
  if (n > 0) {
    do {
      scrivi_aderenza(c.m, st);
    } while (st.indice_aderenza < n);
  }
  st.aderenza_precedente = a;
  return esito_fase::continua;
}

esito_fase segnale(contesto& c, lettore_campi& l) {
  std::array<std::int32_t, 11> v{};
  for (auto& x : v) x = l.leggi_32();
  if (controlla_posizione(c, v[0]) != esito_fase::continua) return esito_fase::fine_lettura;
  memo_segnale(c.m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
  // Any code already set stops the train half here, not only this signal's.
  if (c.m.codice_errore > 0) return c.termina(c.m.codice_errore, v[0]);
  return esito_fase::continua;
}

esito_fase rallentamento(contesto& c, lettore_campi& l) {
  std::array<std::int32_t, 6> v{};
  for (auto& x : v) x = l.leggi_32();
  if (controlla_posizione(c, v[0]) != esito_fase::continua) return esito_fase::fine_lettura;
  memo_rallentamento(c.m, v[0], v[1], v[2], v[3], v[4], v[5]);
  if (c.m.codice_errore > 0) return c.termina(c.m.codice_errore, v[0]);
  return esito_fase::continua;
}

// A code line: a code point (value above 0) or a code end, on cell p / 50.
esito_fase abbattimento(contesto& c, lettore_campi& l) {
  const std::int32_t p = l.leggi_32();
  const std::int32_t w = l.leggi_32();
  if (controlla_posizione(c, p) != esito_fase::continua) return esito_fase::fine_lettura;
  cella& cl = cella_di(c.m, cella_profilo(p));
  if (!libera(cl)) return c.termina(7, p);
  if (w > 0) {
    cl.tipo = tipo_cella::punto_codice;
    cl.valore1 = basso_16(w);
  } else {
    cl.tipo = tipo_cella::fine_codice;
  }
  return esito_fase::continua;
}

// Every keyword the field contains triggers its action, in this order.
esito_fase parola_chiave(contesto& c, lettore_campi& l, stato_treno& st, const std::string& chiave) {
  modello& m = c.m;
  esito_fase e = esito_fase::continua;
  if (contiene(chiave, "frenata") && contiene(chiave, "massa")) voce_di(m, voce::dati_generali).inizio = l.leggi_32();
  if (contiene(chiave, "vetture")) voce_di(m, voce::dati_generali).posizione = l.leggi_32();
  if (contiene(chiave, "velocit")) e = velocita(c, l, st);
  if (e != esito_fase::continua) return e;
  if (contiene(chiave, "aderenza")) e = aderenza(c, l, st);
  if (e != esito_fase::continua) return e;
  if (contiene(chiave, "orologio")) {
    stazione& t = voce_di(m, voce::treno);
    t.gruppo_b1 = l.leggi_16();
    t.gruppo_b2 = l.leggi_16();
    t.gruppo_b3 = l.leggi_16();
  }
  if (contiene(chiave, "sabbia")) voce_di(m, voce::treno).gruppo_a1 = l.leggi_16();
  if (contiene(chiave, "segnale")) e = segnale(c, l);
  if (e != esito_fase::continua) return e;
  if (contiene(chiave, "rallentamento")) e = rallentamento(c, l);
  if (e != esito_fase::continua) return e;
  if (contiene(chiave, "abbattimento")) e = abbattimento(c, l);
  if (e != esito_fase::continua) return e;
  if (contiene(chiave, "stazione")) e = compila_stazione(c, st.stazione);
  return e;
}

// Returns `uscita` when a line took its early exit.
esito_fase leggi_righe(contesto& c, lettore_campi& l, stato_treno& st) {
  modello& m = c.m;
  for (;;) {
    if (l.fine_file()) return esito_fase::continua;
    m.riga = l.leggi_testo();
    if (contiene_senza_maiuscole(m.riga, "[generale]")) break;
  }
  for (;;) {
    if (l.fine_file()) return esito_fase::continua;
    m.riga = l.leggi_testo();
    // The file's last field (its "[fine]" line) is never acted upon.
    if (l.fine_file()) return esito_fase::continua;
    for (int n = 0; n < 2 && contiene(m.riga, "-"); ++n) {
      m.riga = l.leggi_testo();
      if (l.fine_file()) return esito_fase::continua;
    }
    const esito_fase e = parola_chiave(c, l, st, minuscole(m.riga));
    if (e == esito_fase::uscita) return e;
    if (e == esito_fase::fine_lettura) return esito_fase::continua;
  }
}

// After the last field or a failed position check: the profiles are carried
// to the end of the track, then the kilometric zones are checked.
void fine_treno(contesto& c, stato_treno& st) {
  modello& m = c.m;
  c.s.elimina_treno();
  const std::int64_t ultima_da_riempire = std::int64_t{m.ultima_cella} - 3;
  do {
    scrivi_velocita(m, st);
  } while (st.indice_velocita <= ultima_da_riempire);
  do {
    scrivi_aderenza(m, st);
  } while (st.indice_aderenza <= ultima_da_riempire);
  for (int e = voce::zona_0; e <= voce::zona_2; ++e) {
    if (m.stazioni[e].inizio % 50 != 0 || m.stazioni[e].fine % 50 != 0) {
      m.codice_errore = 2;
      c.luogo = {};
    }
  }
}

}  // namespace

void compila_treno(contesto& c) {
  c.lettore.reset();
  c.file = luogo_errore::sorgente::treno;
  std::optional<std::string> testo = c.s.leggi_treno();
  if (!testo) throw guasto_esecuzione("the train source cannot be found");
  lettore_campi& l = c.apri(std::move(*testo), luogo_errore::sorgente::treno);
  stato_treno st;
  if (leggi_righe(c, l, st) == esito_fase::uscita) return;
  fine_treno(c, st);
}

}  // namespace scen
