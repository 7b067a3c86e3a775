// compile: the two sources into the binary files, through the same steps as
// the run (compile, code pass, markers and check codes, binary files), so the
// bytes written are the run's bytes for the same sources. The sources are read
// into memory and never changed or deleted.
#include <fmt/format.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <vector>

#include "commands/comandi.h"
#include "commands/sorgenti_date.h"
#include "compiler/compilatore.h"
#include "compiler/rilievi.h"
#include "compiler/sorgenti.h"
#include "io/output_file.h"
#include "map/mappa.h"
#include "model/codici_errore.h"
#include "passes/messaggi_fatali.h"
#include "platform/folder.h"
#include "platform/folder_lock.h"
#include "platform/path_text.h"
#include "run/pipeline.h"
#include "text/rilievi_testo.h"
#include "text/testo_utf8.h"

namespace scen::tool {
namespace {

namespace fs = std::filesystem;

struct opzioni_compile {
  std::string linea;
  std::string treno;
  std::string dir = ".";
  opzioni_identita identita;
  bool senza_linea = false;
  bool json = false;
  opzioni_avvisi avvisi;
  std::string mappa;  // --map: draw the compiled result into this file
};

// An output that is one of the sources would overwrite it: the three binary
// files in the output folder and the --map file.
void controlla_sovrapposizione(const opzioni_compile& o, const identita& id) {
  const std::vector<fs::path> sorgenti{path_from_utf8(o.linea), path_from_utf8(o.treno)};
  constexpr std::string_view perche = "compile never overwrites its sources";
  for (const fs::path& uscita : file_binari(path_from_utf8(o.dir), id)) {
    rifiuta_uscita_su_ingressi(uscita, sorgenti, perche);
  }
  if (!o.mappa.empty()) rifiuta_uscita_su_ingressi(path_from_utf8(o.mappa), sorgenti, perche);
}

struct risultato {
  std::int32_t codice = 0;
  std::int32_t posizione = 0;
  std::int32_t origine = 0;  // where the code pass was when it recorded its error
  std::optional<std::string> fatale;
  std::vector<std::string> scritti;
  std::vector<rilievo> rilievi;
  oltre_limite non_detti;
};

nlohmann::json in_json(const risultato& r, const sorgenti_nominate& nomi) {
  nlohmann::json j;
  j["error_code"] = r.codice;
  j["error_position"] = r.posizione;
  j["fatal"] = r.fatale ? nlohmann::json(*r.fatale) : nlohmann::json(nullptr);
  j["files"] = r.scritti;
  // The top-level place and message describe error_code (or the fatal end).
  const rilievo* principale = nullptr;
  for (const rilievo& x : r.rilievi) {
    if (x.codice && *x.codice == r.codice && x.livello == gravita::errore) principale = &x;
  }
  const auto nome = [&](luogo_errore::sorgente f) -> nlohmann::json {
    if (f == luogo_errore::sorgente::linea) return nomi.linea;
    if (f == luogo_errore::sorgente::treno) return nomi.treno;
    return nullptr;
  };
  j["source"] = principale ? nome(principale->dove.file) : nlohmann::json(nullptr);
  j["line"] = principale && principale->dove.riga > 0 ? nlohmann::json(principale->dove.riga) : nlohmann::json(nullptr);
  if (r.fatale) {
    j["message"] = messaggio_fatale(*r.fatale);
  } else if (r.codice != 0) {
    j["message"] = messaggio_errore(r.codice, r.posizione);
  } else {
    j["message"] = nullptr;
  }
  j["findings"] = nlohmann::json::array();
  for (const rilievo& x : r.rilievi) j["findings"].push_back(rilievo_json(x, nomi));
  conteggio_json(j, conta(r.rilievi, r.non_detti));
  return j;
}

// The findings of the compile: its errors told in full and its warnings,
// gathered by the compile itself as it ran; then the code pass's error,
// which may have overwritten the compile's code in the model.
std::vector<rilievo> trova_rilievi(const risultato& r, const esito_compilazione& compilazione, esito_analisi& a) {
  std::vector<rilievo> out = std::move(a.rilievi);
  if (compilazione.codice != 0) {
    const bool detto = std::any_of(out.begin(), out.end(),
                                   [&](const rilievo& x) { return x.codice && *x.codice == compilazione.codice; });
    if (!detto) {
      rilievo x;
      x.codice = compilazione.codice;
      x.messaggio = messaggio_errore(compilazione.codice, compilazione.posizione);
      if (!compilazione.luogo.motivo.empty()) x.messaggio = compilazione.luogo.motivo;
      x.dove = {compilazione.luogo.file, compilazione.luogo.riga, 0, 0};
      out.push_back(std::move(x));
    }
  }
  if (del_passo_codici(r.codice)) out.push_back(rilievo_passo_codici(r.codice, r.posizione, r.origine, a));
  if (r.fatale) out.push_back(rilievo_del_fatale(*r.fatale, a));
  return out;
}

// The compiled model drawn as it stands, each finding marked at its
// position with the source line where reading stopped.
void disegna_compilato(const opzioni_compile& o, const identita& id, modello& m, const risultato& r,
                       const sorgenti_nominate& nomi, std::ostream& err) {
  if (!m.percorso || m.percorso->size() < 2) {
    err << o.mappa << ": note: no map, the compile left no track to draw\n";
    return;
  }
  scenario_decodificato d;
  d.id = id;
  d.voci = m.stazioni;
  d.celle = std::move(*m.percorso);
  d.planimetria = std::move(m.planimetria);
  if (!d.planimetria || o.senza_linea) {
    d.planimetria.reset();
    d.senza_piano = "compiled without the line data";
  }
  opzioni_mappa om;
  // Findings with a position are marked where they stand; the place where
  // reading stopped goes with an error.
  for (const rilievo& x : r.rilievi) {
    if (!x.posizione) continue;
    const bool errore = x.livello == gravita::errore;
    const std::string messaggio = leggibile_da_1252(x.messaggio);
    std::string testo = errore && x.codice ? fmt::format("error {} at {} m: {}", *x.codice, *x.posizione, messaggio)
                        : errore           ? fmt::format("error at {} m: {}", *x.posizione, messaggio)
                                           : fmt::format("warning at {} m: {}", *x.posizione, messaggio);
    if (errore && x.dove.riga > 0 && x.dove.file != luogo_errore::sorgente::nessuna) {
      const std::string& file = x.dove.file == luogo_errore::sorgente::linea ? nomi.linea : nomi.treno;
      testo += fmt::format("\nreading stopped at {} line {}", file, x.dove.riga);
    }
    om.segni.push_back({static_cast<double>(*x.posizione), testo});
  }
  if (r.fatale) om.problemi.push_back(fmt::format("fatal error {}: {}", *r.fatale, messaggio_fatale(*r.fatale)));
  const fs::path file = path_from_utf8(o.mappa);
  scrivi_mappa_in_file(d, om, formato_del_file(file), file);
}

// Whether the warnings fail the compile: --werror with any warning, or a
// warning made an error. The errors of the compile itself (always shown, as
// it stops at its first) do not: the run writes its files all the same.
bool respinto_dagli_avvisi(const opzioni_compile& o, const risultato& r) {
  const conteggio n = conta(r.rilievi, r.non_detti);
  const auto della_compilazione = std::count_if(r.rilievi.begin(), r.rilievi.end(), [](const rilievo& x) {
    return x.livello == gravita::errore && x.codice.has_value();
  });
  return n.errori > della_compilazione || (o.avvisi.werror && n.avvisi > 0);
}

int esegui_compile(const opzioni_compile& o, const sorgenti_lette& lette, std::ostream& out, std::ostream& err) {
  const identita id = identita_valida(o.identita);
  const selezione_avvisi scelta = selezione_di(o.avvisi);
  // The --map file's format is checked before anything is compiled.
  if (!o.mappa.empty()) formato_del_file(path_from_utf8(o.mappa));
  const std::optional<std::string> linea = lette.linea;
  const std::optional<std::string> treno = lette.treno;
  controlla_sovrapposizione(o, id);
  const fs::path base = path_from_utf8(o.dir);
  prepare_folder(base);

  const std::int32_t scrivi_linea = o.senza_linea ? 0 : 1;
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  sorgenti_in_memoria s(linea, treno);
  folder dir(base);
  // The same lock as the program's: a compile and a run, or two compiles,
  // never mix their files in one folder.
  const folder_lock lock(dir.base());
  repair_interrupted_set(dir, err);
  dir.remove_stale_temporaries(
      std::vector<std::string>{nome_file_linea(id), nome_file_sommario(id), nome_file_percorso(id)},
      eta_temporanei_abbandonati);

  risultato r;
  // The three binary files replace the earlier ones as one set; the
  // findings come from the same compile, so that the sources are compiled
  // once however long they are. The set is committed once the findings are
  // known: warnings that fail the compile leave the earlier files as they
  // were.
  raccolta_rilievi raccolta(linea, treno, modo_analisi::come_compilazione, scelta);
  file_set files(dir);
  esito_percorso esito = memorizza_percorso(m, scrivi_linea, id, s, files, raccolta.collettore());
  const esito_compilazione compilazione = esito.compilazione;
  r.scritti = std::move(esito.scritti);
  r.fatale = std::move(esito.fatale);
  r.codice = m.codice_errore;
  r.posizione = m.posizione_errore;
  r.origine = m.origine_errore;

  esito_analisi analisi = raccolta.risultato();
  r.non_detti = analisi.non_detti;
  r.rilievi = trova_rilievi(r, compilazione, analisi);
  // A fatal end staged nothing: its own finding says so.
  const bool respinto = !r.fatale && respinto_dagli_avvisi(o, r);
  if (respinto) {
    r.scritti.clear();  // the set is dropped with `files`
  } else {
    files.commit();
  }
  const sorgenti_nominate nomi{o.linea, o.treno, linea, treno};
  const bool colore = colore_per(2);
  for (const rilievo& x : r.rilievi) stampa_rilievo(err, x, nomi, colore);
  if (const std::string resto = testo_non_detti(conta(r.rilievi, r.non_detti)); !resto.empty()) err << resto << '\n';
  if (respinto) err << "no file written: the warnings fail the compile (--werror, -Werror=NAME)\n";

  if (!o.mappa.empty()) disegna_compilato(o, id, m, r, nomi, err);

  if (o.json) {
    // Paths are bytes; any that are not UTF-8 get replacement characters.
    out << in_json(r, nomi).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  } else {
    for (const std::string& nome : r.scritti) out << utf8_of(dir.path_of(nome).lexically_normal()) << '\n';
  }
  if (r.fatale) return exit_status::fatal;
  return r.codice != 0 || respinto ? exit_status::problem : exit_status::clean;
}

}  // namespace

comando registra_compile(CLI::App& app, const command_entry& entry) {
  auto o = std::make_shared<opzioni_compile>();
  CLI::App* sub = add_command(app, entry);
  bind_option(*sub, entry, "ROUTE_SOURCE", o->linea);
  bind_option(*sub, entry, "TRAIN_SOURCE", o->treno);
  bind_option(*sub, entry, "-o,--output", o->dir);
  aggiungi_identita(*sub, entry, o->identita);
  bind_option(*sub, entry, "--no-line-data", o->senza_linea);
  bind_option(*sub, entry, "--json", o->json);
  aggiungi_avvisi(*sub, entry, o->avvisi);
  bind_option(*sub, entry, "--map", o->mappa);
  return {sub, [o](std::ostream& out, std::ostream& err) {
            const sorgenti_lette lette = prepara_sorgenti(o->linea, o->treno, o->identita, err);
            return esegui_compile(*o, lette, out, err);
          }};
}

}  // namespace scen::tool
