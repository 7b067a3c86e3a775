#include "app/esecuzione.h"

#include <fmt/format.h>

#include "model/codici_errore.h"
#include "output/file_binari.h"
#include "output/marcatori.h"
#include "output/passo_codici.h"
#include "writers/scrittori.h"

namespace scen {

void errore(modello& m, finestra& f, const std::string& a) {
  m.risposta = f.messaggio(std::string(prefisso_errore) + a);
  throw fine_fatale{a, {}};
}

esito_percorso memorizza_percorso(modello& m, std::int32_t j, const identita& id, sorgenti& s,
                                  cartella& dove, finestra& f) {
  m.scrivi_linea = j;
  m.codice_errore = 0;
  for (stazione& voce : m.stazioni) voce = stazione{};

  esito_percorso esito;
  esito.compilazione.luogo = memorizza_dati(m, s);
  esito.compilazione.codice = m.codice_errore;
  esito.compilazione.posizione = m.posizione_errore;

  try {
    // Without track cells there is nothing to code, stamp or store.
    if (!m.percorso) errore(m, f, std::to_string(m.codice_errore));

    passo_codici(m);

    if (auto fatale = timbra_marcatori(m)) errore(m, f, *fatale);
  } catch (fine_fatale& fine) {
    fine.compilazione = esito.compilazione;
    throw;
  }

  esito.scritti = scrivi_file_binari(m, id, dove);
  return esito;
}

int esegui_scenario(cartella& dove, finestra& f, uscita_testo& errori) {
  const identita id = identita_incorporata();
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;

  f.mostra_attendere();

  dati_linea(dove, id);
  dati_treno(dove, id);
  dati_note(dove, id);
  dati_rallentamenti(dove, id);
  dati_scheda(dove, id);

  sorgenti_in_cartella s(dove, id);
  try {
    memorizza_percorso(m, 1, id, s, dove, f);
  } catch (const fine_fatale&) {
    return stato_uscita::fatale;
  }

  return concludi(m, errori);
}

int concludi(const modello& m, uscita_testo& errori) {
  if (m.codice_errore == 0) return stato_uscita::pulito;
  errori.scrivi(fmt::format("scenario: error {} at {} m: {}\n", m.codice_errore, m.posizione_errore,
                        messaggio_errore(m.codice_errore, m.posizione_errore)));
  return stato_uscita::con_errore;
}

}  // namespace scen
