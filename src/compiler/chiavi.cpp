#include "compiler/chiavi.h"

#include <algorithm>
#include <array>

#include "compiler/lettore.h"
#include "model/testo.h"

namespace scen {
namespace {

using enum chiave;
using enum parte_sorgente;

constexpr std::array<std::string_view, 1> s_lunghezza{"lunghezza percorso"};
constexpr std::array<std::string_view, 1> s_tre{"progressiva chilometrica tre"};
constexpr std::array<std::string_view, 1> s_due{"progressiva chilometrica due"};
constexpr std::array<std::string_view, 1> s_uno{"progressiva chilometrica uno"};
constexpr std::array<std::string_view, 1> s_sfondo_uno{"sfondo uno"};
constexpr std::array<std::string_view, 1> s_sfondo_due{"sfondo due"};
constexpr std::array<std::string_view, 1> s_sfondo_tre{"sfondo tre"};
constexpr std::array<std::string_view, 2> s_ripetizione{"ripetizione segnali 4 codici", "ripetizione segnali 9 codici"};
constexpr std::array<std::string_view, 1> s_pendenza{"pendenza"};
constexpr std::array<std::string_view, 12> s_curva{"curvad1", "curvad2", "curvad3", "curvad4", "curvad5", "curvad6",
                                                   "curvas1", "curvas2", "curvas3", "curvas4", "curvas5", "curvas6"};
constexpr std::array<std::string_view, 1> s_montagna{"montagna"};
constexpr std::array<std::string_view, 1> s_indicatori{"indicatori_vmax"};
constexpr std::array<std::string_view, 1> s_cartello{"cartello indicatore"};
constexpr std::array<std::string_view, 1> s_frenata{"percentuale massa frenata"};
constexpr std::array<std::string_view, 1> s_vetture{"numero vetture"};
constexpr std::array<std::string_view, 1> s_velocita{"velocita"};
constexpr std::array<std::string_view, 1> s_aderenza{"aderenza"};
constexpr std::array<std::string_view, 1> s_orologio{"orologio"};
constexpr std::array<std::string_view, 1> s_sabbia{"sabbia"};
constexpr std::array<std::string_view, 1> s_segnale{"segnale"};
constexpr std::array<std::string_view, 1> s_rallentamento{"rallentamento"};
constexpr std::array<std::string_view, 1> s_abbattimento{"abbattimento"};
constexpr std::array<std::string_view, 1> s_stazione{"stazione"};

// In the order the stages try them; the enumeration follows it.
constexpr std::array<regola_chiave, 23> tabella{{
    {lunghezza_percorso, generale, "percorso", "lunghezza", true, s_lunghezza},
    {progressiva_tre, generale, "tre", "progressiva", false, s_tre},
    {progressiva_due, generale, "due", "progressiva", false, s_due},
    {progressiva_uno, generale, "uno", "progressiva", false, s_uno},
    {sfondo_uno, generale, "sfondo", "uno", false, s_sfondo_uno},
    {sfondo_due, generale, "sfondo", "due", false, s_sfondo_due},
    {sfondo_tre, generale, "sfondo", "tre", false, s_sfondo_tre},
    {ripetizione_segnali, generale, "segnali", "ripetizione", false, s_ripetizione},
    {pendenza, sezioni, "pendenza", "", true, s_pendenza},
    {curva, sezioni, "curva", "", true, s_curva},
    {montagna, sezioni, "montagna", "", true, s_montagna},
    {indicatori_v_max, sezioni, "indicatori_v", "", true, s_indicatori},
    {cartello_indicatore, sezioni, "indicat", "cartello", true, s_cartello},
    {massa_frenata, treno, "frenata", "massa", true, s_frenata},
    {vetture, treno, "vetture", "", true, s_vetture},
    {velocita, treno, "velocit", "", true, s_velocita},
    {aderenza, treno, "aderenza", "", true, s_aderenza},
    {orologio, treno, "orologio", "", true, s_orologio},
    {sabbia, treno, "sabbia", "", true, s_sabbia},
    {segnale, treno, "segnale", "", true, s_segnale},
    {rallentamento, treno, "rallentamento", "", true, s_rallentamento},
    {abbattimento, treno, "abbattimento", "", true, s_abbattimento},
    {stazione, treno, "stazione", "", true, s_stazione},
}};

constexpr bool in_ordine() {
  for (std::size_t i = 0; i < tabella.size(); ++i) {
    if (static_cast<std::size_t>(tabella[i].id) != i) return false;
  }
  return true;
}
static_assert(in_ordine(), "the table follows the enumeration");

constexpr std::array<std::string_view, 7> intestazioni_linea{
    inizio_sorgente, "[curve]", "[pendenze]", "[montagne]", "[cartelli]", "[indicazioni]", fine_sorgente};
constexpr std::array<std::string_view, 8> intestazioni_treno{inizio_sorgente, "[aderenze]",      "[vel_limite]",
                                                             "[stazioni]",    "[rallentamenti]", "[segnali]",
                                                             "[codici]",      fine_sorgente};

constexpr std::array<double, 6> curvature{0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};
constexpr std::array<int, 6> raggi{10000, 5000, 2500, 1000, 500, 333};

std::optional<std::size_t> cifra_curva(std::string_view k) {
  for (std::size_t i = 0; i < curvature.size(); ++i) {
    if (contiene(k, std::string(1, static_cast<char>('1' + i)))) return i;
  }
  return std::nullopt;
}

}  // namespace

chiave_letta::chiave_letta(std::string_view testo) : scritta(testo), minuscola(minuscole(testo)) {}

const regola_chiave& regola(chiave id) { return tabella[static_cast<std::size_t>(id)]; }

std::span<const regola_chiave> regole(parte_sorgente parte) {
  const auto inizio = std::find_if(tabella.begin(), tabella.end(), [&](const auto& r) { return r.parte == parte; });
  const auto fine = std::find_if(inizio, tabella.end(), [&](const auto& r) { return r.parte != parte; });
  return {inizio, fine};
}

bool prende(const chiave_letta& k, chiave id) {
  const regola_chiave& r = regola(id);
  const std::string_view t = r.qualsiasi_maiuscola ? std::string_view(k.minuscola) : k.scritta;
  return contiene(t, r.parola1) && (r.parola2.empty() || contiene(t, r.parola2));
}

std::vector<chiave> chiavi_prese(const chiave_letta& k, parte_sorgente parte) {
  std::vector<chiave> out;
  for (const regola_chiave& r : regole(parte)) {
    if (prende(k, r.id)) out.push_back(r.id);
  }
  return out;
}

std::optional<double> curvatura_della_chiave(std::string_view k) {
  const auto i = cifra_curva(k);
  if (!i) return std::nullopt;
  return curvature[*i];
}

std::optional<int> raggio_della_chiave(std::string_view k) {
  const auto i = cifra_curva(k);
  if (!i) return std::nullopt;
  return raggi[*i];
}

bool curva_a_sinistra(const chiave_letta& k) { return contiene(k.minuscola, "s"); }

std::optional<std::int32_t> codici_ripetizione(std::string_view k) {
  if (contiene(k, "4")) return 4;
  if (contiene(k, "9")) return 9;
  return std::nullopt;
}

std::string letta_come(const chiave_letta& k, chiave id) {
  if (id == curva) {
    const auto i = cifra_curva(k.scritta);
    if (!i) return "curva";
    return std::string("curva") + (curva_a_sinistra(k) ? 's' : 'd') + static_cast<char>('1' + *i);
  }
  if (id == ripetizione_segnali) {
    const auto n = codici_ripetizione(k.scritta);
    if (!n) return "ripetizione segnali";
    return *n == 4 ? std::string(s_ripetizione[0]) : std::string(s_ripetizione[1]);
  }
  return std::string(regola(id).scritture.front());
}

bool scritta_come_nei_formati(const chiave_letta& k, chiave id) {
  const auto& s = regola(id).scritture;
  return std::find(s.begin(), s.end(), k.scritta) != s.end();
}

std::span<const std::string_view> intestazioni(bool treno) {
  if (treno) return intestazioni_treno;
  return intestazioni_linea;
}

bool sembra_intestazione(std::string_view k) { return contiene(k, "[") && contiene(k, "]"); }

bool chiude_generale(std::string_view k) {
  const auto primo = k.find_first_not_of(" \t");
  const bool commento = primo != std::string_view::npos && k[primo] == segno_commento.front();
  return !commento && sembra_intestazione(k);
}

std::vector<std::string_view> scritture_note(parte_sorgente parte) {
  std::vector<std::string_view> out;
  for (const regola_chiave& r : regole(parte)) out.insert(out.end(), r.scritture.begin(), r.scritture.end());
  return out;
}

}  // namespace scen
