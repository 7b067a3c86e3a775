// The keys and section headers of both sources, in one table: the reading
// stages test a key against a rule here, the findings name the key a rule
// stands for, and the suggestions for a mistyped key come from the same
// spellings. No key word is written anywhere else.
//
// A key is recognised by containment, not equality: a rule holds when the key
// contains each of its words (ignoring letter case where the rule says so).
// Every rule of a section is tried on the same key, in the table's order.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace scen {

enum class parte_sorgente : std::uint8_t { generale, sezioni, treno };

enum class chiave : std::uint8_t {
  // Route source, [generale].
  lunghezza_percorso,
  progressiva_tre,
  progressiva_due,
  progressiva_uno,
  sfondo_uno,
  sfondo_due,
  sfondo_tre,
  ripetizione_segnali,
  // Route source, after [generale].
  pendenza,
  curva,
  montagna,
  indicatori_v_max,
  cartello_indicatore,
  // Train source.
  massa_frenata,
  vetture,
  velocita,
  aderenza,
  orologio,
  sabbia,
  segnale,
  rallentamento,
  abbattimento,
  stazione,
};

struct regola_chiave {
  chiave id;
  parte_sorgente parte;
  std::string_view parola1;
  std::string_view parola2;  // empty when one word is enough
  bool qualsiasi_maiuscola;  // the words are matched ignoring letter case
  // The spellings that are the key as written in the formats.
  std::span<const std::string_view> scritture;
};

// A key as read, with its lower-case form made once for all the rules.
struct chiave_letta {
  explicit chiave_letta(std::string_view testo);
  std::string_view scritta;
  std::string minuscola;
};

const regola_chiave& regola(chiave id);
std::span<const regola_chiave> regole(parte_sorgente parte);
bool prende(const chiave_letta& k, chiave id);
// Every rule of `parte` that the key passes, in the table's order.
std::vector<chiave> chiavi_prese(const chiave_letta& k, parte_sorgente parte);
// The key the rules read: for a curve, the hand and the curvature digit as
// the compile takes them ("curvas4"); for the repetition, its code count;
// otherwise the key's first spelling.
std::string letta_come(const chiave_letta& k, chiave id);
// Whether the key is written exactly as one of the spellings of `id`.
bool scritta_come_nei_formati(const chiave_letta& k, chiave id);

// The curve: the first of the digits 1 to 6 found in the key gives the
// curvature; a key holding "s" (any case) turns left.
std::optional<double> curvatura_della_chiave(std::string_view k);
bool curva_a_sinistra(const chiave_letta& k);
// Curvature digit -> radius in metres, for messages.
std::optional<int> raggio_della_chiave(std::string_view k);
// The repetition's code count from its key: 4, 9, or none.
std::optional<std::int32_t> codici_ripetizione(std::string_view k);

// ---- Section headers --------------------------------------------------------

// The header that opens the read part of both sources (any case).
inline constexpr std::string_view inizio_sorgente = "[generale]";
inline constexpr std::string_view fine_sorgente = "[fine]";
std::span<const std::string_view> intestazioni(bool treno);
// A field that is a header: it holds both "[" and "]".
bool sembra_intestazione(std::string_view k);
// A header that ends [generale]: one that, without its leading blanks, does
// not begin with "-".
bool chiude_generale(std::string_view k);
// The comment mark: a key holding it is replaced by the next field.
inline constexpr std::string_view segno_commento = "-";

// All spellings of one part (keys, then headers), for suggestions.
std::vector<std::string_view> scritture_note(parte_sorgente parte);

}  // namespace scen
