// The route half of the compile step: the general section, the ordering of
// the kilometric zones, the section part (gradients, curves, mountain zones,
// boards) and the completion of gradients and plan view.
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <optional>

#include "compiler/chiavi.h"
#include "compiler/interno.h"
#include "compiler/memo.h"
#include "compiler/numeri.h"
#include "compiler/osservatore.h"
#include "model/accesso.h"
#include "model/testo.h"

namespace scen {
namespace {

constexpr std::int64_t ultimo_metro_piano = 1000000;

// Working state of the section part; none of it outlives the route half.
struct stato_sezioni {
  profilo pendenze = profilo_pendenze();
  std::int64_t k = 2;  // next plan-view metre
  avanzamento_piano* avanzamento = nullptr;
};

// How many metres the plan view advances between two reports of its
// progress: often enough that a writer following it is never far behind.
constexpr std::int64_t metri_per_resoconto = std::int64_t{1} << 16;

// lunghezza percorso, LENGTH
// Sizes the track cells and the plan view. A length that leaves fewer than
// two cells fails before anything is stored.
esito_fase lunghezza(contesto& c, lettore_campi& l) {
  modello& m = c.m;
  const std::int32_t lunghezza = l.leggi_32("the route length");
  if (lunghezza > lunghezza_massima) return c.termina(1);
  const std::optional<misure_percorso> misure = misure_da_lunghezza(lunghezza);
  if (!misure) throw guasto_esecuzione("the route is too short for a track (fewer than two cells)");
  voce_di(m, voce::dati_generali).fine = lunghezza;
  m.lunghezza_totale = misure->lunghezza_totale;
  m.ultima_cella = misure->ultima_cella;
  m.percorso.emplace(static_cast<std::size_t>(misure->ultima_cella) + 1);
  m.planimetria.reset();
  if (m.scrivi_linea != 0) m.planimetria.emplace(m.lunghezza_totale);
  return esito_fase::go_on;
}

// progressiva chilometrica uno|due|tre, START, PROGRESSIVE, FLAG
void tre_numeri(contesto& c, lettore_campi& l, std::int32_t quale) {
  stazione& voce = voce_di(c.m, quale);
  voce.inizio = l.leggi_32("the kilometric zone's start");
  voce.fine = l.leggi_32("the kilometric progressive");
  voce.posizione = l.leggi_32("the kilometric zone's flag");
  if (c.oss != nullptr) c.oss->zona(c, quale);
}

// ripetizione segnali 4|9 codici, START, END
esito_fase ripetizione(contesto& c, lettore_campi& l, const std::string& chiave) {
  stazione& voce = voce_di(c.m, voce::treno);
  voce.inizio = l.leggi_32("the repetition start");
  voce.fine = l.leggi_32("the repetition end");
  if (voce.inizio % metri_cella != 0) return c.termina(3);
  if (voce.fine % metri_cella != 0) return c.termina(4);
  const std::optional<std::int32_t> codici = codici_ripetizione(chiave);
  if (!codici) return c.termina(5);
  voce.posizione = *codici;
  if (voce.fine == 0) voce.posizione = 0;
  if (c.oss != nullptr) c.oss->ripetizione(c, voce.inizio, voce.fine);
  return esito_fase::go_on;
}

// lunghezza percorso, ... | progressiva chilometrica uno|due|tre, ... | sfondo uno|due|tre, VALUE |
// ripetizione segnali 4|9 codici, ...
// One key of the general section; every rule that the key passes reads its own values.
esito_fase chiave_generale(contesto& c, lettore_campi& l, const std::string& riga) {
  modello& m = c.m;
  const chiave_letta k(riga);
  if (c.oss != nullptr) c.oss->chiave(c, parte_sorgente::generale, k, chiude_generale(riga));
  if (prende(k, chiave::lunghezza_percorso)) {
    if (lunghezza(c, l) == esito_fase::return_now) return esito_fase::return_now;
  }
  if (prende(k, chiave::progressiva_tre)) tre_numeri(c, l, voce::zona_0);
  if (prende(k, chiave::progressiva_due)) tre_numeri(c, l, voce::zona_1);
  if (prende(k, chiave::progressiva_uno)) tre_numeri(c, l, voce::zona_2);
  if (prende(k, chiave::sfondo_uno)) voce_di(m, voce::linea).inizio = l.leggi_32("sfondo uno");
  if (prende(k, chiave::sfondo_due)) voce_di(m, voce::linea).posizione = l.leggi_32("sfondo due");
  if (prende(k, chiave::sfondo_tre)) voce_di(m, voce::linea).fine = l.leggi_32("sfondo tre");
  if (prende(k, chiave::ripetizione_segnali)) {
    if (ripetizione(c, l, riga) == esito_fase::return_now) return esito_fase::return_now;
  }
  return esito_fase::go_on;
}

esito_fase sezione_generale(contesto& c, lettore_campi& l) {
  return leggi_chiavi(c, l, commenti_generale, [&](const std::string& riga, bool& finita) {
    if (chiave_generale(c, l, riga) == esito_fase::return_now) return esito_fase::return_now;
    finita = chiude_generale(riga);
    return esito_fase::go_on;
  });
}

// ---- Section part -------------------------------------------------------

constexpr riga_profilo riga_pendenza{
    "gradient", "the gradient's position", "the gradient", [](contesto& c, std::int32_t g) {
      c.oss->valore(c, 2, g, -100, 155, std::int64_t{basso_8(std::int64_t{g} + 100)} - 100, "gradient");
    }};

struct punto {
  double x;
  double y;
};

punto leggi_punto(modello& m, std::int64_t metro) {
  const piano& p = piano_al_metro(m, metro, 0);
  return {p.numero(static_cast<std::int32_t>(metro), 0), p.numero(static_cast<std::int32_t>(metro), 1)};
}

void scrivi_punto(modello& m, std::int64_t metro, punto v) {
  piano& p = piano_al_metro(m, metro, 0);
  p.poni_reale(static_cast<std::int32_t>(metro), 0, v.x);
  p.poni_reale(static_cast<std::int32_t>(metro), 1, v.y);
}

// Next metre of the plan view: straight on (c = 0) or turning by curvature c.
// Both differences are taken before the point is written; the step is not
// renormalised. Evaluated left to right, with no fused multiply-add.
void avanza_piano(modello& m, std::int64_t k, double curvatura) {
  const punto a = leggi_punto(m, k - 1);
  const punto b = leggi_punto(m, k - 2);
  const double dx = a.x - b.x;
  const double dy = a.y - b.y;
  if (curvatura == 0.0) {
    scrivi_punto(m, k, {a.x + dx, a.y + dy});
  } else {
    scrivi_punto(m, k, {(a.x + dx) + (dy * curvatura), (a.y + dy) - (dx * curvatura)});
  }
}

// The same metres as avanza_piano, from `st.k` up to `fino_a`, in one pass
// that keeps the last two points at hand instead of reading them back: the
// longest route has a million metres. Only metres inside the plan view are
// computed here, and their progress reported; `st.k` is left at the next
// metre, from which the caller's checked metre-by-metre loop goes on (and
// fails where it must).
void avanza_piano_fino_a(modello& m, stato_sezioni& st, std::int64_t fino_a, double curvatura) {
  if (!m.planimetria || st.k < 2) return;
  piano& p = *m.planimetria;
  const std::int64_t ultimo = std::min<std::int64_t>(fino_a, p.ultimo_metro());
  std::int64_t k = st.k;
  if (k > ultimo) return;
  const auto metro = [](std::int64_t x) { return static_cast<std::int32_t>(x); };
  punto b{p.numero(metro(k - 2), 0), p.numero(metro(k - 2), 1)};
  punto a{p.numero(metro(k - 1), 0), p.numero(metro(k - 1), 1)};
  while (k <= ultimo) {
    const std::int64_t fine_tratto = std::min(ultimo, k + metri_per_resoconto - 1);
    for (; k <= fine_tratto; ++k) {
      const double dx = a.x - b.x;
      const double dy = a.y - b.y;
      const punto nuovo = curvatura == 0.0 ? punto{a.x + dx, a.y + dy}
                                           : punto{(a.x + dx) + (dy * curvatura), (a.y + dy) - (dx * curvatura)};
      p.poni_reale(metro(k), 0, nuovo.x);
      p.poni_reale(metro(k), 1, nuovo.y);
      b = a;
      a = nuovo;
    }
    if (st.avanzamento != nullptr) st.avanzamento->metri_pronti(p, k);
  }
  st.k = k;
}

// curvaHD, START, LENGTH   (H the hand, d or s; D the curvature digit, 1 to 6)
esito_fase curva(contesto& c, lettore_campi& l, stato_sezioni& st, const std::string& riga) {
  const std::int32_t s = l.leggi_32("the curve's start");
  const std::int32_t n = l.leggi_32("the curve's length");
  if (controlla_posizione(c, s) != esito_fase::go_on) return esito_fase::stop_reading;
  if (c.oss != nullptr) {
    c.oss->posizione(c, 1, s, "curve");
    if (st.k > 2 && s < st.k - 1) {
      c.oss->avviso(c, 1, tipo_avviso::curva_sovrapposta,
                    fmt::format("curve at {} m starts before the line drawn so far ends (at {} m): only its part "
                                "after {} m turns",
                                s, st.k - 1, st.k - 1));
    }
    if (n < 0) {
      c.oss->riletto(c, 2, tipo_avviso::lunghezza_negativa, fmt::format("a curve {} m long", n), "a straight line",
                     "a curve turns over the metres after its start, and a negative length has none");
    }
  }
  std::optional<double> curvatura = curvatura_della_chiave(riga);
  if (!curvatura) return c.termina(103);
  if (curva_a_sinistra(chiave_letta(riga))) curvatura = -*curvatura;

  // Metres below the metre limit go in one pass; any left fail one by one.
  avanza_piano_fino_a(c.m, st, std::min<std::int64_t>(s, ultimo_metro_piano - 1), 0.0);
  while (st.k <= s) {
    avanza_piano(c.m, st.k, 0.0);
    if (++st.k > ultimo_metro_piano) return c.termina(103);
  }
  const std::int64_t fine = std::int64_t{s} + n;
  avanza_piano_fino_a(c.m, st, std::min(fine, ultimo_metro_piano - 1), *curvatura);
  while (st.k <= fine) {
    avanza_piano(c.m, st.k, *curvatura);
    if (++st.k > ultimo_metro_piano) return c.termina(103);
  }
  return esito_fase::go_on;
}

// What the simulator gets of a mountain zone: its ends on 50 m cells, and
// landscape type 3 when it starts 150 m or less after the previous zone's end.
void avvisi_montagna(contesto& c, std::int32_t inizio, std::int32_t fine, std::int64_t tipo) {
  osservatore& o = *c.oss;
  const std::int64_t prima = cella_profilo(inizio);
  const std::int64_t ultima = arrotonda(static_cast<double>(fine) / metri_cella - 1.0);
  const auto metri = [](std::int64_t m) { return fmt::format("{} m", m); };
  if (inizio % metri_cella != 0) {
    o.riletto(c, 1, tipo_avviso::profilo_arrotondato, "a mountain zone starting at " + metri(inizio),
              "one starting at " + metri(prima * metri_cella),
              "a zone covers whole 50 m cells, from start / 50 (rounded)");
  }
  if (fine % metri_cella != 0 && fine > inizio) {
    o.riletto(c, 2, tipo_avviso::profilo_arrotondato, "a mountain zone ending at " + metri(fine),
              "one ending at " + metri((ultima + 1) * metri_cella),
              "a zone covers whole 50 m cells, up to end / 50 - 1 (rounded)");
  }
  const modello& m = c.m;
  if (m.n_montagne >= 1 && std::int64_t{inizio} - m.fine_montagne[static_cast<std::size_t>(m.n_montagne)] <= 150 &&
      tipo != 3) {
    o.riletto(c, 3, tipo_avviso::paesaggio_forzato, fmt::format("landscape type {}", tipo), "landscape type 3",
              fmt::format("the zone starts 150 m or less after the previous zone's end ({} m)",
                          m.fine_montagne[static_cast<std::size_t>(m.n_montagne)]));
  }
}

// montagna, START, END, TYPE
esito_fase montagna(contesto& c, lettore_campi& l) {
  std::int32_t inizio = l.leggi_32("the mountain zone's start");
  std::int32_t fine = l.leggi_32("the mountain zone's end");
  std::int32_t tipo = l.leggi_32("the landscape type");
  if (controlla_posizione(c, inizio) != esito_fase::go_on) return esito_fase::stop_reading;
  if (c.oss != nullptr) {
    c.oss->posizione(c, 1, inizio, "mountain zone");
    const std::int64_t t = tipo > 10 ? std::int64_t{tipo} - 10 : tipo;
    c.oss->valore(c, 3, t, 0, 255, basso_8(t), "landscape type");
    if (fine <= inizio)
      c.oss->avviso(c, 2, tipo_avviso::montagna_vuota,
                    fmt::format("mountain zone ends at {} m, not after its start: it covers no cell", fine));
    avvisi_montagna(c, inizio, fine, t);
  }
  memo_montagna(c.m, inizio, fine, tipo);
  return esito_fase::go_on;
}

// What the simulator reads back of a maximum-speed board: each pair of
// speeds is one number vd / 5 + vs * 20 (rounded), read as vs = number / 20
// and vd = (number mod 20) * 5; the stripes are strisces * 10 + strisced.
void avvisi_cartello(contesto& c, const std::array<std::int32_t, 9>& v) {
  static constexpr std::array<std::array<const char*, 2>, 3> nomi{{{"vas", "vad"}, {"vbs", "vbd"}, {"vcs", "vcd"}}};
  const auto giu = [](std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
  for (std::size_t g = 0; g < 3; ++g) {
    const std::int64_t s = v[1 + g];
    const std::int64_t d = v[5 + g];
    const std::int64_t n = arrotonda(static_cast<double>(d) / 5.0 + static_cast<double>(s) * 20.0);
    if (n < -32768 || n > 32767) continue;  // not stored: a run-time failure
    const std::int64_t s_letto = giu(n, 20);
    const std::int64_t d_letto = (n - s_letto * 20) * 5;
    if (s_letto == s && d_letto == d) continue;
    c.oss->riletto(c, 6 + g, tipo_avviso::cartello_fuori_gruppo,
                   fmt::format("{} {} km/h and {} {} km/h", nomi[g][0], s, nomi[g][1], d),
                   fmt::format("{} {} km/h and {} {} km/h", nomi[g][0], s_letto, nomi[g][1], d_letto),
                   fmt::format("the board keeps both in one number, {} / 5 + {} * 20, so a second-group speed must be "
                               "a multiple of 5 from 0 to 95 km/h",
                               nomi[g][1], nomi[g][0]));
  }
  const std::int64_t strisce = std::int64_t{v[4]} * 10 + v[8];
  const auto sedici = [](std::int64_t x) { return x >= -32768 && x <= 32767; };
  if (!sedici(strisce) || !sedici(v[4]) || !sedici(v[8])) return;  // told as low bits
  const std::int64_t s_letto = giu(strisce, 10);
  if (s_letto != v[4] || strisce - s_letto * 10 != v[8]) {
    c.oss->riletto(c, 9, tipo_avviso::cartello_fuori_gruppo, fmt::format("strisces {} and strisced {}", v[4], v[8]),
                   fmt::format("strisces {} and strisced {}", s_letto, strisce - s_letto * 10),
                   "the board keeps both in one number, strisces * 10 + strisced, so strisced must be 0 to 9");
  }
}

// indicatori_vmax, POSIZIONE, VAS, VBS, VCS, STRISCES, VAD, VBD, VCD, STRISCED
esito_fase indicatore_v_max(contesto& c, lettore_campi& l) {
  static constexpr std::array<const char*, 9> nomi{
      "the board's position", "vas", "vbs", "vcs", "strisces", "vad", "vbd", "vcd", "strisced"};
  std::array<std::int32_t, 9> v{};
  for (std::size_t i = 0; i < v.size(); ++i) v[i] = l.leggi_32(nomi[i]);
  if (controlla_posizione(c, v[0]) != esito_fase::go_on) return esito_fase::stop_reading;
  if (c.oss != nullptr) {
    c.oss->posizione(c, 1, v[0], "maximum-speed board");
    c.oss->cella_punto(c, 1, v[0], "maximum-speed board");
    c.oss->contesa(cella_punto(v[0]));
    const std::int64_t strisce = std::int64_t{basso_16(v[4])} * 10 + basso_16(v[8]);
    c.oss->valore(c, 5, strisce, -32768, 32767, basso_16(strisce), "the stripes value strisces * 10 + strisced");
    c.oss->valore(c, 5, v[4], -32768, 32767, basso_16(v[4]), "strisces");
    c.oss->valore(c, 9, v[8], -32768, 32767, basso_16(v[8]), "strisced");
    avvisi_cartello(c, v);
  }
  memo_indicatori_v_max(c.m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
  if (c.m.codice_errore > 0) return c.termina(c.m.codice_errore, v[0]);
  if (c.oss != nullptr) c.oss->posa(c, cella_punto(v[0]), fmt::format("maximum-speed board at {} m", v[0]));
  return esito_fase::go_on;
}

// cartello indicazione, POSITION, TEXT
esito_fase cartello_indicazione(contesto& c, lettore_campi& l) {
  modello& m = c.m;
  const std::int32_t p = l.leggi_32("the board's position");
  m.riga = l.leggi_testo("the board's text");
  if (controlla_posizione(c, p) != esito_fase::go_on) return esito_fase::stop_reading;
  if (c.oss != nullptr) {
    c.oss->posizione(c, 1, p, "indication board");
    c.oss->cella_punto(c, 1, p, "indication board");
    c.oss->nome(c, 2, m.riga, "the board's text");
    c.oss->contesa(cella_punto(p));
  }
  if (!libera(cella_di(m, cella_punto(p)))) return c.termina(6, p);
  if (c.oss != nullptr) c.oss->posa(c, cella_punto(p), fmt::format("indication board at {} m", p));
  memo_indicazione(m, p, m.riga, c.voce_testo);
  return esito_fase::go_on;
}

// One key of the section part; every rule it passes reads its own values.
esito_fase chiave_sezione(contesto& c, lettore_campi& l, stato_sezioni& st, const std::string& riga) {
  const chiave_letta k(riga);
  if (c.oss != nullptr) c.oss->chiave(c, parte_sorgente::sezioni, k, chiude_generale(riga));
  esito_fase e = esito_fase::go_on;
  if (prende(k, chiave::pendenza)) e = leggi_profilo(c, l, st.pendenze, riga_pendenza);
  if (e != esito_fase::go_on) return e;
  if (prende(k, chiave::curva) && c.m.scrivi_linea != 0) e = curva(c, l, st, riga);
  if (e != esito_fase::go_on) return e;
  if (prende(k, chiave::montagna)) e = montagna(c, l);
  if (e != esito_fase::go_on) return e;
  if (prende(k, chiave::indicatori_v_max)) e = indicatore_v_max(c, l);
  if (e != esito_fase::go_on) return e;
  if (prende(k, chiave::cartello_indicatore)) e = cartello_indicazione(c, l);
  return e;
}

esito_fase sezioni(contesto& c, lettore_campi& l, stato_sezioni& st) {
  return leggi_chiavi(c, l, commenti_righe,
                      [&](const std::string& riga, bool&) { return chiave_sezione(c, l, st, riga); });
}

void inizia_piano(modello& m) {
  piano_al_metro(m, 0, 0).poni_intero(0, 0, 0);
  piano_al_metro(m, 0, 1).poni_intero(0, 1, 0);
  piano_al_metro(m, 1, 0).poni_intero(1, 0, 0);
  piano_al_metro(m, 1, 1).poni_intero(1, 1, 1);
}

// Gradients carried to the end of the track, the plan view straight on to
// its end. The last three cells and the last two metres are not filled.
void completa(modello& m, stato_sezioni& st) {
  memo_fine_profilo(m, st.pendenze, std::int64_t{m.ultima_cella} - 2);
  if (m.scrivi_linea != 0) {
    avanza_piano_fino_a(m, st, std::int64_t{m.lunghezza_totale} - 2, 0.0);
    for (; st.k <= std::int64_t{m.lunghezza_totale} - 2; ++st.k) avanza_piano(m, st.k, 0.0);
  }
}

}  // namespace

esito_fase compila_linea(contesto& c) {
  modello& m = c.m;
  voce_di(m, voce::linea).nome = m.nome_linea;
  voce_di(m, voce::treno).nome = m.nome_treno;

  std::optional<std::string> testo = c.s.leggi_linea();
  if (!testo) {
    c.registra(101);
    return esito_fase::return_now;
  }
  lettore_campi& l = c.apri(*testo, luogo_errore::sorgente::linea);

  // Everything before the first field holding "[generale]" is skipped.
  for (;;) {
    if (l.fine_file()) return c.termina(102);
    l.azzera_campi();
    m.riga = l.leggi_testo();
    if (l.fine_file()) return c.termina(102);
    if (contiene_senza_maiuscole(m.riga, inizio_sorgente)) break;
  }

  if (sezione_generale(c, l) == esito_fase::return_now) return esito_fase::return_now;
  std::array<std::array<std::int32_t, 3>, 3> zone_scritte{};
  for (std::size_t i = 0; i < 3; ++i) {
    const stazione& z = m.stazioni[static_cast<std::size_t>(voce::zona_0) + i];
    zone_scritte[i] = {z.inizio, z.fine, z.posizione};
  }
  progressive_ordina(m);
  if (c.oss != nullptr) c.oss->zone_ordinate(c, zone_scritte);
  m.n_montagne = 0;

  stato_sezioni st;
  st.avanzamento = c.avanzamento;
  if (m.scrivi_linea != 0) inizia_piano(m);
  if (sezioni(c, l, st) == esito_fase::return_now) return esito_fase::return_now;

  c.s.elimina_linea();
  completa(m, st);
  return esito_fase::go_on;
}

}  // namespace scen
