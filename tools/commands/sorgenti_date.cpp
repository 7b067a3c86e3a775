#include "commands/sorgenti_date.h"

#include <fmt/format.h>

#include <filesystem>
#include <ostream>
#include <string_view>

#include "compiler/riconosci.h"
#include "platform/path_text.h"

namespace scen::tool {
namespace {

namespace fs = std::filesystem;

std::string nome_del_file(const std::string& percorso) { return utf8_of(path_from_utf8(percorso).filename()); }

// The route X of a name "X_linea.txt", the name nomi_file gives the route
// source of X.
std::optional<std::string> linea_del_nome(const std::string& nome) {
  const std::string coda = nome_sorgente_linea({"", ""});
  if (nome.size() <= coda.size() || !nome.ends_with(coda)) return std::nullopt;
  return nome.substr(0, nome.size() - coda.size());
}

// The route X and train N of a name "X_N-.txt", split at the last "_" as the
// folder's summary file names are; only a name nomi_file gives back.
std::optional<identita> identita_del_nome_treno(const std::string& nome) {
  const std::string coda = nome_sorgente_treno({"", ""}).substr(1);  // what follows the train number
  if (!nome.ends_with(coda)) return std::nullopt;
  const std::string radice = nome.substr(0, nome.size() - coda.size());
  const auto separatore = radice.rfind('_');
  if (separatore == std::string::npos || separatore == 0 || separatore + 1 == radice.size()) return std::nullopt;
  identita id{radice.substr(0, separatore), radice.substr(separatore + 1)};
  if (nome_sorgente_treno(id) != nome) return std::nullopt;
  return id;
}

const char* come_si_chiama(genere_sorgente g) {
  if (g == genere_sorgente::linea) return " (a route source given twice)";
  if (g == genere_sorgente::treno) return " (a train source given twice)";
  return "";
}

// One source given for both: the same file, by one path or two (a link, a
// hard link), or two files of the same bytes that read as a source. Two
// copies of a text that is no clear source (empty, binary) tell nothing and
// are left to the compile's own findings.
void rifiuta_doppione(const std::string& linea, const std::string& testo_linea, const std::string& treno,
                      const std::string& testo_treno) {
  std::error_code ec;
  const bool stesso_file = fs::equivalent(path_from_utf8(linea), path_from_utf8(treno), ec);
  const genere_sorgente genere = riconosci_sorgente(testo_linea);
  const bool stessi_byte = testo_linea == testo_treno && genere != genere_sorgente::incerto;
  if (!stesso_file && !stessi_byte) return;
  throw errore_uso(
      fmt::format("ROUTE_SOURCE {} and TRAIN_SOURCE {} {}{}: give the scenario's route source and its train source",
                  linea, treno, stesso_file ? "are the same file" : "hold the same bytes", come_si_chiama(genere)));
}

// A route source that is clearly a train source, or the other way round.
void rifiuta_scambio(const std::string& linea, const std::string& testo_linea, const std::string& treno,
                     const std::string& testo_treno) {
  const genere_sorgente gl = riconosci_sorgente(testo_linea);
  const genere_sorgente gt = riconosci_sorgente(testo_treno);
  const bool linea_e_treno = gl == genere_sorgente::treno;
  const bool treno_e_linea = gt == genere_sorgente::linea;
  if (linea_e_treno && treno_e_linea) {
    throw errore_uso(fmt::format(
        "ROUTE_SOURCE {} looks like a train source and TRAIN_SOURCE {} like a route source: the arguments are swapped; "
        "give the route source first",
        linea, treno));
  }
  if (linea_e_treno) {
    throw errore_uso(fmt::format("ROUTE_SOURCE {}: this looks like a train source, not a route source: {}", linea,
                                 gt == genere_sorgente::treno
                                     ? fmt::format("so does TRAIN_SOURCE {}; give the route source first", treno)
                                     : std::string("the arguments may be swapped")));
  }
  if (treno_e_linea) {
    throw errore_uso(fmt::format("TRAIN_SOURCE {}: this looks like a route source, not a train source: {}", treno,
                                 gl == genere_sorgente::linea
                                     ? fmt::format("so does ROUTE_SOURCE {}; give the train source second", linea)
                                     : std::string("the arguments may be swapped")));
  }
}

bool data(const CLI::Option* opzione) { return opzione != nullptr && opzione->count() > 0; }

// The parts of the identity the options leave open, from the file names;
// checked by the same rules as the options, each part called by where it
// came from.
void identita_dai_file(const std::string& linea, const std::string& treno, opzioni_identita& o, std::ostream& err) {
  const bool data_linea = data(o.opzione_linea);
  const bool data_treno = data(o.opzione_treno);
  if (data_linea && data_treno) return;
  const std::optional<identita> dai_nomi = identita_dai_nomi(linea, treno);
  if (!dai_nomi) return;
  const identita prima{o.nome_linea, o.nome_treno};
  identita id = prima;
  if (!data_linea) id.nome_linea = dai_nomi->nome_linea;
  if (!data_treno) id.nome_treno = dai_nomi->nome_treno;
  const std::string come_linea = data_linea ? "--route-name" : "the route name of " + nome_del_file(linea);
  const std::string come_treno = data_treno ? "--train-number" : "the train number of " + nome_del_file(treno);
  if (auto problema = problema_identita(id, come_linea, come_treno)) throw errore_uso(*problema);
  o.nome_linea = id.nome_linea;
  o.nome_treno = id.nome_treno;
  if (id.nome_linea == prima.nome_linea && id.nome_treno == prima.nome_treno) return;
  const char* parte = data_linea ? ", its train number" : data_treno ? ", its route name" : "";
  err << fmt::format("note: identity {}/{}{} taken from the source file names {} and {}\n", id.nome_linea,
                     id.nome_treno, parte, nome_del_file(linea), nome_del_file(treno));
}

}  // namespace

std::optional<identita> identita_dai_nomi(const std::string& linea, const std::string& treno) {
  const std::optional<std::string> route = linea_del_nome(nome_del_file(linea));
  const std::optional<identita> train = identita_del_nome_treno(nome_del_file(treno));
  if (!route || !train) return std::nullopt;
  if (*route != train->nome_linea) {
    throw errore_uso(fmt::format(
        "ROUTE_SOURCE {} and TRAIN_SOURCE {} name two routes, {} and {}: rename one, or name the scenario with "
        "--route-name and --train-number",
        linea, treno, *route, train->nome_linea));
  }
  return train;
}

sorgenti_lette prepara_sorgenti(const std::string& linea, const std::string& treno, opzioni_identita& id,
                                std::ostream& err) {
  // The options first, as they were checked before any source was read.
  identita_valida(id);
  sorgenti_lette lette{leggi_sorgente(path_from_utf8(linea)), leggi_sorgente(path_from_utf8(treno))};
  rifiuta_doppione(linea, lette.linea, treno, lette.treno);
  rifiuta_scambio(linea, lette.linea, treno, lette.treno);
  identita_dai_file(linea, treno, id, err);
  return lette;
}

}  // namespace scen::tool
