#include "run/pipeline.h"

#include <fmt/format.h>

#include <exception>
#include <optional>
#include <utility>

#include "embedded/scrittori.h"
#include "formats/file_binari.h"
#include "model/codici_errore.h"
#include "passes/passi.h"
#include "run/linea_in_scrittura.h"

namespace scen {
namespace {

// How `errore` leaves `memorizza_percorso`: nothing after it runs.
struct fine_fatale {
  std::string testo;
};

[[noreturn]] void errore(const std::string& a) { throw fine_fatale{a}; }

}  // namespace

esito_percorso memorizza_percorso(modello& m, std::int32_t j, const identita& id, sorgenti& s, folder& dir,
                                  osservatore* oss) {
  file_set files(dir);
  esito_percorso esito = memorizza_percorso(m, j, id, s, files, oss);
  files.commit();
  return esito;
}

esito_percorso memorizza_percorso(modello& m, std::int32_t j, const identita& id, sorgenti& s, file_set& files,
                                  osservatore* oss) {
  m.scrivi_linea = j;
  m.codice_errore = 0;
  for (stazione& voce : m.stazioni) voce = stazione{};

  esito_percorso esito;
  std::optional<linea_in_scrittura> linea;
  if (j != 0) linea.emplace(files.dir(), nome_file_linea(id));
  esito.compilazione.luogo = memorizza_dati(m, s, oss, linea ? &*linea : nullptr);
  if (linea) linea->completa(m);
  esito.compilazione.codice = m.codice_errore;
  esito.compilazione.posizione = m.posizione_errore;

  try {
    // Without track cells there is nothing to code, stamp or store.
    if (!m.percorso) errore(std::to_string(m.codice_errore));

    if (auto fatale = completa_modello(m)) errore(*fatale);
  } catch (fine_fatale& fine) {
    esito.fatale = std::move(fine.testo);
    return esito;
  }

  // The two small files are written while the line data file is finished
  // (flushed to disk, mostly). Failures are told in file order: the line
  // data file's first.
  std::vector<std::string> altri;
  std::exception_ptr fallito;
  try {
    altri = scrivi_sommario_e_percorso(m, id, files);
  } catch (const platform_error&) {
    fallito = std::current_exception();
  }
  if (linea) {
    files.add(linea->prendi());
    esito.scritti.push_back(nome_file_linea(id));
  }
  if (fallito) std::rethrow_exception(fallito);
  for (std::string& nome : altri) esito.scritti.push_back(std::move(nome));
  return esito;
}

esito_percorso esegui_scenario(folder& dir, modello& m) {
  const identita id = identita_incorporata();
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;

  // The sources are read back and deleted within the run: each is a file
  // of its own. What the run leaves behind is one set.
  file_set files(dir);
  // The sources are the run's own working files: they do not outlive it,
  // however it ends.
  working_files lavoro(dir);
  dati_linea(lavoro, id);
  dati_treno(lavoro, id);
  dati_note(files, id);
  dati_rallentamenti(files, id);
  dati_scheda(files, id);
  sorgenti_in_cartella s(dir, id);
  esito_percorso esito = memorizza_percorso(m, 1, id, s, files);
  files.commit();
  return esito;
}

std::string testo_fatale(std::string_view testo) { return std::string(prefisso_errore) + std::string(testo); }

std::string riga_errore_finale(const modello& m) {
  if (m.codice_errore == 0) return {};
  return fmt::format("scenario: error {} at {} m: {}\n", m.codice_errore, m.posizione_errore,
                     messaggio_errore(m.codice_errore, m.posizione_errore));
}

}  // namespace scen
