// The train half of the compile step: the reading loop and its keyword
// table, the general data, the speed-limit and adhesion profiles, the end
// processing, and the dispatch to stations, signals, slowdowns and codes.
#include <fmt/format.h>

#include <array>

#include "compiler/chiavi.h"
#include "compiler/interno.h"
#include "compiler/memo.h"
#include "compiler/numeri.h"
#include "compiler/osservatore.h"
#include "model/accesso.h"
#include "model/testo.h"

namespace scen {
namespace {

// Running state of one train half. Both profiles start at 0 before their
// first line.
struct stato_treno {
  explicit stato_treno(const modello& m) : velocita(profilo_velocita(m)) {}
  profilo velocita;
  profilo aderenze = profilo_aderenze();
  std::int32_t stazione = 1;  // entry for the next station
};

// A line's speed is written when the next line arrives: from the fill index
// up to, not including, this line's cell, and never past the last cell.
constexpr riga_profilo riga_velocita{"speed limit", "the speed limit's position", "the speed limit",
                                     [](contesto& c, std::int32_t v) {
                                       const std::int64_t quinto = arrotonda(static_cast<double>(v) / 5.0);
                                       if (quinto < 0 || quinto > 255) {
                                         c.oss->velocita_fuori(c);
                                       } else if (quinto * 5 != v) {
                                         c.oss->riletto(c, 2, tipo_avviso::velocita_arrotondata,
                                                        fmt::format("{} km/h", v), fmt::format("{} km/h", quinto * 5),
                                                        "speed limits are stored in steps of 5 km/h (km/h / 5, "
                                                        "rounded)");
                                       }
                                     }};

constexpr riga_profilo riga_aderenza{
    "adhesion", "the adhesion's position", "the adhesion value",
    [](contesto& c, std::int32_t a) { c.oss->valore(c, 2, a, 0, 255, basso_8(a), "adhesion"); }};

// What the simulator reads back of a signal's cell: each pair as one number
// s * 10 + d, read as s = number / 10 and d = number mod 10; the last as
// rapp * 10 + sx * 3 + dx, read as rapp = number / 10, sx and dx from the
// rest, (sx * 3 + dx). A value that does not fit 16 bits is told as such.
void avvisi_cifre_segnale(contesto& c, const std::array<std::int32_t, 11>& v) {
  const auto giu = [](std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
  const auto sedici = [](std::int64_t x) { return x >= -32768 && x <= 32767; };
  static constexpr std::array<const char*, 3> s_nomi{"s1", "s2", "s3"};
  static constexpr std::array<const char*, 3> d_nomi{"d1", "d2", "d3"};
  for (std::size_t i = 0; i < 3; ++i) {
    const std::int64_t s = v[2 + i];
    const std::int64_t d = v[7 + i];
    const std::int64_t n = s * 10 + d;
    if (!sedici(n)) continue;
    const std::int64_t s_letto = giu(n, 10);
    if (s_letto == s && n - s_letto * 10 == d) continue;
    c.oss->riletto(c, 8 + i, tipo_avviso::cifra_segnale, fmt::format("{} {} and {} {}", s_nomi[i], s, d_nomi[i], d),
                   fmt::format("{} {} and {} {}", s_nomi[i], s_letto, d_nomi[i], n - s_letto * 10),
                   fmt::format("the cell keeps both in one number, {} * 10 + {}, so {} must be 0 to 9", s_nomi[i],
                               d_nomi[i], d_nomi[i]));
  }
  const std::int64_t n = std::int64_t{v[5]} * 10 + std::int64_t{v[1]} * 3 + v[6];
  if (!sedici(n)) return;
  const std::int64_t rapp = giu(n, 10);
  const std::int64_t resto = n - rapp * 10;
  if (rapp == v[5] && resto / 3 == v[1] && resto % 3 == v[6]) return;
  c.oss->riletto(c, 7, tipo_avviso::cifra_segnale, fmt::format("rapp {}, sx {} and dx {}", v[5], v[1], v[6]),
                 fmt::format("rapp {}, sx {} and dx {}", rapp, resto / 3, resto % 3),
                 "the cell keeps the three in one number, rapp * 10 + sx * 3 + dx, so dx must be 0 to 2 and "
                 "sx * 3 + dx at most 9");
}

// What the signal's cell keeps of its values: they are formed on the low 16
// (and 8) bits, and `tempo` only counts with sx = 2.
void avvisi_segnale(contesto& c, const std::array<std::int32_t, 11>& v) {
  osservatore& o = *c.oss;
  o.posizione(c, 1, v[0], "signal");
  o.cella_punto(c, 1, v[0], "signal");
  o.contesa(cella_punto(v[0]));
  const auto esatto = [](std::int64_t a, std::int64_t b) { return a * 10 + b; };
  const auto sedici = [](std::int64_t a, std::int64_t b) {
    return basso_16(std::int64_t{basso_16(a)} * 10 + basso_16(b));
  };
  o.valore(c, 3, esatto(v[2], v[7]), -32768, 32767, sedici(v[2], v[7]), "valore1 = s1 * 10 + d1 =");
  o.valore(c, 4, esatto(v[3], v[8]), -32768, 32767, sedici(v[3], v[8]), "valore2 = s2 * 10 + d2 =");
  o.valore(c, 5, esatto(v[4], v[9]), -32768, 32767, sedici(v[4], v[9]), "valore3 = s3 * 10 + d3 =");
  const std::int64_t v4 = std::int64_t{v[5]} * 10 + std::int64_t{v[1]} * 3 + v[6];
  o.valore(c, 6, v4, -32768, 32767,
           basso_16(std::int64_t{basso_16(v[5])} * 10 + std::int64_t{basso_16(v[1])} * 3 + basso_16(v[6])),
           "valore4 = rapp * 10 + sx * 3 + dx =");
  const std::int64_t avviso = (std::int64_t{v[1]} * 3 + v[6]) * 10 + 4;
  o.valore(c, 2, avviso, 0, 255, basso_8((std::int64_t{basso_8(v[1])} * 3 + basso_8(v[6])) * 10 + 4),
           "the approach marker (sx * 3 + dx) * 10 + 4 =");
  const std::int64_t tempo = v[10] >= 1 && v[10] <= 100 ? 101 : v[10];
  avvisi_cifre_segnale(c, v);
  if (v[1] == 2) {
    if (tempo != v[10]) {
      o.riletto(c, 11, tipo_avviso::tempo_alzato, fmt::format("tempo {}", v[10]), "tempo 101",
                "a signal's time from 1 to 100 is raised to 101");
    }
    o.valore(c, 11, tempo, 0, 255, basso_8(tempo), "tempo");
  } else if (v[10] != 0) {
    o.avviso(c, 11, tipo_avviso::tempo_ignorato,
             fmt::format("tempo {} is kept only for a signal with sx = 2; this one (sx = {}) stores 0", v[10], v[1]));
  }
}

// segnale, POSIZIONE, SX, S1, S2, S3, RAPP, DX, D1, D2, D3, TEMPO
esito_fase segnale(contesto& c, lettore_campi& l) {
  static constexpr std::array<const char*, 11> nomi{
      "the signal's position", "sx", "s1", "s2", "s3", "rapp", "dx", "d1", "d2", "d3", "tempo"};
  std::array<std::int32_t, 11> v{};
  for (std::size_t i = 0; i < v.size(); ++i) v[i] = l.leggi_32(nomi[i]);
  if (controlla_posizione(c, v[0]) != esito_fase::go_on) return esito_fase::stop_reading;
  if (c.oss != nullptr) avvisi_segnale(c, v);
  memo_segnale(c.m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
  // Any code already set stops the train half here, not only this signal's.
  if (c.m.codice_errore > 0) return c.termina(c.m.codice_errore, v[0]);
  if (c.oss != nullptr) c.oss->posa(c, cella_punto(v[0]), fmt::format("signal at {} m", v[0]));
  return esito_fase::go_on;
}

std::int64_t cella_contesa_rallentamento(const modello& m, const std::array<std::int32_t, 6>& v) {
  const celle_rallentamento k = celle_del_rallentamento(v[0], v[2]);
  switch (m.codice_errore) {
    case 17:
      return k.avviso;
    case 18:
      return k.inizio;
    case 19:
      return k.fine;
    case 20:
      for (int i = 0; i < 4; ++i) {
        if (!libera(cella_di(m, k.prima - i))) return k.prima - i;
      }
      break;
    default:
      break;
  }
  return -1;
}

void avvisi_rallentamento(contesto& c, const std::array<std::int32_t, 6>& v) {
  osservatore& o = *c.oss;
  o.posizione(c, 1, v[0], "slowdown");
  o.cella_punto(c, 1, v[0], "slowdown start");
  const std::int64_t fine = std::int64_t{v[0]} + v[2];
  if (fine % 50 != 0 && v[0] % 50 == 0) {
    const std::int64_t metri = (cella_punto(fine) - 1) * 50;
    o.avviso(c, 3, tipo_avviso::posizione_arrotondata,
             fmt::format("the slowdown's end at {} m is placed on cell {}, which stands for {} m: positions are kept "
                         "in steps of 50 m",
                         fine, cella_punto(fine), metri),
             std::to_string(metri - v[0]));
  }
  if (v[2] < 0) {
    o.riletto(c, 3, tipo_avviso::lunghezza_negativa, fmt::format("a slowdown {} m long", v[2]),
              fmt::format("its end {} m before its start", -std::int64_t{v[2]}),
              "the end stands at start + length, and the slowdown runs from its start to its end");
  }
  o.valore(c, 2, v[1], -32768, 32767, basso_16(v[1]), "the slowdown's speed");
  o.valore(c, 4, v[3], -32768, 32767, basso_16(v[3]), "f_tt");
  o.valore(c, 6, v[5], -32768, 32767, basso_16(v[5]), "d_v");
  const celle_rallentamento k = celle_del_rallentamento(v[0], v[2]);
  if (!k.con_avviso && v[4] != 0) {
    o.avviso(c, 5, tipo_avviso::rallentamento_senza_avviso,
             fmt::format("a slowdown at {} m (1500 m or less) has no warning board, so f_ta = {} places no cells "
                         "before it",
                         v[0], v[4]));
  }
  if (k.inizio == k.fine) {
    o.avviso(c, 3, tipo_avviso::fine_sulla_partenza,
             fmt::format("the slowdown's end falls on its start cell {} (length {} m): the cell keeps only the start",
                         k.inizio, v[2]));
  }
  o.rallentamento(c, v[0], v[2]);
}

void posa_rallentamento(contesto& c, const std::array<std::int32_t, 6>& v) {
  const celle_rallentamento k = celle_del_rallentamento(v[0], v[2]);
  osservatore& o = *c.oss;
  o.posa(c, k.fine, fmt::format("end of the slowdown at {} m", v[0]));
  o.posa(c, k.inizio, fmt::format("start of the slowdown at {} m", v[0]));
  if (k.con_avviso) {
    o.posa(c, k.avviso, fmt::format("warning board of the slowdown at {} m", v[0]));
    if (v[4] != 0) {
      for (int i = 0; i < 4; ++i)
        o.posa(c, k.prima - i, fmt::format("cell before the warning board of the slowdown at {} m", v[0]));
    }
  }
}

// rallentamento, X, V, L, F_TT, F_TA, D_V
esito_fase rallentamento(contesto& c, lettore_campi& l) {
  static constexpr std::array<const char*, 6> nomi{
      "the slowdown's start", "the slowdown's speed", "the slowdown's length", "f_tt", "f_ta", "d_v"};
  std::array<std::int32_t, 6> v{};
  for (std::size_t i = 0; i < v.size(); ++i) v[i] = l.leggi_32(nomi[i]);
  if (controlla_posizione(c, v[0]) != esito_fase::go_on) return esito_fase::stop_reading;
  if (c.oss != nullptr) avvisi_rallentamento(c, v);
  memo_rallentamento(c.m, v[0], v[1], v[2], v[3], v[4], v[5]);
  if (c.oss != nullptr && c.m.codice_errore > 0) c.oss->contesa(cella_contesa_rallentamento(c.m, v));
  if (c.m.codice_errore > 0) return c.termina(c.m.codice_errore, v[0]);
  if (c.oss != nullptr) posa_rallentamento(c, v);
  return esito_fase::go_on;
}

// abbattimento, POSITION, VALUE
// A code point (value above 0) or a code end, on cell p / 50.
esito_fase abbattimento(contesto& c, lettore_campi& l) {
  const std::int32_t p = l.leggi_32("the code line's position");
  const std::int32_t w = l.leggi_32("the code value");
  if (controlla_posizione(c, p) != esito_fase::go_on) return esito_fase::stop_reading;
  if (c.oss != nullptr) {
    c.oss->posizione(c, 1, p, "code line");
    c.oss->cella_profilo(c, 1, p, "code line");
    c.oss->valore(c, 2, w, -32768, 32767, basso_16(w), "code value");
    c.oss->contesa(cella_profilo(p));
  }
  if (!libera(cella_di(c.m, cella_profilo(p)))) return c.termina(7, p);
  if (c.oss != nullptr) c.oss->posa(c, cella_profilo(p), fmt::format("code line at {} m", p));
  memo_abbattimento(c.m, p, w);
  return esito_fase::go_on;
}

// numero vetture, CARS | percentuale massa frenata, PERCENT | sabbia, SAND |
// orologio, HOURS MINUTES SECONDS | aderenza, POSITION, VALUE | velocita, POSITION, KMH |
// stazione, ... (see compila_stazione) | rallentamento, ... | segnale, ... | abbattimento, ...
// Every keyword the field contains triggers its action, in this order.
esito_fase parola_chiave(contesto& c, lettore_campi& l, stato_treno& st, const std::string& riga) {
  modello& m = c.m;
  const chiave_letta k(riga);
  if (c.oss != nullptr) c.oss->chiave(c, parte_sorgente::treno, k, sembra_intestazione(riga));
  esito_fase e = esito_fase::go_on;
  if (prende(k, chiave::massa_frenata)) {
    voce_di(m, voce::dati_generali).inizio = l.leggi_32("the braked-mass percentage");
  }
  if (prende(k, chiave::vetture)) voce_di(m, voce::dati_generali).posizione = l.leggi_32("the number of cars");
  if (prende(k, chiave::velocita)) e = leggi_profilo(c, l, st.velocita, riga_velocita);
  if (e != esito_fase::go_on) return e;
  if (prende(k, chiave::aderenza)) e = leggi_profilo(c, l, st.aderenze, riga_aderenza);
  if (e != esito_fase::go_on) return e;
  if (prende(k, chiave::orologio)) {
    stazione& t = voce_di(m, voce::treno);
    t.gruppo_b1 = l.leggi_16("the clock's hours");
    t.gruppo_b2 = l.leggi_16("the clock's minutes");
    t.gruppo_b3 = l.leggi_16("the clock's seconds");
  }
  if (prende(k, chiave::sabbia)) voce_di(m, voce::treno).gruppo_a1 = l.leggi_16("the sand quantity");
  if (prende(k, chiave::segnale)) e = segnale(c, l);
  if (e != esito_fase::go_on) return e;
  if (prende(k, chiave::rallentamento)) e = rallentamento(c, l);
  if (e != esito_fase::go_on) return e;
  if (prende(k, chiave::abbattimento)) e = abbattimento(c, l);
  if (e != esito_fase::go_on) return e;
  if (prende(k, chiave::stazione)) e = compila_stazione(c, st.stazione);
  return e;
}

// Returns `return_now` when a line took its early exit.
esito_fase leggi_righe(contesto& c, lettore_campi& l, stato_treno& st) {
  modello& m = c.m;
  for (;;) {
    if (l.fine_file()) {
      if (c.oss != nullptr) c.oss->treno_senza_generale(c);
      return esito_fase::go_on;
    }
    l.azzera_campi();
    m.riga = l.leggi_testo();
    if (contiene_senza_maiuscole(m.riga, inizio_sorgente)) break;
  }
  return leggi_chiavi(c, l, commenti_righe,
                      [&](const std::string& riga, bool&) { return parola_chiave(c, l, st, riga); });
}

// After the last field or a failed position check: the profiles are carried
// to the end of the track, then the kilometric zones are checked.
void fine_treno(contesto& c, stato_treno& st) {
  modello& m = c.m;
  c.s.elimina_treno();
  // Up to and including cell ultima_cella - 3.
  memo_fine_profilo(m, st.velocita, std::int64_t{m.ultima_cella} - 2);
  memo_fine_profilo(m, st.aderenze, std::int64_t{m.ultima_cella} - 2);
  bool zona_errata = false;
  for (int e = voce::zona_0; e <= voce::zona_2; ++e) {
    if (m.stazioni[e].inizio % 50 != 0 || m.stazioni[e].fine % 50 != 0) {
      m.codice_errore = 2;
      c.luogo = {};
      zona_errata = true;
    }
  }
  if (zona_errata && c.oss != nullptr) c.oss->errore(c, 2);
}

}  // namespace

void compila_treno(contesto& c) {
  c.lettore.reset();
  c.file = luogo_errore::sorgente::treno;
  std::optional<std::string> testo = c.s.leggi_treno();
  if (!testo) throw guasto_esecuzione("the train source cannot be found");
  lettore_campi& l = c.apri(std::move(*testo), luogo_errore::sorgente::treno);
  stato_treno st(c.m);
  if (leggi_righe(c, l, st) == esito_fase::return_now) return;
  fine_treno(c, st);
}

}  // namespace scen
