// lint: every error and warning of both sources in one pass. The sources are
// compiled in a checking mode that records an error, skips the rest of its
// line and reads on; nothing is written. When no error turned up, the code
// pass and the marker step run on the result too, as the compile would.
#include <fmt/format.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "commands/comandi.h"
#include "commands/sorgenti_date.h"
#include "compiler/rilievi.h"
#include "model/codici_errore.h"
#include "passes/messaggi_fatali.h"
#include "passes/passi.h"
#include "text/rilievi_testo.h"

namespace scen::tool {
namespace {

struct opzioni_lint {
  std::string linea;
  std::string treno;
  opzioni_identita identita;
  bool senza_linea = false;
  bool json = false;
  opzioni_avvisi avvisi;
};

// The findings shown, and the count of those past the cap.
struct esito_lint {
  std::vector<rilievo> rilievi;
  oltre_limite non_detti;
};

esito_lint controlla(const opzioni_lint& o, const std::string& linea, const std::string& treno) {
  const identita id = identita_valida(o.identita);
  const selezione_avvisi scelta = selezione_di(o.avvisi);
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  m.scrivi_linea = o.senza_linea ? 0 : 1;
  esito_analisi a = analizza_sorgenti(m, linea, treno, modo_analisi::verifica, scelta);
  esito_lint esito{std::move(a.rilievi), a.non_detti};
  std::vector<rilievo>& out = esito.rilievi;
  // The code pass runs on a compile that recorded no error; a warning made
  // an error is not one of the compile's.
  const bool errore_compilazione =
      a.non_detti.errori > 0 || std::any_of(out.begin(), out.end(), [](const rilievo& r) { return r.codice; });
  if (errore_compilazione || !m.percorso) return esito;
  const std::optional<std::string> fatale = completa_modello(m);
  if (del_passo_codici(m.codice_errore))
    out.push_back(rilievo_passo_codici(m.codice_errore, m.posizione_errore, m.origine_errore, a));
  if (fatale) out.push_back(rilievo_del_fatale(*fatale, a));
  return esito;
}

int esegui_lint(const opzioni_lint& o, const sorgenti_lette& lette, std::ostream& out) {
  const std::string& linea = lette.linea;
  const std::string& treno = lette.treno;
  const esito_lint esito = controlla(o, linea, treno);
  const sorgenti_nominate nomi{o.linea, o.treno, linea, treno};
  const conteggio n = conta(esito.rilievi, esito.non_detti);
  if (o.json) {
    nlohmann::json j;
    j["findings"] = nlohmann::json::array();
    for (const rilievo& r : esito.rilievi) j["findings"].push_back(rilievo_json(r, nomi));
    conteggio_json(j, n);
    out << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  } else {
    const bool colore = colore_per(1);
    for (const rilievo& r : esito.rilievi) stampa_rilievo(out, r, nomi, colore);
    out << testo_conteggio(n) << '\n';
    if (const std::string resto = testo_non_detti(n); !resto.empty()) out << resto << '\n';
  }
  if (n.errori > 0) return exit_status::problem;
  return o.avvisi.werror && n.avvisi > 0 ? exit_status::problem : exit_status::clean;
}

}  // namespace

comando registra_lint(CLI::App& app, const command_entry& entry) {
  auto o = std::make_shared<opzioni_lint>();
  CLI::App* sub = add_command(app, entry);
  bind_option(*sub, entry, "ROUTE_SOURCE", o->linea);
  bind_option(*sub, entry, "TRAIN_SOURCE", o->treno);
  aggiungi_identita(*sub, entry, o->identita);
  bind_option(*sub, entry, "--no-line-data", o->senza_linea);
  bind_option(*sub, entry, "--json", o->json);
  aggiungi_avvisi(*sub, entry, o->avvisi);
  return {sub, [o](std::ostream& out, std::ostream& err) {
            const sorgenti_lette lette = prepara_sorgenti(o->linea, o->treno, o->identita, err);
            return esegui_lint(*o, lette, out);
          }};
}

}  // namespace scen::tool
