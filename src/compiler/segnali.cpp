// Signals and slowdowns: the point features of the train source that the
// cab-signal code pass works from.
#include "compiler/memo.h"
#include "compiler/numeri.h"
#include "model/accesso.h"

namespace scen {

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
  auto valore = [](std::int32_t a, std::int32_t b) {
    return basso_16(std::int64_t{basso_16(a)} * 10 + basso_16(b));
  };
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

void memo_rallentamento(modello& m, std::int32_t x, std::int32_t v, std::int32_t l, std::int32_t f_tt,
                        std::int32_t f_ta, std::int32_t d_v) {
  const bool con_avviso = x > 1500;  // the warning board stands 1200 m before the start
  const std::int64_t w = arrotonda((static_cast<double>(x) - 1200.0) / 50.0 + 1.0);
  if (con_avviso) {
    if (!libera(cella_di(m, w))) {
      m.codice_errore = 17;
      return;
    }
  } else {
    f_ta = 0;
  }
  const std::int64_t s = cella_punto(x);
  if (!libera(cella_di(m, s))) {
    m.codice_errore = 18;
    return;
  }
  const std::int64_t e = cella_punto(std::int64_t{x} + l);
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
  const std::int64_t a = arrotonda((static_cast<double>(x) - 1200.0) / 50.0);
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

}  // namespace scen
