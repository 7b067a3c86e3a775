#include "text/rilievi_testo.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "text/testo_utf8.h"

namespace scen::tool {
namespace {

using sorgente = luogo_errore::sorgente;

const std::string* nome_di(const sorgenti_nominate& s, sorgente f) {
  switch (f) {
    case sorgente::linea:
      return &s.linea;
    case sorgente::treno:
      return &s.treno;
    case sorgente::nessuna:
      break;
  }
  return nullptr;
}

const std::optional<std::string>& testo_di(const sorgenti_nominate& s, sorgente f) {
  return f == sorgente::linea ? s.testo_linea : s.testo_treno;
}

std::vector<std::size_t> inizi_righe(const std::optional<std::string>& testo) {
  std::vector<std::size_t> out;
  if (!testo) return out;
  const std::string& t = *testo;
  out.push_back(0);
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ++i;
    if (t[i] == '\n' || t[i] == '\r') out.push_back(i + 1);
  }
  return out;
}

// Line `riga` (from 1) of a source, without its line end.
std::optional<std::string> riga_di(const std::string& testo, const std::vector<std::size_t>& inizi, std::int32_t riga) {
  if (riga < 1 || static_cast<std::size_t>(riga) > inizi.size()) return std::nullopt;
  const std::size_t da = inizi[static_cast<std::size_t>(riga - 1)];
  if (da > testo.size()) return std::nullopt;
  std::size_t a = da;
  while (a < testo.size() && testo[a] != '\n' && testo[a] != '\r') ++a;
  return testo.substr(da, a - da);
}

std::string luogo(const punto_sorgente& p, const sorgenti_nominate& s) {
  const std::string* nome = nome_di(s, p.file);
  if (nome == nullptr) return {};
  if (p.riga <= 0) return *nome + ": ";
  if (p.colonna <= 0) return fmt::format("{}:{}: ", *nome, p.riga);
  return fmt::format("{}:{}:{}: ", *nome, p.riga, p.colonna);
}

struct tinte {
  bool attive;
  std::string operator()(const char* codice, const std::string& t) const {
    return attive ? fmt::format("\x1b[{}m{}\x1b[0m", codice, t) : t;
  }
};

const char* parola(gravita g) {
  switch (g) {
    case gravita::errore:
      return "error";
    case gravita::avviso:
      return "warning";
    case gravita::nota:
      return "note";
  }
  return "note";
}

const char* tinta(gravita g) {
  switch (g) {
    case gravita::errore:
      return "1;31";
    case gravita::avviso:
      return "1;35";
    case gravita::nota:
      return "1;36";
  }
  return "1";
}

// The source line and a caret under the token, each byte before the token
// taking the columns it is shown in (an escaped control byte four). A long
// line is shown around the token only.
void stampa_sorgente(std::ostream& out, const punto_sorgente& p, const sorgenti_nominate& s, const tinte& t,
                     const std::optional<std::string>& fix) {
  if (p.riga <= 0 || p.colonna <= 0) return;
  const auto& testo = testo_di(s, p.file);
  if (!testo) return;
  const auto intera = riga_di(*testo, p.file == sorgente::linea ? s.righe_linea : s.righe_treno, p.riga);
  if (!intera) return;
  constexpr std::size_t finestra = 160;
  const std::size_t colonna = static_cast<std::size_t>(p.colonna - 1);
  std::size_t da = 0;
  if (intera->size() > finestra && colonna > finestra / 2) da = std::min(colonna - finestra / 2, intera->size());
  const std::string riga = intera->substr(da, finestra);
  const std::string avanti = da > 0 ? "..." : "";
  const std::string dopo = da + finestra < intera->size() ? "..." : "";
  out << "  " << avanti << leggibile_da_1252(riga) << dopo << '\n';
  const std::size_t fino = std::min(colonna - std::min(colonna, da), riga.size());
  const std::string prima(avanti.size() + colonne(leggibile_da_1252(riga.substr(0, fino))), ' ');
  // The token's own bytes as shown; past the line's end, as long as it says.
  const std::size_t lunghezza = p.lunghezza > 1 ? static_cast<std::size_t>(p.lunghezza) : 1;
  const std::string token = riga.substr(fino, lunghezza);
  const std::size_t larghezza = std::clamp<std::size_t>(
      std::max(colonne(leggibile_da_1252(token)) + (lunghezza - std::min(lunghezza, token.size())), std::size_t{1}), 1,
      finestra);
  std::string caret(larghezza, '~');
  caret[0] = '^';
  out << "  " << prima << t("1;32", caret) << '\n';
  if (fix) out << "  " << prima << t("32", leggibile_da_1252(*fix)) << '\n';
}

nlohmann::json punto_json(const punto_sorgente& p, const sorgenti_nominate& s, nlohmann::json& j) {
  const std::string* nome = nome_di(s, p.file);
  j["source"] = nome ? nlohmann::json(*nome) : nlohmann::json(nullptr);
  j["line"] = p.riga > 0 ? nlohmann::json(p.riga) : nlohmann::json(nullptr);
  j["column"] = p.colonna > 0 ? nlohmann::json(p.colonna) : nlohmann::json(nullptr);
  return j;
}

}  // namespace

sorgenti_nominate::sorgenti_nominate(std::string linea_, std::string treno_, std::optional<std::string> testo_linea_,
                                     std::optional<std::string> testo_treno_)
    : linea(std::move(linea_)),
      treno(std::move(treno_)),
      testo_linea(std::move(testo_linea_)),
      testo_treno(std::move(testo_treno_)),
      righe_linea(inizi_righe(testo_linea)),
      righe_treno(inizi_righe(testo_treno)) {}

bool colore_per(int fd) {
  const char* no = std::getenv("NO_COLOR");
  if (no != nullptr && *no != '\0') return false;
  return ::isatty(fd) == 1;
}

void stampa_rilievo(std::ostream& out, const rilievo& r, const sorgenti_nominate& s, bool colore) {
  const tinte t{colore};
  std::string testa = luogo(r.dove, s);
  out << t("1", testa) << t(tinta(r.livello), std::string(parola(r.livello)) + ":") << ' '
      << t("1", leggibile_da_1252(r.messaggio.size() > 1000 ? r.messaggio.substr(0, 1000) + "..." : r.messaggio));
  if (r.codice) out << " [code " << *r.codice << "]";
  if (r.avviso) out << " [" << avviso_di(*r.avviso).nome << "]";
  out << '\n';
  stampa_sorgente(out, r.dove, s, t, r.fix ? std::optional<std::string>(r.fix->testo) : std::nullopt);
  if (r.aiuto) out << "  " << t("1;32", "help:") << ' ' << leggibile_da_1252(*r.aiuto) << '\n';
  for (const nota_rilievo& n : r.note) {
    out << t("1", luogo(n.dove, s)) << t(tinta(gravita::nota), "note:") << ' ' << leggibile_da_1252(n.messaggio)
        << '\n';
  }
}

nlohmann::json rilievo_json(const rilievo& r, const sorgenti_nominate& s) {
  nlohmann::json j;
  j["severity"] = parola(r.livello);
  j["code"] = r.codice ? nlohmann::json(*r.codice) : nlohmann::json(nullptr);
  j["name"] = r.avviso ? nlohmann::json(avviso_di(*r.avviso).nome) : nlohmann::json(nullptr);
  j["position"] = r.posizione ? nlohmann::json(*r.posizione) : nlohmann::json(nullptr);
  punto_json(r.dove, s, j);
  j["message"] = utf8_da_1252(r.messaggio);
  j["notes"] = nlohmann::json::array();
  for (const nota_rilievo& n : r.note) {
    nlohmann::json x;
    punto_json(n.dove, s, x);
    x["message"] = utf8_da_1252(n.messaggio);
    j["notes"].push_back(x);
  }
  j["help"] = r.aiuto ? nlohmann::json(utf8_da_1252(*r.aiuto)) : nlohmann::json(nullptr);
  if (r.fix) {
    nlohmann::json f;
    punto_json(r.fix->dove, s, f);
    f["end_column"] = r.fix->dove.colonna + std::max(r.fix->dove.lunghezza, 0);
    f["replacement"] = utf8_da_1252(r.fix->testo);
    j["fix"] = f;
  }
  return j;
}

conteggio conta(const std::vector<rilievo>& rilievi, const oltre_limite& non_detti) {
  conteggio c;
  for (const rilievo& r : rilievi) {
    if (r.livello == gravita::errore) ++c.errori;
    if (r.livello == gravita::avviso) ++c.avvisi;
  }
  c.errori += non_detti.errori;
  c.avvisi += non_detti.avvisi;
  c.non_detti = non_detti;
  return c;
}

namespace {

// 2000000 as "2,000,000".
std::string con_migliaia(std::int64_t n) {
  const std::string cifre = std::to_string(n < 0 ? -n : n);
  std::string out = n < 0 ? "-" : "";
  for (std::size_t i = 0; i < cifre.size(); ++i) {
    if (i > 0 && (cifre.size() - i) % 3 == 0) out += ',';
    out += cifre[i];
  }
  return out;
}

std::string quanti(std::int64_t n, std::string_view cosa) {
  return fmt::format("{} {}{}", con_migliaia(n), cosa, n == 1 ? "" : "s");
}

}  // namespace

std::string testo_conteggio(const conteggio& c) {
  return quanti(c.errori, "error") + ", " + quanti(c.avvisi, "warning");
}

std::string testo_non_detti(const conteggio& c) {
  std::vector<std::string> parti;
  if (c.non_detti.errori > 0) parti.push_back(quanti(c.non_detti.errori, "more error"));
  if (c.non_detti.avvisi > 0) parti.push_back(quanti(c.non_detti.avvisi, "more warning"));
  if (parti.empty()) return {};
  return fmt::format("and {} not shown", fmt::join(parti, " and "));
}

void conteggio_json(nlohmann::json& j, const conteggio& c) {
  j["errors"] = c.errori;
  j["warnings"] = c.avvisi;
  j["not_shown"] = {{"errors", c.non_detti.errori}, {"warnings", c.non_detti.avvisi}};
}

}  // namespace scen::tool
