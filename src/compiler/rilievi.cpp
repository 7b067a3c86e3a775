#include "compiler/rilievi.h"

#include <fmt/format.h>

#include <algorithm>
#include <initializer_list>

#include "compiler/memo.h"
#include "compiler/osservatore.h"
#include "model/codici_errore.h"
#include "model/misure.h"

namespace scen {
namespace {

using sorgente = luogo_errore::sorgente;

}  // namespace

// ---- The analysis ----------------------------------------------------------------

raccolta_rilievi::raccolta_rilievi(const std::optional<std::string>& linea, const std::optional<std::string>& treno,
                                   modo_analisi modo, selezione_avvisi scelta)
    : oss_(std::make_unique<osservatore>(modo, linea, treno, std::move(scelta))) {}

raccolta_rilievi::~raccolta_rilievi() = default;

esito_analisi raccolta_rilievi::risultato() {
  esito_analisi out = oss_->risultato();
  // Warnings and errors in the order of the sources: route first, then line.
  std::stable_sort(out.rilievi.begin(), out.rilievi.end(), [](const rilievo& a, const rilievo& b) {
    const auto chiave = [](const rilievo& r) {
      const int file = r.dove.file == sorgente::linea ? 0 : r.dove.file == sorgente::treno ? 1 : 2;
      return std::pair{file, r.dove.riga == 0 ? INT32_MAX : r.dove.riga};
    };
    return chiave(a) < chiave(b);
  });
  return out;
}

esito_analisi analizza_sorgenti(modello& m, const std::optional<std::string>& linea,
                                const std::optional<std::string>& treno, modo_analisi modo, selezione_avvisi scelta) {
  raccolta_rilievi raccolta(linea, treno, modo, std::move(scelta));
  sorgenti_in_memoria s(linea, treno);
  if (modo == modo_analisi::come_compilazione) {
    memorizza_dati(m, s, raccolta.collettore());
    return raccolta.risultato();
  }
  // Checking mode: an error ends neither its half nor the compile; a
  // run-time failure ends the half it happened in, and the train source is
  // read all the same.
  osservatore& oss = *raccolta.collettore();
  contesto c{m, s};
  c.oss = &oss;
  c.verifica = true;
  const auto registra_guasto = [&](const guasto_esecuzione& g) {
    c.guasto = &g;
    c.registra(25);
    c.guasto = nullptr;
    c.m.codice_errore = 0;
  };
  try {
    compila_linea(c);
  } catch (const guasto_esecuzione& g) {
    registra_guasto(g);
  }
  oss.concludi_sorgente(c);
  try {
    compila_treno(c);
  } catch (const guasto_esecuzione& g) {
    registra_guasto(g);
  }
  oss.concludi_sorgente(c);
  oss.concludi(c);
  return raccolta.risultato();
}

namespace {

// The objects on `celle`, in that order.
std::vector<const oggetto_posato*> oggetti_su(const esito_analisi& x, std::initializer_list<std::int64_t> celle) {
  std::vector<const oggetto_posato*> out;
  for (const std::int64_t k : celle) {
    const auto it = x.oggetti.find(k);
    if (it != x.oggetti.end()) out.push_back(&it->second);
  }
  return out;
}

const rallentamento_letto* rallentamento_vicino(std::int32_t posizione, const std::vector<rallentamento_letto>& rr) {
  // The slowdown whose stretch (1000 m before its warning board to 600 m
  // after its end) holds the position, the nearest one when several do.
  const rallentamento_letto* migliore = nullptr;
  std::int64_t d_min = 0;
  for (const auto& x : rr) {
    const std::int64_t da = std::int64_t{x.x} - metri_tavola_avviso - celle_prima_avviso * metri_cella;
    const std::int64_t a = std::int64_t{x.x} + x.l + celle_dopo_fine * metri_cella;
    const std::int64_t d = posizione < da ? da - posizione : posizione > a ? posizione - a : 0;
    if (migliore == nullptr || d < d_min) {
      migliore = &x;
      d_min = d;
    }
  }
  return migliore != nullptr && d_min == 0 ? migliore : nullptr;
}

}  // namespace

rilievo rilievo_passo_codici(std::int32_t codice, std::int32_t posizione, std::int32_t origine,
                             const esito_analisi& a) {
  rilievo r;
  r.codice = codice;
  r.posizione = posizione;
  r.messaggio = messaggio_errore(codice, posizione);
  // The slowdown being coded: its start cell, or its warning board's for 11.
  const rallentamento_letto* rallentamento = nullptr;
  for (const auto& x : a.rallentamenti) {
    const celle_rallentamento k = celle_del_rallentamento(x.x, x.l);
    const std::int64_t sua = codice == codice_passo::prima_segnale ? k.avviso : k.inizio;
    if (origine > 0 && sua == origine && (codice != codice_passo::prima_segnale || k.con_avviso)) rallentamento = &x;
  }
  if (rallentamento == nullptr) rallentamento = rallentamento_vicino(posizione, a.rallentamenti);
  if (rallentamento == nullptr) return r;
  r.dove = rallentamento->dove;
  r.messaggio += fmt::format(" (a cab-signal code point of the slowdown at {} m)", rallentamento->x);
  // A slowdown starting inside another takes that one's end for its own.
  const celle_rallentamento mio = celle_del_rallentamento(rallentamento->x, rallentamento->l);
  for (const auto& y : a.rallentamenti) {
    if (&y == rallentamento) continue;
    const celle_rallentamento suo = celle_del_rallentamento(y.x, y.l);
    if (suo.inizio < mio.inizio && mio.inizio <= suo.fine) {
      r.messaggio += fmt::format(
          ": it starts inside the slowdown at {} m, so its code points are placed as if it "
          "ended where that one ends",
          y.x);
      r.note.push_back({y.dove, fmt::format("the slowdown at {} m", y.x)});
      r.aiuto = "slowdowns must not overlap: end one before the next starts, or write them as one";
      return r;
    }
  }
  // Else the cells the code point could have taken: the signal's two before
  // it (11) or the cell and its neighbours along the slowdown (13), and the
  // line that took them, unless it is the slowdown itself.
  const std::int64_t cella = posizione / metri_cella;
  std::vector<const oggetto_posato*> presi;
  if (codice == codice_passo::prima_segnale) presi = oggetti_su(a, {cella - 1, cella - 2});
  if (codice == codice_passo::rallentamento) presi = oggetti_su(a, {cella, cella - 1, cella + 1});
  for (const oggetto_posato* o : presi) {
    if (o->dove.riga == rallentamento->dove.riga && o->dove.file == rallentamento->dove.file) continue;
    r.dove = o->dove;
    r.messaggio += fmt::format(": the {} takes the cells the code point needs", o->cosa);
    r.note.push_back({rallentamento->dove, fmt::format("the slowdown at {} m being coded", rallentamento->x)});
    r.aiuto = fmt::format("move the {} so that the code point finds a free cell", o->cosa);
    break;
  }
  return r;
}

rilievo rilievo_fatale(std::int32_t codice, const std::string& testo, const esito_analisi& a) {
  rilievo r;
  r.codice = codice;
  r.messaggio = fmt::format("fatal error {}: {}; no file is written", codice, testo);
  const char* segno = codice == 1251 ? "a check code" : "a format marker";
  // The markers go on the first cell of the track.
  const auto it = a.oggetti.find(1);
  if (it != a.oggetti.end()) {
    r.dove = it->second.dove;
    r.posizione = 0;
    r.messaggio = fmt::format(
        "fatal error {}: the {} stands on the track's first cell (0 to 49 m), where the compile writes {}; no file "
        "is written",
        codice, it->second.cosa, segno);
    r.aiuto = "place it 50 m or more from the start of the route";
    return r;
  }
  // Else a code point added for a slowdown: told by that slowdown.
  if (const rallentamento_letto* x = rallentamento_vicino(0, a.rallentamenti)) {
    r.dove = x->dove;
    r.posizione = 0;
    r.messaggio = fmt::format(
        "fatal error {}: a cab-signal code point added for the slowdown at {} m falls on the track's first cell (0 "
        "to 49 m), where the compile writes {}; no file is written",
        codice, x->x, segno);
    r.aiuto = "start the slowdown further from the start of the route";
  }
  return r;
}

}  // namespace scen
