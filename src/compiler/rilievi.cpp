#include "compiler/rilievi.h"

#include <fmt/format.h>

#include <algorithm>

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

rilievo rilievo_passo_codici(std::int32_t codice, std::int32_t posizione,
                             const std::vector<rallentamento_letto>& rallentamenti) {
  rilievo r;
  r.codice = codice;
  r.posizione = posizione;
  r.messaggio = messaggio_errore(codice, posizione);
  // The slowdown whose stretch (1000 m before its warning board to 600 m
  // after its end) holds the position, the nearest one when several do.
  const rallentamento_letto* migliore = nullptr;
  std::int64_t d_min = 0;
  for (const auto& x : rallentamenti) {
    const std::int64_t da = std::int64_t{x.x} - metri_tavola_avviso - celle_prima_avviso * metri_cella;
    const std::int64_t a = std::int64_t{x.x} + x.l + celle_dopo_fine * metri_cella;
    const std::int64_t d = posizione < da ? da - posizione : posizione > a ? posizione - a : 0;
    if (migliore == nullptr || d < d_min) {
      migliore = &x;
      d_min = d;
    }
  }
  if (migliore != nullptr && d_min == 0) {
    r.dove = migliore->dove;
    r.messaggio += fmt::format(" (the code pass places the code points of the slowdown at {} m)", migliore->x);
  }
  return r;
}

}  // namespace scen
