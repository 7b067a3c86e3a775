// The cell work of the compile step: every write into the track cells.
#include "compiler/memo.h"

#include <array>

#include "compiler/numeri.h"
#include "model/accesso.h"
#include "model/misure.h"

namespace scen {

// ---- Kilometric zones -----------------------------------------------------

void progressive_ordina(modello& m) {
  struct zona {
    std::int32_t inizio, fine, posizione;
  };
  auto leggi = [&](int e) { return zona{m.stazioni[e].inizio, m.stazioni[e].fine, m.stazioni[e].posizione}; };
  const zona z0 = leggi(voce::zona_0);
  const zona z1 = leggi(voce::zona_1);
  const zona z2 = leggi(voce::zona_2);
  std::array<zona, 3> r{};

  if (std::int64_t{z0.inizio} + z1.inizio + z2.inizio == 0) {
    // No start positions: the last zone with a positive progressive leads.
    if (z0.fine > 0) r = {z0, z1, z2};
    if (z1.fine > 0) r = {z1, z0, z2};
    if (z2.fine > 0) r = {z2, z1, z0};
  } else if (z0.inizio > z1.inizio && z0.inizio > z2.inizio) {
    r = z1.inizio > z2.inizio ? std::array<zona, 3>{z0, z1, z2} : std::array<zona, 3>{z0, z2, z1};
  } else if (z1.inizio > z0.inizio && z1.inizio > z2.inizio) {
    r = z0.inizio > z2.inizio ? std::array<zona, 3>{z1, z0, z2} : std::array<zona, 3>{z1, z2, z0};
  } else if (z2.inizio > z0.inizio && z2.inizio > z1.inizio) {
    r = z0.inizio > z1.inizio ? std::array<zona, 3>{z2, z0, z1} : std::array<zona, 3>{z2, z1, z0};
  }
  // A tie for the largest start leaves all three zones cleared.

  for (int i = 0; i < 3; ++i) {
    stazione& e = m.stazioni[voce::zona_0 + i];
    e.inizio = r[i].inizio;
    e.fine = r[i].fine;
    e.posizione = r[i].posizione;
    if (e.posizione == 1) e.fine = in_32(std::int64_t{e.fine} + 100, "kilometric progressive");
  }
}

// ---- Profiles ---------------------------------------------------------------

profilo profilo_pendenze() {
  return {&cella::pendenza, [](std::int64_t g) { return basso_8(g + 100); }};
}

profilo profilo_velocita(const modello& m) {
  // A speed whose fifth does not fit the byte is a run-time failure, raised
  // only when a cell would receive it.
  profilo p{&cella::velocita,
            [](std::int64_t kmh) { return in_8(arrotonda(static_cast<double>(kmh) / 5.0), "speed limit (km/h / 5)"); }};
  p.tetto = m.ultima_cella;
  return p;
}

profilo profilo_aderenze() {
  return {&cella::aderenza, [](std::int64_t a) { return basso_8(a); }};
}

namespace {

// The one fill of every profile: at least one cell, then on while the next
// cell is below `fino_a`; never at or past `tetto`.
void riempi(modello& m, profilo& p, std::int64_t fino_a, std::int64_t tetto) {
  do {
    if (p.prossima >= tetto) break;
    const std::uint8_t valore = p.in_cella(p.in_vigore);
    cella_di(m, p.prossima).*p.campo = valore;
    ++p.prossima;
  } while (p.prossima < fino_a);
}

}  // namespace

void memo_profilo(modello& m, profilo& p, std::int64_t fino_a, std::int64_t nuovo) {
  if (fino_a > 0) riempi(m, p, fino_a, p.tetto);
  p.in_vigore = nuovo;
}

void memo_fine_profilo(modello& m, profilo& p, std::int64_t fino_a) {
  // The end fill has no limit of its own: its first cell is written even
  // where the lines' fill stopped.
  riempi(m, p, fino_a, std::numeric_limits<std::int64_t>::max());
}

// ---- The route's features -------------------------------------------------

void memo_montagna(modello& m, std::int32_t& inizio, std::int32_t& fine, std::int32_t& tipo) {
  bool marcatori = false;
  if (tipo > 10) {
    tipo -= 10;
    marcatori = true;
  }
  if (m.n_montagne + 1 >= numero_montagne) throw guasto_esecuzione("more than 80 mountain zones");
  ++m.n_montagne;
  m.inizio_montagne[static_cast<std::size_t>(m.n_montagne)] = inizio;
  m.fine_montagne[static_cast<std::size_t>(m.n_montagne)] = fine;
  if (m.n_montagne > 1 && std::int64_t{inizio} - m.fine_montagne[static_cast<std::size_t>(m.n_montagne - 1)] <= 150) {
    tipo = 3;
  }
  const std::int64_t prima = cella_profilo(inizio);
  const std::int64_t ultima = arrotonda(static_cast<double>(fine) / metri_cella - 1.0);
  std::int64_t conta = 0;
  for (std::int64_t i = prima; i <= ultima; ++i) {
    cella& cl = cella_di(m, i);
    ++conta;
    cl.montagna = basso_8(tipo);
    if (marcatori && conta % 4 == 0 && cl.tipo == tipo_cella::nulla) cl.tipo = tipo_cella::montagna;
  }
}

void memo_indicatori_v_max(modello& m, std::int32_t posizione, std::int32_t vas, std::int32_t vbs, std::int32_t vcs,
                           std::int32_t strisces, std::int32_t vad, std::int32_t vbd, std::int32_t vcd,
                           std::int32_t strisced) {
  cella& cl = cella_di(m, cella_punto(posizione));
  if (!libera(cl)) {
    m.codice_errore = 21;
    return;
  }
  // Each speed value is a real number rounded to the 16-bit field.
  auto velocita = [](std::int32_t d, std::int32_t s) {
    return in_16(arrotonda(static_cast<double>(d) / 5.0 + static_cast<double>(s) * 20.0), "board speed value");
  };
  cl.tipo = tipo_cella::indicatore_v_max;
  cl.valore1 = velocita(vad, vas);
  cl.valore2 = velocita(vbd, vbs);
  cl.valore3 = velocita(vcd, vcs);
  cl.valore4 = basso_16(std::int64_t{basso_16(strisces)} * 10 + basso_16(strisced));
}

void memo_indicazione(modello& m, std::int32_t posizione, const std::string& testo, std::int32_t& voce_testo) {
  cella& cl = cella_di(m, cella_punto(posizione));
  cl.tipo = tipo_cella::indicazione;
  cl.valore1 = in_16(voce_testo, "board text entry");
  if (voce_testo < 1) throw guasto_esecuzione("no entry of the station table left for an indication board text");
  voce_di(m, voce_testo).nome = in_testo(testo, "board text");
  --voce_testo;
}

// ---- The train's features -------------------------------------------------

std::optional<std::int64_t> cella_fine_stazione(std::int32_t fine) {
  const double x = static_cast<double>(fine) / metri_cella - 1;
  if (!(x > 1)) return std::nullopt;
  return arrotonda(x);
}

void memo_avvisi_stazione(modello& m, const stazione& e) {
  for (int j = 1; j <= 4; ++j) {
    const double x = static_cast<double>(e.fine) / metri_cella - j - 1;
    if (x > 1) cella_di(m, arrotonda(x)).avviso = static_cast<std::uint8_t>(80 + j);
  }
}

void memo_fine_stazione(modello& m, std::int64_t indice, std::int32_t voce) {
  cella& fine = cella_di(m, indice);
  fine.tipo = tipo_cella::fine_stazione;
  fine.valore1 = basso_16(voce);
}

void memo_segnale(modello& m, std::int32_t posizione, std::int32_t sx, std::int32_t s1, std::int32_t s2,
                  std::int32_t s3, std::int32_t rapp, std::int32_t dx, std::int32_t d1, std::int32_t d2,
                  std::int32_t d3, std::int32_t& tempo) {
  const std::int64_t c = cella_punto(posizione);
  cella& cl = cella_di(m, c);
  if (!libera(cl)) {
    m.codice_errore = 16;
    return;
  }
  // Cell values are formed on the low 16 bits, in 16-bit arithmetic.
  auto valore = [](std::int32_t a, std::int32_t b) { return basso_16(std::int64_t{basso_16(a)} * 10 + basso_16(b)); };
  cl.tipo = tipo_cella::segnale;
  cl.valore4 = basso_16(std::int64_t{basso_16(rapp)} * 10 + std::int64_t{basso_16(sx)} * 3 + basso_16(dx));
  cl.valore1 = valore(s1, d1);
  cl.valore2 = valore(s2, d2);
  cl.valore3 = valore(s3, d3);
  if (tempo >= 1 && tempo <= 100) tempo = 101;
  cl.tempo = sx == 2 ? basso_8(tempo) : std::uint8_t{0};
  // The approach markers 100, 200, 300 and 400 m before the signal, on the
  // low 8 bits; they are written whatever the cells hold.
  const std::int64_t base = (std::int64_t{basso_8(sx)} * 3 + basso_8(dx)) * 10;
  for (int b = 1; b <= 4; ++b) cella_di(m, c - 2 * b).avviso = basso_8(base + b);
}

celle_rallentamento celle_del_rallentamento(std::int32_t x, std::int32_t l) {
  const double tavola = (static_cast<double>(x) - metri_tavola_avviso) / metri_cella;
  return {x > 1500, arrotonda(tavola + 1.0), cella_punto(x), cella_punto(std::int64_t{x} + l), arrotonda(tavola)};
}

void memo_rallentamento(modello& m, std::int32_t x, std::int32_t v, std::int32_t l, std::int32_t f_tt,
                        std::int32_t f_ta, std::int32_t d_v) {
  const celle_rallentamento k = celle_del_rallentamento(x, l);
  const bool con_avviso = k.con_avviso;
  const std::int64_t w = k.avviso;
  if (con_avviso) {
    if (!libera(cella_di(m, w))) {
      m.codice_errore = 17;
      return;
    }
  } else {
    f_ta = 0;
  }
  const std::int64_t s = k.inizio;
  if (!libera(cella_di(m, s))) {
    m.codice_errore = 18;
    return;
  }
  const std::int64_t e = k.fine;
  if (!libera(cella_di(m, e))) {
    m.codice_errore = 19;
    return;
  }

  cella& fine = cella_di(m, e);
  fine.tipo = tipo_cella::fine_rallentamento;
  if (d_v != 0) fine.valore2 = basso_16(d_v);
  cella& inizio = cella_di(m, s);
  inizio.tipo = tipo_cella::inizio_rallentamento;
  if (d_v != 0) inizio.valore2 = basso_16(d_v);
  if (con_avviso) {
    cella& avviso = cella_di(m, w);
    avviso.tipo = tipo_cella::avviso_rallentamento;
    if (d_v != 0) avviso.valore2 = basso_16(d_v);
    avviso.valore1 = basso_16(v);
  }
  for (cella* cl : {&inizio, &fine}) {
    cl->valore1 = basso_16(v);
    cl->valore3 = basso_16(f_tt);
  }

  // The four cells just before the warning board.
  const std::int64_t a = k.prima;
  if (f_ta != 0) {
    bool occupato = false;
    for (int i = 0; i < 4; ++i) occupato = occupato || !libera(cella_di(m, a - i));
    if (occupato) {
      m.codice_errore = 20;
      return;
    }
    for (int i = 0; i < 4; ++i) {
      cella& cl = cella_di(m, a - i);
      cl.tipo = tipo_cella::prima_avviso;
      cl.valore1 = static_cast<std::int16_t>(i + 1);
      if (d_v != 0) cl.valore2 = static_cast<std::int16_t>(i + 1);
    }
  }
}

void memo_abbattimento(modello& m, std::int32_t posizione, std::int32_t valore) {
  cella& cl = cella_di(m, cella_profilo(posizione));
  if (valore > 0) {
    cl.tipo = tipo_cella::punto_codice;
    cl.valore1 = basso_16(valore);
  } else {
    cl.tipo = tipo_cella::fine_codice;
  }
}

}  // namespace scen
