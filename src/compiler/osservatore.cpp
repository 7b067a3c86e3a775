#include "compiler/osservatore.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <string_view>

#include "compiler/caratteri.h"
#include "compiler/chiavi.h"
#include "compiler/numeri.h"
#include "model/accesso.h"
#include "model/codici_errore.h"
#include "model/misure.h"
#include "model/testo.h"

namespace scen {
namespace {

using sorgente = luogo_errore::sorgente;

// The known key nearest to `chiave`, when it is near enough to be a slip.
std::optional<std::string> piu_vicina(const std::string& chiave, std::span<const std::string_view> note) {
  if (chiave.size() > 64) return std::nullopt;  // no key is that long: nothing near
  const std::string k = minuscole(chiave);
  std::optional<std::string> migliore;
  std::size_t d_min = std::max<std::size_t>(2, k.size() / 3) + 1;
  for (std::string_view n : note) {
    const std::size_t d = distanza(k, n);
    if (d < d_min) {
      d_min = d;
      migliore = std::string(n);
    }
  }
  return migliore;
}

// A text quoted in a message: long ones are cut.
std::string breve(std::string_view s) {
  if (s.size() <= 60) return std::string(s);
  return std::string(s.substr(0, 57)) + "...";
}

bool numero(std::string_view s) {
  if (s.empty()) return false;
  std::size_t i = (s[0] == '+' || s[0] == '-') ? 1 : 0;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  return true;
}

std::int64_t multiplo_vicino(std::int64_t v, std::int64_t passo) {
  // Nearest multiple; a tie goes to the smaller one.
  const std::int64_t sotto = v - ((v % passo) + passo) % passo;
  return v - sotto <= passo / 2 ? sotto : sotto + passo;
}

const char* nome_file(sorgente s) {
  switch (s) {
    case sorgente::linea:
      return "the route source";
    case sorgente::treno:
      return "the train source";
    case sorgente::nessuna:
      break;
  }
  return "the source";
}

std::int32_t righe_di(const std::string& testo) {
  std::int32_t n = 0;
  for (std::size_t i = 0; i < testo.size(); ++i) {
    if (testo[i] == '\n' || (testo[i] == '\r' && (i + 1 >= testo.size() || testo[i + 1] != '\n'))) ++n;
  }
  if (!testo.empty() && testo.back() != '\n' && testo.back() != '\r') ++n;
  return n;
}

// What made a number field unreadable, when it is something an author
// cannot see or a habit of writing numbers: named, with the fix.
void spiega_numero(const std::string& testo, rilievo& r) {
  if (testo.empty()) return;
  if (const auto italiano = numero_all_italiana(testo)) {
    r.messaggio += fmt::format(": \"{}\" is written with {}", italiano->scritto, italiano->perche);
    r.aiuto = fmt::format("write {}", italiano->inteso);
    // A thousands dot has one meaning; a decimal's rounding is the author's to choose.
    if (italiano->perche.starts_with("a dot as")) r.fix = correzione{r.dove, italiano->inteso};
    return;
  }
  const std::string nascosti = caratteri_nascosti(testo);
  if (nascosti.empty()) return;
  r.messaggio += fmt::format(": it holds {}, which looks like a blank or a minus sign but is not one", nascosti);
  std::string pulito;
  for (std::size_t i = 0; i < testo.size();) {
    const auto b = static_cast<unsigned char>(testo[i]);
    if (b < 0x80) {
      pulito += testo[i++];
      continue;
    }
    // The look-alike minus signs and dashes become "-"; the rest is dropped.
    const std::string_view resto = std::string_view(testo).substr(i);
    const bool meno = resto.starts_with("\xE2\x88\x92") || resto.starts_with("\xE2\x80\x93") ||
                      resto.starts_with("\xE2\x80\x94") || b == 0x96 || b == 0x97;
    if (meno) pulito += '-';
    i += resto.starts_with("\xE2") ? 3 : resto.starts_with("\xEF\xBB\xBF") ? 3 : resto.starts_with("\xC2") ? 2 : 1;
  }
  r.aiuto = "retype it with plain characters (space, \"-\", digits)";
  if (numero(pulito)) {
    r.aiuto = fmt::format("write {}", pulito);
    r.fix = correzione{r.dove, pulito};
  }
}

// The number the current key continues when only a comma stands between
// them ("7,5"), or nothing.
std::string numero_spezzato(const contesto& c) {
  if (!c.lettore || c.lettore->campi().empty()) return {};
  const std::string_view t = c.lettore->byte();
  const campo_letto& k = c.lettore->campi().front();
  if (k.inizio < 2 || t[k.inizio - 1] != ',') return {};
  std::size_t da = k.inizio - 1;
  while (da > 0 && t[da - 1] >= '0' && t[da - 1] <= '9') --da;
  if (da == k.inizio - 1) return {};
  return std::string(t.substr(da, k.fine - da));
}

// The name a station line ends with, read from the line's bytes: the
// station's errors may come before the compile reads it.
std::string nome_in_riga(const contesto& c) {
  const std::string_view t = c.lettore->byte();
  const std::size_t da = c.lettore->campi().front().inizio;
  std::size_t a = da;
  while (a < t.size() && t[a] != '\r' && t[a] != '\n') ++a;
  const std::string_view riga = t.substr(da, a - da);
  const std::size_t virgola = riga.rfind(',');
  if (virgola == std::string_view::npos) return {};
  std::string_view nome = riga.substr(virgola + 1);
  while (!nome.empty() && (nome.front() == ' ' || nome.front() == '\t' || nome.front() == '"')) nome.remove_prefix(1);
  while (!nome.empty() && (nome.back() == ' ' || nome.back() == '\t' || nome.back() == '"')) nome.remove_suffix(1);
  if (numero(nome)) return {};
  return std::string(nome);
}

}  // namespace

// ---- Places and texts ---------------------------------------------------------

const std::optional<std::string>& osservatore::sorgente(luogo_errore::sorgente s) const {
  return s == sorgente::linea ? linea_ : treno_;
}

punto_sorgente osservatore::punto(const contesto& c, std::size_t i) const {
  if (!c.lettore) return {c.file, 0, 0, 0};
  const auto& campi = c.lettore->campi();
  if (campi.empty()) return {c.file, c.lettore->riga_campo(), 0, 0};
  const campo_letto& f = campi[std::min(i, campi.size() - 1)];
  return {c.file, f.riga, f.colonna, static_cast<std::int32_t>(f.fine - f.inizio)};
}

std::string osservatore::testo_campo(const contesto& c, std::size_t i) const {
  if (!c.lettore || c.lettore->campi().empty()) return {};
  const auto& campi = c.lettore->campi();
  const campo_letto& f = campi[std::min(i, campi.size() - 1)];
  return std::string(c.lettore->byte().substr(f.inizio, f.fine - f.inizio));
}

void osservatore::aggiungi(rilievo r) {
  if (r.avviso) {
    switch (scelta_.di(*r.avviso)) {
      case trattamento_avviso::taciuto:
        return;
      case trattamento_avviso::errore:
        r.livello = gravita::errore;
        break;
      case trattamento_avviso::mostrato:
        break;
    }
  }
  if (pieno(r.livello)) {
    (r.livello == gravita::errore ? non_detti_.errori : non_detti_.avvisi) += 1;
    return;
  }
  (r.livello == gravita::errore ? errori_ : avvisi_) += 1;
  esito_.rilievi.push_back(std::move(r));
}

bool osservatore::salta(tipo_avviso t) {
  const trattamento_avviso come = scelta_.di(t);
  if (come == trattamento_avviso::taciuto) return true;
  const bool errore = come == trattamento_avviso::errore;
  if (!pieno(errore ? gravita::errore : gravita::avviso)) return false;
  (errore ? non_detti_.errori : non_detti_.avvisi) += 1;
  return true;
}

esito_analisi osservatore::risultato() {
  esito_.non_detti = non_detti_;
  esito_.oggetti = std::move(celle_);
  return std::move(esito_);
}

void osservatore::avviso(const contesto& c, std::size_t i, tipo_avviso tipo, std::string messaggio,
                         std::optional<std::string> fix, std::vector<nota_rilievo> note) {
  if (salta(tipo)) return;
  rilievo r;
  r.livello = gravita::avviso;
  r.avviso = tipo;
  r.dove = punto(c, i);
  r.messaggio = std::move(messaggio);
  r.note = std::move(note);
  if (fix) r.fix = correzione{r.dove, *fix};
  aggiungi(std::move(r));
}

void osservatore::avviso_con_aiuto(const contesto& c, tipo_avviso tipo, std::string messaggio,
                                   std::optional<std::string> aiuto, std::optional<std::string> fix) {
  if (salta(tipo)) return;
  rilievo r;
  r.livello = gravita::avviso;
  r.avviso = tipo;
  r.dove = punto(c, 0);
  r.messaggio = std::move(messaggio);
  r.aiuto = std::move(aiuto);
  if (fix) r.fix = correzione{r.dove, *fix};
  aggiungi(std::move(r));
}

// ---- Keys -----------------------------------------------------------------------

void osservatore::chiave(const contesto& c, parte_sorgente parte, const chiave_letta& k, bool intestazione_) {
  nel_treno_ = parte == parte_sorgente::treno;
  const punto_sorgente dove = punto(c, 0);
  if (righe_ignorate_ != 0 && dove.riga == righe_ignorate_) return;
  righe_ignorate_ = 0;
  const std::string chiave(k.scritta);
  const std::vector<scen::chiave> prese = chiavi_prese(k, parte);
  if (!prese.empty()) {
    chiave_presa(c, parte, k, prese);
    return;
  }
  if (chiave.empty()) return;
  // One key passed over is enough for its line: the values after it are then
  // read as keys too, and would only repeat it (past the cap as well, so
  // that the count of findings not shown is the count there would be).
  righe_ignorate_ = dove.riga;
  if (intestazione_ || sembra_intestazione(chiave)) {
    const bool treno = parte == parte_sorgente::treno;
    const auto note = intestazioni(treno);
    if (std::find(note.begin(), note.end(), std::string_view(k.minuscola)) != note.end()) return;
    if (salta(tipo_avviso::intestazione_sconosciuta)) return;
    const std::optional<std::string> vicina = piu_vicina(chiave, note);
    avviso_con_aiuto(c, tipo_avviso::intestazione_sconosciuta,
                     fmt::format("unknown section header \"{}\"", breve(chiave)),
                     vicina ? std::optional(fmt::format("did you mean \"{}\"?", *vicina)) : std::nullopt, vicina);
    return;
  }
  if (numero(chiave)) {
    std::optional<std::string> aiuto;
    // "7,5" written for seven and a half: the comma cut it into two values.
    const std::string decimale = numero_spezzato(c);
    if (!decimale.empty()) {
      if (const auto italiano = numero_all_italiana(decimale)) {
        aiuto = fmt::format("if \"{}\" is one number, it is written with {}: write {}", decimale, italiano->perche,
                            italiano->inteso);
      }
    }
    avviso_con_aiuto(c, tipo_avviso::valore_come_chiave,
                     fmt::format("the value \"{}\" stands where a key is expected and is passed over: the line "
                                 "before holds more values than its key reads, or a comma is missing",
                                 breve(chiave)),
                     aiuto);
    return;
  }
  const chiave_letta minuscola(k.minuscola);
  const bool generale_minuscola = !chiavi_prese(minuscola, parte_sorgente::generale).empty();
  // A key no rule took: passed over, with the nearest key of its part.
  const auto sconosciuta = [&](parte_sorgente p, const char* dove_parte) {
    if (salta(tipo_avviso::chiave_sconosciuta)) return;
    const auto vicina = piu_vicina(chiave, scritture_note(p));
    avviso_con_aiuto(c, tipo_avviso::chiave_sconosciuta,
                     fmt::format("unknown key \"{}\"{}; the line is passed over", breve(chiave), dove_parte),
                     vicina ? std::optional(fmt::format("did you mean \"{}\"?", *vicina)) : std::nullopt, vicina);
  };
  switch (parte) {
    case parte_sorgente::generale: {
      if (generale_minuscola) {
        avviso_con_aiuto(c, tipo_avviso::chiave_maiuscole,
                         fmt::format("key \"{}\" is not recognised: the keys of [generale] other than the route "
                                     "length are matched in lower case only",
                                     breve(chiave)),
                         fmt::format("write it in lower case: \"{}\"", k.minuscola), k.minuscola);
        return;
      }
      if (!chiavi_prese(k, parte_sorgente::sezioni).empty()) {
        avviso(c, 0, tipo_avviso::chiave_fuori_sezione,
               fmt::format("key \"{}\" is passed over: inside [generale] only the general keys are read; move the "
                           "line after the next section header",
                           breve(chiave)));
        return;
      }
      sconosciuta(parte_sorgente::generale, " in [generale]");
      return;
    }
    case parte_sorgente::sezioni: {
      if (generale_minuscola) {
        avviso(c, 0, tipo_avviso::chiave_fuori_sezione,
               fmt::format("key \"{}\" is passed over: the general keys are read only in the [generale] section",
                           breve(chiave)));
        return;
      }
      sconosciuta(parte_sorgente::sezioni, "");
      return;
    }
    case parte_sorgente::treno: {
      sconosciuta(parte_sorgente::treno, "");
      return;
    }
  }
}

// A key some rules took. Written as in the formats it says nothing; written
// otherwise, it says what the rules read it as.
void osservatore::chiave_presa(const contesto& c, parte_sorgente parte, const chiave_letta& k,
                               const std::vector<scen::chiave>& prese) {
  if (parte == parte_sorgente::sezioni && c.m.scrivi_linea == 0 && prese.front() == scen::chiave::curva) {
    righe_ignorate_ = punto(c, 0).riga;  // its values are read as keys and match nothing
  }
  if (prese.front() == scen::chiave::lunghezza_percorso) {
    if (lunghezza_vista_) {
      avviso(c, 0, tipo_avviso::seconda_lunghezza,
             "a second route length line: the track and the plan view start anew from here, and "
             "nothing placed before it is kept");
    }
    lunghezza_vista_ = true;
  }
  if (prese.size() == 1 && scritta_come_nei_formati(k, prese.front())) return;
  std::vector<std::string> lette;
  for (scen::chiave id : prese) lette.push_back(fmt::format("\"{}\"", letta_come(k, id)));
  std::string m = fmt::format("key \"{}\" is read as {}", breve(std::string(k.scritta)), fmt::join(lette, " and as "));
  if (prese.size() > 1) m += ": each reads its own values from the line";
  std::optional<std::string> aiuto;
  std::optional<std::string> fix;
  if (prese.front() == scen::chiave::curva) {
    const bool sinistra = curva_a_sinistra(k);
    const auto raggio = raggio_della_chiave(k.scritta);
    if (raggio) {
      m += fmt::format(", a {}-hand curve of radius {} m", sinistra ? "left" : "right", *raggio);
      if (sinistra && !contiene(k.minuscola, "curvas")) m += " (the key holds an \"s\")";
    }
    aiuto =
        "the curve keys are curvad1 to curvad6 (right-hand) and curvas1 to curvas6 (left-hand), the digit giving "
        "the radius: 10000, 5000, 2500, 1000, 500 or 333 m";
  }
  const auto primo = k.scritta.find_first_not_of(" \t");
  if (primo != std::string_view::npos &&
      (k.scritta[primo] == '#' || k.scritta[primo] == '/' || k.scritta[primo] == ';' || k.scritta[primo] == '\'')) {
    m += fmt::format("; \"{}\" does not make the line a comment, and the line is compiled", k.scritta[primo]);
    aiuto = "a source has no line comments (a key holding \"-\" hides only itself): delete the line to leave it out";
  } else if (prese.size() == 1 && prese.front() != scen::chiave::curva) {
    fix = letta_come(k, prese.front());
    if (!aiuto) aiuto = fmt::format("write the key as \"{}\"", *fix);
  }
  const std::string nascosto = caratteri_nascosti(k.scritta);
  if (!nascosto.empty()) m += "; it holds " + nascosto;
  avviso_con_aiuto(c, tipo_avviso::chiave_scritta_altrimenti, m, aiuto, fix);
}

void osservatore::ultimo_campo(const contesto& c, const std::string& campo) {
  if (troncata(c)) return;
  if (contiene_senza_maiuscole(campo, fine_sorgente) || campo.empty()) return;
  avviso(c, 0, tipo_avviso::ultimo_campo,
         fmt::format("the last field of {}, \"{}\", is never acted upon: end the source with a \"[fine]\" line",
                     nome_file(c.file), breve(campo)));
}

bool osservatore::troncata(const contesto& c) {
  if (troncata_detta_ || !c.lettore) return troncata_detta_;
  const std::string_view t = c.lettore->byte();
  if (t.empty() || t.back() == '\n' || t.back() == '\r') return false;
  const std::size_t inizio_riga = t.find_last_of("\r\n") == std::string_view::npos ? 0 : t.find_last_of("\r\n") + 1;
  const std::string_view ultima = t.substr(inizio_riga);
  const std::size_t fine = ultima.find_last_not_of(" \t");
  if (fine != std::string_view::npos && contiene_senza_maiuscole(ultima, fine_sorgente)) return false;
  troncata_detta_ = true;
  std::int32_t riga = 1;
  for (std::size_t i = 0; i < inizio_riga; ++i) {
    if (t[i] == '\n' || (t[i] == '\r' && (i + 1 >= t.size() || t[i + 1] != '\n'))) ++riga;
  }
  const std::size_t ultimo_separatore = ultima.find_last_of(", \t");
  const std::string_view coda =
      ultimo_separatore == std::string_view::npos ? ultima : ultima.substr(ultimo_separatore + 1);
  const bool in_un_numero = !coda.empty() && numero(coda);
  rilievo r;
  r.livello = gravita::avviso;
  r.avviso = tipo_avviso::sorgente_troncata;
  r.dove = {c.file, riga, 1, static_cast<std::int32_t>(ultima.size())};
  r.messaggio = fmt::format(
      "{} ends inside line {}{}, with no line end: it looks cut off (copied incompletely); written \"{}\", the "
      "simulator gets nothing of this line, nor of anything that should have followed it",
      nome_file(c.file), riga, in_un_numero ? fmt::format(", just after the number {}", coda) : "", breve(ultima));
  r.aiuto = "copy the source again in full; a complete source ends with a \"[fine]\" line and a line end";
  aggiungi(std::move(r));
  return true;
}

void osservatore::fine_riga(const contesto& c) {
  if (!c.lettore) return;
  const auto& campi = c.lettore->campi();
  if (campi.size() < 2) return;
  const campo_letto& chiave = campi.front();
  for (std::size_t i = 1; i < campi.size(); ++i) {
    const campo_letto& f = campi[i];
    if (f.riga <= chiave.riga) continue;
    const std::string preso(c.lettore->byte().substr(f.inizio, f.fine - f.inizio));
    const std::string cosa = f.nome != nullptr ? f.nome : "a value";
    const std::string k = testo_campo(c, 0);
    avviso_con_aiuto(
        c, tipo_avviso::campo_su_altra_riga,
        fmt::format("the line of \"{}\" ends after {} value{}: written without {}, the simulator gets \"{}\" from "
                    "line {} as {}{}",
                    breve(k), i - 1, i == 2 ? "" : "s", cosa, breve(preso), f.riga, cosa,
                    c.lettore->riga_attuale() == campi.back().riga
                        ? fmt::format(", and the rest of line {} is passed over", campi.back().riga)
                        : std::string()),
        fmt::format("add {} to line {}", cosa, chiave.riga));
    // The values left on the later line are read as keys: this finding tells them.
    righe_ignorate_ = campi.back().riga;
    return;
  }
}

void osservatore::treno_senza_generale(const contesto& c) {
  rilievo r;
  r.livello = gravita::avviso;
  r.avviso = tipo_avviso::treno_senza_generale;
  r.dove = {sorgente::treno, 0, 0, 0};
  r.messaggio =
      "the train source has no \"[generale]\" line: nothing of it is read (no station, signal, slowdown or "
      "profile), and the train runs with every value 0";
  (void)c;
  aggiungi(std::move(r));
}

// ---- Positions and values -----------------------------------------------------

void osservatore::posizione(const contesto& c, std::size_t i, std::int64_t p, const char* cosa) {
  if (p < 0) {
    avviso(c, i, tipo_avviso::prima_di_zero,
           fmt::format("{} at {} m stands before the start of the route (0 m)", cosa, p));
    return;
  }
  const std::int32_t lunghezza = c.m.stazioni[voce::dati_generali].fine;
  if (c.m.percorso && p > lunghezza) {
    avviso(c, i, tipo_avviso::oltre_percorso,
           fmt::format("{} at {} m stands beyond the end of the route ({} m): the simulator's train never gets "
                       "there",
                       cosa, p, lunghezza));
  }
}

void osservatore::cella_punto(const contesto& c, std::size_t i, std::int64_t p, const char* cosa) {
  if (p % 50 == 0) return;
  const std::int64_t cella = scen::cella_punto(p);
  const std::int64_t metri = (cella - 1) * 50;
  avviso(c, i, tipo_avviso::posizione_arrotondata,
         fmt::format("{} at {} m is placed on cell {}, which stands for {} m: positions are kept in steps of 50 m",
                     cosa, p, cella, metri),
         std::to_string(metri));
}

void osservatore::cella_profilo(const contesto& c, std::size_t i, std::int64_t p, const char* cosa) {
  const std::int64_t cella = scen::cella_profilo(p);
  if (p % 50 != 0) {
    const std::int64_t metri = cella * 50;
    avviso(c, i, tipo_avviso::profilo_arrotondato,
           fmt::format("{} at {} m takes effect from cell {}, at {} m: positions are kept in steps of 50 m", cosa, p,
                       cella, metri),
           std::to_string(metri));
  }
  const std::string tipo(cosa);
  if (tipo == "code line") return;
  auto [it, nuova] = ultima_cella_profilo_.try_emplace(tipo, cella);
  if (!nuova) {
    if (cella <= 0 && it->second > 0) {
      // A line at cell 0 or before fills nothing: it takes the previous
      // line's place, and its value starts where that one did.
      riletto(c, i, tipo_avviso::profilo_fuori_ordine, fmt::format("{} at {} m", cosa, p),
              fmt::format("it from {} m on (cell {}), where the previous line's value was to start; that value is lost",
                          it->second * 50, it->second),
              "the lines of a profile are read in increasing position");
    } else if (cella > 0 && cella <= it->second) {
      avviso(c, i, tipo_avviso::profilo_fuori_ordine,
             fmt::format("{} at {} m does not come after the previous one (cell {} after cell {}): the lines of a "
                         "profile are read in increasing position, and this one only moves the previous value on "
                         "by one cell",
                         cosa, p, cella, it->second));
    }
    it->second = std::max(it->second, cella);
  }
}

void osservatore::valore(const contesto& c, std::size_t i, std::int64_t letto, std::int64_t minimo,
                         std::int64_t massimo, std::int64_t salvato, const std::string& cosa) {
  if (letto >= minimo && letto <= massimo) return;
  avviso(c, i, tipo_avviso::bit_bassi,
         fmt::format("{} {} is outside {} to {}: only its low bits are kept, and it is stored as {}", cosa, letto,
                     minimo, massimo, salvato));
}

void osservatore::nome(const contesto& c, std::size_t i, const std::string& testo, const char* cosa) {
  for (std::size_t k = 0; k < testo.size(); ++k) {
    const auto b = static_cast<unsigned char>(testo[k]);
    if (b < 0x20 || b == 0x7F) {
      avviso(c, i, tipo_avviso::byte_di_controllo,
             fmt::format("{} \"{}\" holds the control byte 0x{:02X}", cosa, testo, b));
      return;
    }
  }
  // Two or more bytes that form a UTF-8 sequence: the text was saved as UTF-8.
  for (std::size_t k = 0; k + 1 < testo.size(); ++k) {
    const auto b0 = static_cast<unsigned char>(testo[k]);
    std::size_t n = b0 >= 0xC2 && b0 <= 0xDF ? 2 : b0 >= 0xE0 && b0 <= 0xEF ? 3 : b0 >= 0xF0 && b0 <= 0xF4 ? 4 : 0;
    if (n == 0 || k + n > testo.size()) continue;
    bool seguito = true;
    for (std::size_t j = 1; j < n; ++j) {
      seguito = seguito && (static_cast<unsigned char>(testo[k + j]) & 0xC0) == 0x80;
    }
    if (!seguito) continue;
    std::string esadecimale;
    for (std::size_t j = 0; j < n; ++j) {
      esadecimale += fmt::format("{}{:02X}", j ? " " : "", static_cast<unsigned char>(testo[k + j]));
    }
    avviso(c, i, tipo_avviso::testo_utf8,
           fmt::format("{} holds the bytes {} (\"{}\"), a character written as UTF-8; the sources are "
                       "Windows-1252 and the bytes are stored as they are: save the source as Windows-1252",
                       cosa, esadecimale, testo.substr(k, n)));
    return;
  }
}

// ---- Objects on cells ------------------------------------------------------------

void osservatore::posa(const contesto& c, std::int64_t cella, std::string cosa) {
  celle_[cella] = {punto(c, 1), std::move(cosa)};
}

void osservatore::marcatore_stazione(const contesto& c, std::int64_t cella, const std::string& nome_stazione) {
  const auto it = celle_.find(cella);
  const bool libera_ora = c.m.percorso && cella >= 0 && cella < static_cast<std::int64_t>(c.m.percorso->size()) &&
                          libera((*c.m.percorso)[static_cast<std::size_t>(cella)]);
  if (!libera_ora) {
    std::vector<nota_rilievo> note;
    std::string cosa = "an object";
    if (it != celle_.end()) {
      cosa = it->second.cosa;
      note.push_back({it->second.dove, fmt::format("the {} was placed here", it->second.cosa)});
    }
    avviso(c, 0, tipo_avviso::marcatore_sostituisce,
           fmt::format("the end marker of station \"{}\" goes on cell {} and replaces the {} already there",
                       nome_stazione, cella, cosa),
           std::nullopt, std::move(note));
  }
  celle_[cella] = {punto(c, 1), fmt::format("end marker of station \"{}\"", nome_stazione)};
}

void osservatore::stazione(const contesto& c, std::int32_t voce_stazione) { stazioni_[voce_stazione] = punto(c, 1); }

void osservatore::zona(const contesto& c, std::int32_t voce_zona) {
  const scen::stazione& z = c.m.stazioni[static_cast<std::size_t>(voce_zona)];
  zone_[voce_zona] = {punto(c, 1), punto(c, 2), z.inizio, z.fine};
}

void osservatore::rallentamento(const contesto& c, std::int32_t x, std::int32_t l) {
  esito_.rallentamenti.push_back({x, l, punto(c, 0)});
}

void osservatore::ripetizione(const contesto& c, std::int32_t inizio, std::int32_t fine) {
  if (fine == 0 && inizio != 0) {
    avviso(
        c, 2, tipo_avviso::ripetizione_annullata,
        fmt::format(
            "the repetition's end is 0: its code count is stored as 0 and the simulator gets no cab-signal repetition "
            "(from {} m)",
            inizio));
  } else if (fine != 0 && fine <= inizio) {
    avviso(c, 2, tipo_avviso::ripetizione_annullata,
           fmt::format("the repetition ends at {} m, not after its start at {} m: it covers no track", fine, inizio),
           std::nullopt);
  }
}

void osservatore::velocita_fuori(const contesto& c) { velocita_fuori_ = punto(c, 2); }

// ---- Errors ------------------------------------------------------------------------

void osservatore::note_contesa(const contesto& c, rilievo& r) {
  if (!contesa_) return;
  const std::int64_t cella = *contesa_;
  contesa_.reset();
  const auto it = celle_.find(cella);
  if (it != celle_.end()) {
    r.messaggio += fmt::format(": cell {} already holds the {}", cella, it->second.cosa);
    r.note.push_back({it->second.dove, fmt::format("the {} was placed here", it->second.cosa)});
  } else if (c.m.percorso && cella >= 0 && cella < static_cast<std::int64_t>(c.m.percorso->size())) {
    r.messaggio += fmt::format(": cell {} already holds an object of type {}", cella,
                               int{(*c.m.percorso)[static_cast<std::size_t>(cella)].tipo});
  }
}

rilievo osservatore::errore_25(const contesto& c) {
  rilievo r;
  r.codice = 25;
  r.dove = punto(c, 1);
  const guasto_esecuzione* g = c.guasto;
  const std::string motivo = g ? g->what() : "run-time failure";
  r.messaggio = motivo;
  const auto* gc = dynamic_cast<const guasto_campo*>(g);
  if (gc != nullptr) {
    const campo_letto& f = gc->dove();
    r.dove = {c.file, f.riga, f.colonna, static_cast<std::int32_t>(f.fine - f.inizio)};
    spiega_numero(gc->testo(), r);
    const punto_sorgente chiave = punto(c, 0);
    if (chiave.riga > 0 && f.riga > chiave.riga) {
      // The values were looked for on a later line: the key's line holds too
      // few of them, or its value is stuck to the key.
      const std::string k = testo_campo(c, 0);
      const auto spazio = k.find_last_of(" \t");
      if (spazio != std::string::npos && numero(k.substr(spazio + 1))) {
        rilievo m;
        m.codice = 25;
        m.dove = {c.file, chiave.riga, chiave.colonna + static_cast<std::int32_t>(spazio), 1};
        m.messaggio = fmt::format(
            "expected a comma between the key \"{}\" and its value {}: without it the value is part of the key",
            k.substr(0, k.find_last_not_of(" \t", spazio) + 1), k.substr(spazio + 1));
        m.fix = correzione{m.dove, ","};
        m.note.push_back({r.dove, fmt::format("the value was looked for on the next line: {}", motivo)});
        return m;
      }
      r.note.push_back({chiave, fmt::format("the line of the key \"{}\" ends before all its values are read", k)});
    }
    return r;
  }
  // Adding 100 to a kilometric progressive is done once the general section
  // is read: the failure belongs to the zone line whose progressive overflowed.
  if (contiene(motivo, "kilometric progressive")) {
    for (const auto& [voce_zona, z] : zone_) {
      (void)voce_zona;
      if (z.valore_progressiva > std::numeric_limits<std::int32_t>::max() - 100) {
        r.dove = z.progressiva;
        r.messaggio = fmt::format(
            "{}: with flag 1 the compile adds 100 to the progressive {}, which then does not "
            "fit a whole number of 32 bits",
            motivo, z.valore_progressiva);
        return r;
      }
    }
  }
  if (!c.m.percorso) {
    r.dove = punto(c, 0);
    r.messaggio = fmt::format(
        "the route source has no route length line (\"lunghezza percorso, LENGTH\") in its [generale] section, "
        "so there is no track for line {}",
        r.dove.riga);
    return r;
  }
  const std::string chiave = minuscole(testo_campo(c, 0));
  if (velocita_fuori_ && contiene(motivo, "speed limit")) {
    r.dove = *velocita_fuori_;
    r.messaggio = fmt::format("{}: a speed limit is stored as km/h / 5 and must lie from 0 to 1277 km/h", motivo);
    return r;
  }
  if (contiene(chiave, "segnale") && contiene(motivo, "outside the track")) {
    r.messaggio = fmt::format(
        "{}: a signal's approach markers stand 100 to 400 m before it, so a signal needs a position of 325 m or "
        "more",
        motivo);
  }
  return r;
}

void osservatore::errore(const contesto& c, std::int32_t codice) {
  const std::int32_t pos = c.m.posizione_errore;
  rilievo r;
  r.codice = codice;
  const voce_errore* v = cerca_errore(codice);
  if (v && v->con_posizione) r.posizione = pos;
  r.messaggio = messaggio_errore(codice, pos);
  r.dove = punto(c, 1);
  // Without a track every positioned line fails the position test; the
  // missing track has been told already.
  if (codice == 15 && !c.m.percorso) return;
  switch (codice) {
    case 25:
      if (!senza_percorso_detto_ || c.m.percorso) {
        r = errore_25(c);
        if (!c.m.percorso) senza_percorso_detto_ = true;
      } else {
        return;  // told once: every later line fails for the same reason
      }
      break;
    case 1:
      r.messaggio = fmt::format("route length {} m is above the 1000000 m a route may have", testo_campo(c, 1));
      break;
    case 2: {
      r.dove = {sorgente::linea, 0, 0, 0};
      bool primo = true;
      for (const auto& [voce_zona, z] : zone_) {
        (void)voce_zona;
        const bool inizio = z.valore_inizio % 50 != 0;
        if (!inizio && z.valore_progressiva % 50 == 0) continue;
        const punto_sorgente dove = inizio ? z.inizio : z.progressiva;
        const std::int32_t valore = inizio ? z.valore_inizio : z.valore_progressiva;
        if (primo) {
          r.dove = dove;
          r.messaggio += fmt::format(": {} m", valore);
          r.fix = correzione{dove, std::to_string(multiplo_vicino(valore, 50))};
          primo = false;
        } else {
          r.note.push_back({dove, fmt::format("this zone's {} m is not one either", valore)});
        }
      }
      break;
    }
    case 3:
      r.fix = correzione{r.dove, std::to_string(multiplo_vicino(c.m.stazioni[voce::treno].inizio, 50))};
      r.messaggio += fmt::format(", found {}", testo_campo(c, 1));
      break;
    case 4:
      r.dove = punto(c, 2);
      r.fix = correzione{r.dove, std::to_string(multiplo_vicino(c.m.stazioni[voce::treno].fine, 50))};
      r.messaggio += fmt::format(", found {}", testo_campo(c, 2));
      break;
    case 5:
    case 103:
      r.dove = punto(c, 0);
      r.messaggio += fmt::format(": \"{}\"", testo_campo(c, 0));
      break;
    case 8:
      r.fix = correzione{r.dove, std::to_string(multiplo_vicino(pos, 50))};
      break;
    case 9: {
      r.dove = punto(c, 3);
      const std::string t = testo_campo(c, 3);
      r.messaggio += fmt::format(" ({})", t);
      if (numero(t)) r.fix = correzione{r.dove, std::to_string(multiplo_vicino(std::stoll(t), 100))};
      break;
    }
    case 10:
      r.dove = punto(c, 0);
      r.messaggio += fmt::format(": the route's indication boards hold entries {} to 80, the stations from 1 up",
                                 c.voce_testo + 1);
      break;
    case 22: {
      for (auto it = stazioni_.rbegin(); it != stazioni_.rend(); ++it) {
        if (it->second.riga < r.dove.riga || it->second.file != r.dove.file) {
          const std::string& nome = c.m.stazioni[static_cast<std::size_t>(it->first)].nome;
          r.note.push_back({it->second, fmt::format("the previous station, \"{}\"", breve(nome))});
          break;
        }
      }
      break;
    }
    case 24:
      r.dove = punto(c, 1);
      break;
    case 6:
    case 7:
    case 16:
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
      note_contesa(c, r);
      break;
    case 15: {
      const std::int64_t margine =
          contiene(minuscole(testo_campo(c, 0)), "stazione") ? margine_fine_stazione : margine_fine;
      r.note.push_back({r.dove, fmt::format("the last position accepted here is {} m (the track model ends {} m "
                                            "after the route length, {} m)",
                                            std::int64_t{c.m.ultima_cella} * metri_cella - margine, oltre_linea,
                                            c.m.stazioni[voce::dati_generali].fine)});
      break;
    }
    case 101:
      r.dove = {sorgente::linea, 0, 0, 0};
      r.messaggio = "route source not found";
      break;
    case 102: {
      r.dove = {sorgente::linea, 0, 0, 0};
      r.messaggio = "the route source has no \"[generale]\" section: nothing of it can be read";
      // A header that looks like it is most likely the slip.
      if (linea_) {
        std::int32_t n = 1;
        std::size_t inizio = 0;
        const std::string& t = *linea_;
        for (std::size_t i = 0; i <= t.size(); ++i) {
          if (i < t.size() && t[i] != '\n' && t[i] != '\r') continue;
          std::string riga = t.substr(inizio, i - inizio);
          const auto a = riga.find_first_not_of(" \t");
          const auto b = riga.find_last_not_of(" \t,");
          if (a != std::string::npos && b != std::string::npos) riga = riga.substr(a, b - a + 1);
          if (sembra_intestazione(riga) && distanza(minuscole(riga), inizio_sorgente) <= 3) {
            const punto_sorgente p{sorgente::linea, n, static_cast<std::int32_t>(a == std::string::npos ? 1 : a + 1),
                                   static_cast<std::int32_t>(riga.size())};
            r.dove = p;
            r.messaggio += fmt::format("; \"{}\" here is not it", riga);
            r.fix = correzione{p, std::string(inizio_sorgente)};
            break;
          }
          if (i < t.size() && t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ++i;
          ++n;
          inizio = i + 1;
        }
      }
      break;
    }
    default:
      break;
  }
  if (c.lettore && !c.lettore->campi().empty() && prende(chiave_letta(testo_campo(c, 0)), scen::chiave::stazione) &&
      codice != 25) {
    const std::string nome = nome_in_riga(c);
    if (!nome.empty()) r.messaggio += fmt::format(" (station \"{}\")", breve(nome));
  }
  if (modo_ == modo_analisi::come_compilazione && c.file != sorgente::nessuna && codice != 2) {
    const auto& testo = sorgente(c.file);
    const std::int32_t fino = c.lettore ? c.lettore->riga_campo() : 0;
    const std::int32_t totale = testo ? righe_di(*testo) : 0;
    std::string n;
    if (codice == 15) {
      n = fmt::format("{} was read up to line {} of {}; the rest of it is not read", nome_file(c.file), fino, totale);
    } else {
      n = fmt::format("{} was read up to line {} of {}; the compile stops here", nome_file(c.file), fino, totale);
      if (c.file == sorgente::linea) n += " and the train source is not read";
    }
    if (fino < totale || c.file == sorgente::linea) r.note.push_back({{c.file, fino, 0, 0}, n});
  }
  aggiungi(std::move(r));
}

void osservatore::concludi_sorgente(const contesto& c) {
  if (!c.lettore) return;
  troncata(c);
  troncata_detta_ = false;
  for (const evento_virgolette& e : c.lettore->eventi()) {
    const punto_sorgente dove{c.file, e.campo.riga, e.campo.colonna, 1};
    rilievo r;
    r.livello = gravita::avviso;
    r.dove = dove;
    switch (e.quale) {
      case evento_virgolette::tipo::non_chiuso:
        r.avviso = tipo_avviso::virgolette_non_chiuse;
        r.messaggio =
            "the quoted text is never closed: it runs to the end of the source and swallows every line "
            "after it";
        break;
      case evento_virgolette::tipo::su_piu_righe:
        r.avviso = tipo_avviso::virgolette_su_piu_righe;
        r.messaggio = "the quoted text runs over a line end: the lines up to its closing quote are part of it";
        break;
      case evento_virgolette::tipo::coda_ignorata:
        r.avviso = tipo_avviso::coda_virgolette;
        r.dove = {c.file, e.coda.riga, e.coda.colonna, static_cast<std::int32_t>(e.coda.fine - e.coda.inizio)};
        r.messaggio = fmt::format("\"{}\" after the closing quote is dropped",
                                  c.lettore->byte().substr(e.coda.inizio, e.coda.fine - e.coda.inizio));
        break;
    }
    aggiungi(std::move(r));
  }
}

void osservatore::concludi(const contesto& c) { (void)c; }

// ---- What the simulator gets back ------------------------------------------------

void osservatore::riletto(const contesto& c, std::size_t i, tipo_avviso tipo, const std::string& scritto,
                          const std::string& ottenuto, const std::string& perche) {
  avviso(c, i, tipo, fmt::format("written {}, the simulator gets {}, because {}", scritto, ottenuto, perche));
}

void osservatore::zone_ordinate(const contesto& c, const std::array<std::array<std::int32_t, 3>, 3>& scritte) {
  std::array<bool, 3> presa{};
  std::int64_t inizio_massimo = INT64_MIN;
  bool tutte_a_zero = true;
  for (const auto& z : scritte) {
    inizio_massimo = std::max<std::int64_t>(inizio_massimo, z[0]);
    tutte_a_zero = tutte_a_zero && z[0] == 0;
  }
  for (std::size_t i = 0; i < 3; ++i) {
    const auto& z = scritte[i];
    if (z == std::array<std::int32_t, 3>{0, 0, 0}) continue;
    bool trovata = false;
    for (std::size_t j = 0; j < 3 && !trovata; ++j) {
      const scen::stazione& e = c.m.stazioni[static_cast<std::size_t>(voce::zona_0) + j];
      const std::int64_t progressiva = std::int64_t{e.fine} - (e.posizione == 1 ? 100 : 0);
      if (!presa[j] && e.inizio == z[0] && progressiva == z[1] && e.posizione == z[2]) {
        presa[j] = true;
        trovata = true;
      }
    }
    if (trovata) continue;
    const auto it = zone_.find(voce::zona_0 + static_cast<std::int32_t>(i));
    if (it == zone_.end() || pieno(gravita::avviso)) continue;
    rilievo r;
    r.livello = gravita::avviso;
    r.avviso = tipo_avviso::zone_azzerate;
    r.dove = it->second.inizio;
    const std::string perche =
        tutte_a_zero ? "all three zones start at 0 m and none has a progressive above 0, so none is kept"
                     : fmt::format(
                           "two zones share the largest start, {} m, and a tie for the largest start clears "
                           "all three zones",
                           inizio_massimo);
    r.messaggio = fmt::format(
        "kilometric zone written with start {} m, progressive {} m and flag {}, the simulator gets no zone, because {}",
        z[0], z[1], z[2], perche);
    aggiungi(std::move(r));
  }
}

}  // namespace scen
