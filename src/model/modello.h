// The scenario model: plain data, one owner (the run or the tool), filled by
// the compiler, completed by the code pass and the marker step, stored by the
// binary writers. Field order, widths and signedness are those of the binary
// files the simulator loads.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "model/byte_le.h"
#include "platform/memory.h"

namespace scen {

// One 50-metre track cell (15 bytes in the track file).
struct cella {
  std::uint8_t tipo = 0;
  std::int16_t valore1 = 0;
  std::int16_t valore2 = 0;
  std::int16_t valore3 = 0;
  std::int16_t valore4 = 0;
  std::uint8_t tempo = 0;
  std::uint8_t avviso = 0;
  std::uint8_t montagna = 0;
  std::uint8_t velocita = 0;
  std::uint8_t pendenza = 0;
  std::uint8_t aderenza = 0;

  bool operator==(const cella&) const = default;
};

// Cell types (`tipo`).
namespace tipo_cella {
inline constexpr std::uint8_t nulla = 0;
inline constexpr std::uint8_t segnale = 1;
inline constexpr std::uint8_t fine_rallentamento = 2;
inline constexpr std::uint8_t inizio_rallentamento = 3;
inline constexpr std::uint8_t avviso_rallentamento = 4;
inline constexpr std::uint8_t prima_avviso = 5;
inline constexpr std::uint8_t indicatore_v_max = 6;
inline constexpr std::uint8_t fine_stazione = 10;
inline constexpr std::uint8_t montagna = 11;
inline constexpr std::uint8_t punto_codice = 12;
inline constexpr std::uint8_t fine_codice = 13;
inline constexpr std::uint8_t indicazione = 14;
}  // namespace tipo_cella

// A cell is free for a new feature when nothing or only a mountain marker is on it.
constexpr bool libera(const cella& c) { return c.tipo == tipo_cella::nulla || c.tipo == tipo_cella::montagna; }

// One entry of the 87-entry table (34 + n bytes in the summary file).
struct stazione {
  std::uint8_t tipo = 0;
  std::int32_t inizio = 0;
  std::int32_t fine = 0;
  std::int32_t posizione = 0;
  std::uint8_t opzione1 = 0;
  std::string nome;  // bytes as they stand (Windows-1252)
  std::int16_t gruppo_a1 = 0;
  std::int16_t gruppo_a2 = 0;
  std::int16_t gruppo_b1 = 0;
  std::int16_t gruppo_b2 = 0;
  std::int16_t gruppo_b3 = 0;
  std::uint8_t gruppo_a3 = 0;
  std::uint8_t sosta = 0;
  std::uint8_t opzione3 = 0;
  std::uint8_t opzione2 = 0;
  std::int32_t orario = 0;

  bool operator==(const stazione&) const = default;
};

// An entry that holds a station: more than a name alone (an indication
// board's text entry holds its name and nothing else).
inline bool e_stazione(const stazione& s) { return s != stazione{} && s != stazione{.nome = s.nome}; }

inline constexpr int numero_stazioni = 87;
inline constexpr int numero_montagne = 81;  // slots 0 to 80; zones use 1 to 80

// Reserved entries of `stazioni`.
namespace voce {
inline constexpr int zona_0 = 81;
inline constexpr int zona_1 = 82;
inline constexpr int zona_2 = 83;
inline constexpr int dati_generali = 84;
inline constexpr int linea = 85;
inline constexpr int treno = 86;
inline constexpr int prima_indicazione = 80;
}  // namespace voce

// Type tag of one plan-view element, as stored in the line data file.
enum class tag_piano : std::uint8_t { vuoto = 0, intero = 2, reale = 5 };

// The plan view: two coordinates for every metre 0..ultimo_metro, each a
// tagged value (empty, 16-bit integer or double). Every value is held in a
// slot of 10 bytes already in the line data file's encoding: the tag as a
// little-endian 16-bit number, then the value's own bytes (2 for an integer,
// 8 for a double, none for an empty value), the rest of the slot zero. The
// slots of coordinate 0 come first, metre after metre, then those of
// coordinate 1, so a run of doubles is, byte for byte, a run of the file and
// the file is written straight from here with no encoding step. The slots
// live in one zeroed block (see platform/memory.h): a fresh plan view is all empty.
class piano {
 public:
  static constexpr std::size_t byte_slot = 10;

  explicit piano(std::int32_t ultimo_metro)
      : ultimo_metro_(ultimo_metro), metri_(dimensione(ultimo_metro)), blocco_(2 * metri_ * byte_slot) {}

  std::int32_t ultimo_metro() const { return ultimo_metro_; }

  // Unchecked: callers keep 0 <= metro <= ultimo_metro and coordinata in {0, 1}.
  tag_piano tag(std::int32_t metro, int coordinata) const {
    return static_cast<tag_piano>(leggi_le<std::uint16_t>(slot(metro, coordinata)));
  }
  double numero(std::int32_t metro, int coordinata) const {
    const std::byte* q = slot(metro, coordinata);
    switch (static_cast<tag_piano>(leggi_le<std::uint16_t>(q))) {
      case tag_piano::intero:
        return static_cast<std::int16_t>(leggi_le<std::uint16_t>(q + 2));
      case tag_piano::reale:
        return std::bit_cast<double>(leggi_le<std::uint64_t>(q + 2));
      default:
        return 0.0;
    }
  }
  void poni_intero(std::int32_t metro, int coordinata, std::int16_t v) {
    std::byte* q = slot(metro, coordinata);
    metti_le(q, static_cast<std::uint16_t>(tag_piano::intero));
    metti_le(q + 2, static_cast<std::uint16_t>(v));
    std::memset(q + 4, 0, byte_slot - 4);
  }
  void poni_reale(std::int32_t metro, int coordinata, double v) {
    std::byte* q = slot(metro, coordinata);
    metti_le(q, static_cast<std::uint16_t>(tag_piano::reale));
    metti_le(q + 2, std::bit_cast<std::uint64_t>(v));
  }

  // The slots of one coordinate, metre 0 first: 10 bytes a metre.
  const std::byte* slot_coordinata(int coordinata) const { return slot(0, coordinata); }

  // Equal when every tag and every value is the same, bit for bit.
  bool operator==(const piano& altro) const {
    return ultimo_metro_ == altro.ultimo_metro_ &&
           std::memcmp(blocco_.dati(), altro.blocco_.dati(), blocco_.dimensione()) == 0;
  }

 private:
  static std::size_t dimensione(std::int32_t ultimo_metro) {
    return ultimo_metro < 0 ? 0 : static_cast<std::size_t>(ultimo_metro) + 1;
  }
  std::size_t indice(std::int32_t metro, int coordinata) const {
    return static_cast<std::size_t>(coordinata) * metri_ + static_cast<std::size_t>(metro);
  }
  std::byte* slot(std::int32_t metro, int coordinata) { return blocco_.dati() + indice(metro, coordinata) * byte_slot; }
  const std::byte* slot(std::int32_t metro, int coordinata) const {
    return blocco_.dati() + indice(metro, coordinata) * byte_slot;
  }

  std::int32_t ultimo_metro_;
  std::size_t metri_;
  large_block blocco_;
};

// The whole model. `percorso` and `planimetria` exist only once a length line
// has created them.
struct modello {
  std::string nome_linea;
  std::string nome_treno;
  std::int32_t scrivi_linea = 0;
  std::string riga;
  std::int32_t lunghezza_totale = 0;
  std::int32_t ultima_cella = 0;
  std::int32_t codice_errore = 0;
  std::int32_t posizione_errore = 0;
  // The cell of the slowdown start or warning board whose code points the
  // code pass was placing when it recorded its error; 0 when none. Never
  // written to a file: the findings tell the error by it.
  std::int32_t origine_errore = 0;
  std::int32_t risposta = 0;

  std::optional<std::vector<cella>> percorso;
  std::array<stazione, numero_stazioni> stazioni{};
  std::optional<piano> planimetria;
  std::array<std::int32_t, numero_montagne> inizio_montagne{};
  std::array<std::int32_t, numero_montagne> fine_montagne{};
  std::int32_t n_montagne = 0;
};

}  // namespace scen
