// Station lines: one entry of the station table each and its extent, read
// and checked here; the memo steps write its end marker and approach cells.
#include <fmt/format.h>

#include "compiler/interno.h"
#include "compiler/memo.h"
#include "compiler/numeri.h"
#include "compiler/osservatore.h"
#include "model/accesso.h"
#include "model/misure.h"

namespace scen {
namespace {

// Fields 4 to 13, stored one by one as they are read.
void leggi_attributi(lettore_campi& l, stazione& e) {
  e.opzione1 = l.leggi_8("the station's opzione1");
  e.opzione2 = l.leggi_8("the station's opzione2");
  e.opzione3 = l.leggi_8("the station's opzione3");
  e.gruppo_a1 = l.leggi_16("the station's gruppo_a1");
  e.gruppo_a2 = l.leggi_16("the station's gruppo_a2");
  e.gruppo_a3 = l.leggi_8("the station's gruppo_a3");
  e.gruppo_b1 = l.leggi_16("the station's gruppo_b1");
  e.gruppo_b2 = l.leggi_16("the station's gruppo_b2");
  e.gruppo_b3 = l.leggi_16("the station's gruppo_b3");
  e.sosta = l.leggi_8("the station's sosta");
}

// The station zone: from `inizio` to `fine` metres, by type.
void estensione(stazione& e, std::int64_t p, std::int64_t lunghezza) {
  if (e.tipo == 5 || e.tipo == 6) {
    e.inizio = in_32(p - lunghezza, "station start");
    e.fine = in_32(p + 150, "station end");
    e.opzione3 = 0;
  } else if (e.tipo == 7 || e.tipo == 8) {
    e.inizio = in_32(p - lunghezza, "station start");
    e.fine = in_32(p + lunghezza, "station end");
    e.opzione3 = 0;
  } else {
    const double mezza = static_cast<double>(lunghezza) / 2.0;
    const double estesa = e.opzione3 != 0 ? 50.0 : 0.0;
    e.inizio = in_32(arrotonda(static_cast<double>(p) - mezza), "station start");
    e.fine = in_32(arrotonda(static_cast<double>(p) + mezza + estesa), "station end");
  }
}

// A timetable time is kept in seconds and read back as hours, minutes and
// seconds: minutes or seconds outside 0 to 59 run into the next unit.
void avviso_orario(contesto& c, const std::string& nome, std::int64_t h, std::int64_t m, std::int64_t s) {
  const std::int64_t t = (h * 60 + m) * 60 + s;
  const auto giu = [](std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
  const std::int64_t h2 = giu(t, 3600);
  const std::int64_t m2 = giu(t, 60) - h2 * 60;
  const std::int64_t s2 = t - giu(t, 60) * 60;
  if (h2 == h && m2 == m && s2 == s) return;
  const std::size_t campo = s < 0 || s > 59 ? 16 : 15;
  c.oss->riletto(c, campo, tipo_avviso::orario_riportato,
                 fmt::format("time {}:{:02}:{:02} at station \"{}\"", h, m, s, nome),
                 fmt::format("{}:{:02}:{:02}", h2, m2, s2),
                 "a timetable time is kept in seconds, (h * 60 + m) * 60 + s, so minutes and seconds outside 0 to 59 "
                 "run into the next hour or minute");
}

// opzione2 is kept only from 600 m of length and not on the first station;
// opzione3 not for types 5 to 8 nor on the first station.
void avvisi_opzioni(contesto& c, const stazione& e, std::int32_t k, std::int32_t lunghezza, std::uint8_t opzione2,
                    std::uint8_t opzione3) {
  // The first station's opzione2 is cleared whatever it holds, and the
  // writers put 1 there: any value gives the simulator the same, and a
  // warning would only repeat itself on every source.
  if (e.opzione2 != opzione2 && k != 1) {
    const std::string perche =
        fmt::format("opzione2 is kept only on a station 600 m or longer (this one is {} m)", lunghezza);
    c.oss->riletto(c, 5, tipo_avviso::opzione_azzerata,
                   fmt::format("opzione2 {} at station \"{}\"", int{opzione2}, e.nome), "opzione2 0", perche);
  }
  if (e.opzione3 != opzione3) {
    const std::string perche = k == 1
                                   ? "opzione3 is not kept on the first station"
                                   : fmt::format("opzione3 is not kept on a station of type {} (5 to 8)", int{e.tipo});
    c.oss->riletto(c, 6, tipo_avviso::opzione_azzerata,
                   fmt::format("opzione3 {} at station \"{}\"", int{opzione3}, e.nome), "opzione3 0", perche);
  }
}

// A station within the route whose zone reaches into the 7000 m after it
// (one beyond the route is told by its position).
void avviso_capolinea(contesto& c, const stazione& e, std::int32_t p) {
  const std::int32_t fine_linea = c.m.stazioni[voce::dati_generali].fine;
  if (p > fine_linea || e.fine <= fine_linea) return;
  c.oss->riletto(c, 1, tipo_avviso::capolinea_oltre_fine, fmt::format("station \"{}\" at {} m", e.nome, p),
                 fmt::format("its zone up to {} m, past the route's end at {} m", e.fine, fine_linea),
                 "the zone runs from the station's position by its type and length, and the track goes on 7000 m "
                 "after the route, where no train stops");
}

}  // namespace

// stazione, POSITION, TYPE, LENGTH, OPZIONE1, OPZIONE2, OPZIONE3, GRUPPO_A1, GRUPPO_A2,
//   GRUPPO_A3, GRUPPO_B1, GRUPPO_B2, GRUPPO_B3, SOSTA, HOUR, MINUTE, SECOND, NAME
esito_fase compila_stazione(contesto& c, std::int32_t& k) {
  modello& m = c.m;
  lettore_campi& l = *c.lettore;
  // The entries from `voce_testo` + 1 upward hold the route's board texts;
  // a station never overwrites one.
  if (k > c.voce_testo) return c.termina(10);
  stazione& e = voce_di(m, k);

  e.posizione = l.leggi_32("the station's position");
  const std::int32_t p = e.posizione;
  if (posizione_oltre(m, p, margine_fine_stazione)) {
    c.registra(15, p);
    return esito_fase::stop_reading;
  }
  if (p % metri_cella != 0) return c.termina(8, p);
  e.tipo = l.leggi_8("the station's type");
  const std::int32_t lunghezza = l.leggi_32("the station's length");
  if (lunghezza % 100 != 0) return c.termina(9, p);
  leggi_attributi(l, e);
  const std::int64_t ore = l.leggi_32("the station's hour");
  const std::int64_t minuti = l.leggi_32("the station's minute");
  const std::int64_t secondi = l.leggi_32("the station's second");
  e.orario = in_32((ore * 60 + minuti) * 60 + secondi, "station time");
  m.riga = l.leggi_testo("the station's name");
  e.nome = in_testo(m.riga, "station name");
  if (c.oss != nullptr) {
    c.oss->posizione(c, 1, p, "station");
    c.oss->nome(c, 17, m.riga, "the station's name");
    c.oss->stazione(c, k);
    avviso_orario(c, e.nome, ore, minuti, secondi);
  }

  const std::uint8_t opzione2 = e.opzione2;
  const std::uint8_t opzione3 = e.opzione3;
  estensione(e, p, lunghezza);
  if (lunghezza < lunghezza_minima_opzione2) e.opzione2 = 0;
  if (k == 1) {
    e.opzione3 = 0;
    e.opzione2 = 0;
  }
  if (c.oss != nullptr) {
    avvisi_opzioni(c, e, k, lunghezza, opzione2, opzione3);
    avviso_capolinea(c, e, p);
  }

  // No approach cell lies above cell 1 when the end marker cannot, so the
  // marker's check may come first.
  if (e.tipo < tipo_stazione_senza_marcatore) {
    const std::optional<std::int64_t> marcatore = cella_fine_stazione(e.fine);
    if (!marcatore) return c.termina(24);
    if (e.tipo != 5 && e.tipo != 6) memo_avvisi_stazione(m, e);
    if (c.oss != nullptr) c.oss->marcatore_stazione(c, *marcatore, e.nome);
    memo_fine_stazione(m, *marcatore, k);
  }

  // The spacing is tested once the marks are on the track: a station that
  // fails it leaves them there.
  if (k > 1 && std::int64_t{e.inizio} - distanza_minima_stazioni < m.stazioni[static_cast<std::size_t>(k - 1)].fine) {
    return c.termina(22, p);
  }
  ++k;
  if (k >= c.voce_testo) return c.termina(10);
  return esito_fase::go_on;
}

}  // namespace scen
