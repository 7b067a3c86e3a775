#include "passes/passo_codici.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

#include "model/codici_errore.h"
#include "model/misure.h"

namespace scen {
namespace {

using celle = std::vector<cella>;

// A slowdown slower than this gets code points along it.
constexpr std::int16_t soglia_velocita = 110;
// The lowest signal cell a warning board treats, so that both cells before
// that signal are on the track.
constexpr std::int32_t primo_segnale_trattato = 3;
// Spacing of the code points along a slowdown.
constexpr std::int32_t passo_lungo = 8;

// The approach groups before a slowdown start: a group is tried when the start
// lies beyond `oltre`, and its candidates are the start minus each distance, in order.
struct gruppo_avvicinamento {
  std::int32_t oltre;
  std::array<std::int32_t, 3> distanze;
};
constexpr std::array<gruppo_avvicinamento, 3> gruppi{{
    {7, {5, 6, 7}},
    {13, {11, 12, 13}},
    {20, {18, 19, 20}},
}};

std::int32_t ultima_di(const celle& p) { return static_cast<std::int32_t>(p.size()) - 1; }

// A cell off the track is never free: nothing can be placed there.
bool libera_a(const celle& p, std::int32_t c) {
  return c >= 0 && c <= ultima_di(p) && libera(p[static_cast<std::size_t>(c)]);
}

bool di_tipo(const celle& p, std::int32_t c, std::uint8_t tipo) {
  return c >= 0 && c <= ultima_di(p) && p[static_cast<std::size_t>(c)].tipo == tipo;
}

cella& a(celle& p, std::int32_t c) { return p[static_cast<std::size_t>(c)]; }

// Only the type and the code value change; the profiles and the approach
// byte the cell carries stay as they are.
void poni_codice(cella& c) {
  c.tipo = tipo_cella::punto_codice;
  c.valore1 = valore_codice;
}

// An existing code point keeps the more restrictive of its value and ours.
void abbassa_codice(cella& c) { c.valore1 = minimo(valore_codice, c.valore1); }

// Errors never stop the pass; the last one found is the one that stays.
void registra(modello& m, std::int32_t codice, std::int32_t cella_errore) {
  m.codice_errore = codice;
  m.posizione_errore = cella_errore * metri_cella;
}

// A code point just before the signal in cell k, or the one two cells before;
// failing that, an existing code point there is lowered to our value.
void codice_prima_del_segnale(modello& m, celle& p, std::int32_t k) {
  if (libera_a(p, k - 1)) {
    poni_codice(a(p, k - 1));
  } else if (libera_a(p, k - 2)) {
    poni_codice(a(p, k - 2));
  } else if (di_tipo(p, k - 1, tipo_cella::punto_codice)) {
    abbassa_codice(a(p, k - 1));
  } else if (di_tipo(p, k - 2, tipo_cella::punto_codice)) {
    abbassa_codice(a(p, k - 2));
  } else {
    registra(m, codice_passo::prima_segnale, k);
  }
}

// Every signal in the cells before the warning board in cell i is coded.
void codici_prima_avviso(modello& m, celle& p, std::int32_t i) {
  for (std::int32_t j = 1; j <= celle_prima_avviso; ++j) {
    const std::int32_t k = i - j;
    if (k < primo_segnale_trattato) return;
    if (di_tipo(p, k, tipo_cella::segnale)) codice_prima_del_segnale(m, p, k);
  }
}

// One code point per approach group, in the first free candidate cell.
void codici_avvicinamento(modello& m, celle& p, std::int32_t i) {
  for (const gruppo_avvicinamento& g : gruppi) {
    if (i <= g.oltre) continue;
    bool posto = false;
    for (const std::int32_t d : g.distanze) {
      if (libera_a(p, i - d)) {
        poni_codice(a(p, i - d));
        posto = true;
        break;
      }
    }
    if (!posto) registra(m, codice_passo::avvicinamento, i);
  }
}

// The code point due in cell j along a slowdown, or in a neighbour when j is
// taken. Returns the counter to go on with, so that the spacing counts from the
// point actually placed; when nothing fits the counter stays past the spacing
// and no further point is placed along this slowdown.
std::int32_t codice_lungo(modello& m, celle& p, std::int32_t j) {
  if (libera_a(p, j)) {
    poni_codice(a(p, j));
    return 0;
  }
  if (libera_a(p, j - 1)) {
    poni_codice(a(p, j - 1));
    return 1;
  }
  if (libera_a(p, j + 1)) {
    poni_codice(a(p, j + 1));
    return -1;
  }
  registra(m, codice_passo::rallentamento, j);
  return passo_lungo;
}

// Code points every few cells from the start in cell i up to the slowdown's
// end cell (or the last cell of the track when it has none). Returns the cell
// where it stopped.
std::int32_t codici_lungo_rallentamento(modello& m, celle& p, std::int32_t i) {
  std::int32_t contatore = 0;
  std::int32_t j = i;
  while (j < ultima_di(p)) {
    ++j;
    ++contatore;
    if (contatore == passo_lungo) contatore = codice_lungo(m, p, j);
    if (di_tipo(p, j, tipo_cella::fine_rallentamento)) break;
  }
  return j;
}

// The end cell of the slowdown starting in cell i: the first end after it, or
// the last cell of the track when there is none.
std::int32_t fine_rallentamento(const celle& p, std::int32_t i) {
  for (std::int32_t j = i + 1; j <= ultima_di(p); ++j) {
    if (di_tipo(p, j, tipo_cella::fine_rallentamento)) return j;
  }
  return ultima_di(p);
}

// A code point in front of the first signal shortly after the slowdown's end
// cell j.
void codice_dopo_rallentamento(modello& m, celle& p, std::int32_t j) {
  const std::int32_t limite = std::min(j + celle_dopo_fine, ultima_di(p));
  for (std::int32_t s = j; s <= limite; ++s) {
    if (!di_tipo(p, s, tipo_cella::segnale)) continue;
    const std::int32_t prima = s - 1;
    if (prima <= 0) return;
    if (libera_a(p, prima)) {
      poni_codice(a(p, prima));
    } else if (libera_a(p, prima - 1)) {
      poni_codice(a(p, prima - 1));
    } else {
      registra(m, codice_passo::rallentamento, j);
    }
    return;
  }
}

// All the code points of the slowdown starting in cell i.
void codici_rallentamento(modello& m, celle& p, std::int32_t i) {
  codici_avvicinamento(m, p, i);
  const bool lento = a(p, i).valore1 < soglia_velocita;
  const std::int32_t fine = lento ? codici_lungo_rallentamento(m, p, i) : fine_rallentamento(p, i);
  codice_dopo_rallentamento(m, p, fine);
}

}  // namespace

std::int16_t minimo(std::int16_t x, std::int16_t y) { return x > y ? y : x; }

void passo_codici(modello& m) {
  if (!m.percorso) throw std::logic_error("the code pass needs the track cells");
  // The cells themselves are the track that gets stored; the pass bounds
  // itself by them, whatever `ultima_cella` says.
  celle& p = *m.percorso;
  const std::int32_t ultima = ultima_di(p);
  for (std::int32_t i = 1; i <= ultima - 2; ++i) {
    const std::uint8_t tipo = a(p, i).tipo;
    const std::int32_t codice = m.codice_errore;
    const std::int32_t posizione = m.posizione_errore;
    if (tipo == tipo_cella::avviso_rallentamento) codici_prima_avviso(m, p, i);
    if (tipo == tipo_cella::inizio_rallentamento) codici_rallentamento(m, p, i);
    if (m.codice_errore != codice || m.posizione_errore != posizione) m.origine_errore = i;
  }
}

}  // namespace scen
