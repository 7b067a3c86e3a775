#include "commands/comandi.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

#include "formats/cartella_scenario.h"
#include "passes/messaggi_fatali.h"
#include "platform/file_identity.h"
#include "platform/path_text.h"
#include "text/testo_utf8.h"

namespace scen::tool {

CLI::App* add_command(CLI::App& app, const command_entry& entry) {
  return app.add_subcommand(std::string(entry.name), std::string(entry.summary));
}

const option_entry& option_of(const command_entry& entry, std::string_view names) {
  for (const option_entry& o : entry.options) {
    if (o.names == names) return o;
  }
  throw std::logic_error("the command table gives " + std::string(entry.name) + " no option " + std::string(names));
}

void aggiungi_identita(CLI::App& sub, const command_entry& entry, opzioni_identita& o) {
  const identita id = identita_incorporata();
  o.nome_linea = id.nome_linea;
  o.nome_treno = id.nome_treno;
  o.opzione_linea = bind_option(sub, entry, "--route-name", o.nome_linea);
  o.opzione_treno = bind_option(sub, entry, "--train-number", o.nome_treno);
}

identita identita_valida(const opzioni_identita& o) {
  identita id{o.nome_linea, o.nome_treno};
  if (auto problema = problema_identita(id, "--route-name", "--train-number")) throw errore_uso(*problema);
  return id;
}

identita identita_della_cartella(const std::filesystem::path& dir, const opzioni_identita& o) {
  const bool data_linea = o.opzione_linea != nullptr && o.opzione_linea->count() > 0;
  const bool data_treno = o.opzione_treno != nullptr && o.opzione_treno->count() > 0;
  if (data_linea && data_treno) return identita_valida(o);
  const std::vector<identita> trovate =
      identita_in_cartella(dir, data_linea ? std::optional(o.nome_linea) : std::nullopt,
                           data_treno ? std::optional(o.nome_treno) : std::nullopt);
  if (trovate.size() == 1) {
    opzioni_identita scelta = o;
    scelta.nome_linea = trovate[0].nome_linea;
    scelta.nome_treno = trovate[0].nome_treno;
    return identita_valida(scelta);
  }
  if (trovate.size() > 1) {
    std::string elenco;
    for (const identita& id : trovate)
      elenco +=
          (elenco.empty() ? "" : ", ") + leggibile_da_1252(id.nome_linea) + " / " + leggibile_da_1252(id.nome_treno);
    throw errore_uso(utf8_of(dir) + " holds the files of several scenarios (" + elenco +
                     "); name one with --route-name and --train-number");
  }
  return identita_valida(o);
}

void aggiungi_avvisi(CLI::App& sub, const command_entry& entry, opzioni_avvisi& o) {
  // One value per -W, attached or not: -Wno-NAME, -W no-NAME.
  bind_option(sub, entry, "-W", o.scelte)->allow_extra_args(false);
  bind_option(sub, entry, "--werror", o.werror);
}

selezione_avvisi selezione_di(const opzioni_avvisi& o) {
  selezione_avvisi s;
  for (const std::string& scelta : o.scelte) {
    std::string_view nome = scelta;
    trattamento_avviso come = trattamento_avviso::mostrato;
    if (nome.starts_with("no-error=")) {
      nome.remove_prefix(9);
    } else if (nome.starts_with("error=")) {
      nome.remove_prefix(6);
      come = trattamento_avviso::errore;
    } else if (nome.starts_with("no-")) {
      nome.remove_prefix(3);
      come = trattamento_avviso::taciuto;
    }
    const voce_avviso* v = cerca_avviso(nome);
    if (v == nullptr) {
      throw errore_uso(
          fmt::format("-W{}: no warning is named \"{}\"; the nearest is \"{}\" (\"{} explain NAME\" "
                      "tells what a warning is)",
                      testo_leggibile(scelta), testo_leggibile(nome), avviso_piu_vicino(nome), program().name));
    }
    s.scegli(v->tipo, come);
  }
  return s;
}

std::string leggi_sorgente(const std::filesystem::path& file) {
  std::optional<std::string> byte = leggi_file(file);
  if (!byte) throw errore_uso(utf8_of(file) + ": no such file");
  return std::move(*byte);
}

std::vector<std::filesystem::path> file_binari(const std::filesystem::path& dir, const identita& id) {
  return {dir / path_from_utf8(nome_file_linea(id)), dir / path_from_utf8(nome_file_sommario(id)),
          dir / path_from_utf8(nome_file_percorso(id))};
}

namespace {

// The file an output's name reaches: itself when it exists, else its path
// with the folders that exist resolved and the rest taken as written, as
// the folders the write makes will take it.
std::filesystem::path file_raggiunto(const std::filesystem::path& uscita) {
  std::error_code ec;
  if (std::filesystem::exists(uscita, ec)) return uscita;
  const std::filesystem::path p = std::filesystem::weakly_canonical(uscita, ec);
  return ec ? uscita : p;
}

}  // namespace

void rifiuta_uscita_su_ingressi(const std::filesystem::path& uscita, const std::vector<std::filesystem::path>& ingressi,
                                std::string_view perche) {
  const std::filesystem::path raggiunto = file_raggiunto(uscita);
  for (const std::filesystem::path& ingresso : ingressi) {
    if (same_file(raggiunto, ingresso)) {
      throw errore_uso(
          fmt::format("{} is the same file as the input {}; {}", utf8_of(uscita), utf8_of(ingresso), perche));
    }
  }
}

rilievo rilievo_del_fatale(const std::string& fatale, const esito_analisi& a) {
  std::int32_t codice = 0;
  const auto [fine, ec] = std::from_chars(fatale.data(), fatale.data() + fatale.size(), codice);
  if (ec != std::errc{} || fine != fatale.data() + fatale.size()) codice = 0;
  const auto fatali = tabella_fatali();
  const bool dei_passi = std::any_of(fatali.begin(), fatali.end(), [&](const auto& f) { return f.testo == fatale; });
  if (dei_passi) return rilievo_fatale(codice, messaggio_fatale(fatale), a);
  // An error of the compile that left no track: its own finding tells where.
  rilievo r;
  r.livello = gravita::nota;
  r.messaggio = fmt::format("fatal error {}: {}; no file is written", fatale, messaggio_fatale(fatale));
  return r;
}

}  // namespace scen::tool
