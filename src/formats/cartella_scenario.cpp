#include "formats/cartella_scenario.h"

#include <algorithm>
#include <system_error>
#include <tuple>
#include <utility>

#include "formats/decodifica.h"
#include "platform/folder.h"
#include "platform/path_text.h"
#include "platform/platform_error.h"

namespace scen {
namespace {

namespace fs = std::filesystem;

// Decodes one file of the set, or says why it cannot.
template <typename F>
auto decodifica_o_perche(const std::optional<std::string>& byte, const fs::path& file, F&& decoder,
                         std::string& perche) {
  auto d = decode_file(byte, std::forward<F>(decoder));
  if (d.missing) {
    perche = utf8_of(file) + ": no such file";
  } else if (!d.value) {
    perche = utf8_of(file) + ": " + d.reason;
  }
  return std::move(d.value);
}

// "<route>_<train>.sim" split at its last "_"; nothing for any other name.
std::optional<identita> identita_del_sommario(const std::string& nome) {
  constexpr std::string_view estensione = ".sim";
  if (nome.size() <= estensione.size() || !nome.ends_with(estensione)) return std::nullopt;
  const std::string stem = nome.substr(0, nome.size() - estensione.size());
  const auto sep = stem.rfind('_');
  if (sep == std::string::npos || sep == 0 || sep + 1 == stem.size()) return std::nullopt;
  return identita{stem.substr(0, sep), stem.substr(sep + 1)};
}

}  // namespace

std::optional<std::string> leggi_file(const fs::path& file) {
  std::error_code ec;
  const auto stato = fs::status(file, ec);
  if (stato.type() == fs::file_type::not_found) return std::nullopt;
  if (ec) throw platform_error(file, ec.message());
  if (stato.type() != fs::file_type::regular) throw platform_error(file, "not a regular file");
  const folder dir(file.parent_path());
  return dir.read(utf8_of(file.filename()), limite_file);
}

file_scenario leggi_file_scenario(const fs::path& dir, const identita& id) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) throw platform_error(dir, "not a folder");
  return {leggi_file(dir / path_from_utf8(nome_file_linea(id))),
          leggi_file(dir / path_from_utf8(nome_file_sommario(id))),
          leggi_file(dir / path_from_utf8(nome_file_percorso(id)))};
}

std::vector<identita> identita_in_cartella(const fs::path& dir, const std::optional<std::string>& linea,
                                           const std::optional<std::string>& treno) {
  std::vector<identita> trovate;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), fine; !ec && it != fine; it.increment(ec)) {
    std::optional<identita> id = identita_del_sommario(utf8_of(it->path().filename()));
    if (!id || (linea && id->nome_linea != *linea) || (treno && id->nome_treno != *treno)) continue;
    trovate.push_back(std::move(*id));
  }
  std::sort(trovate.begin(), trovate.end(), [](const identita& a, const identita& b) {
    return std::tie(a.nome_linea, a.nome_treno) < std::tie(b.nome_linea, b.nome_treno);
  });
  return trovate;
}

std::optional<scenario_decodificato> decodifica_scenario(file_scenario f, const fs::path& dir, const identita& id,
                                                         std::string& perche) {
  scenario_decodificato d;
  d.id = id;
  const auto voci =
      decodifica_o_perche(f.sommario, dir / path_from_utf8(nome_file_sommario(id)), decodifica_sommario, perche);
  if (!voci) return std::nullopt;
  auto celle =
      decodifica_o_perche(f.percorso, dir / path_from_utf8(nome_file_percorso(id)), decodifica_percorso, perche);
  if (!celle) return std::nullopt;
  // The encoded files go before the plan view, the largest, is decoded.
  f.sommario.reset();
  f.percorso.reset();
  d.voci = *voci;
  d.celle = std::move(*celle);
  std::string senza;
  d.planimetria = decodifica_o_perche(f.linea, dir / path_from_utf8(nome_file_linea(id)), decodifica_linea, senza);
  if (!d.planimetria) d.senza_piano = senza;
  return d;
}

double lunghezza_percorso(const scenario_decodificato& d) {
  const double fine_celle = metri_inizio_cella(static_cast<std::int64_t>(d.celle.size()) - 1);
  const double dichiarata = d.voci[voce::dati_generali].fine;
  return dichiarata > 0 && dichiarata <= fine_celle ? dichiarata : fine_celle;
}

}  // namespace scen
