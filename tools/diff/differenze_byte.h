// The three binary files of two folders compared byte by byte, field by
// field, so that the comparison never calls different files equal: every
// field that differs is counted, by file and by the field's name in
// docs/formats.md, with the first and last place where it differs. The
// comparison by meaning (confronto.h) marks the fields its changes tell;
// those are counted too, as explained, and the text leaves them out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formats/cartella_scenario.h"
#include "formats/decodifica.h"

namespace scen::tool {

// A track cell's fields in file order, each a bit of a cell's mask.
enum campo_cella : std::uint8_t {
  cc_tipo,
  cc_valore1,
  cc_valore2,
  cc_valore3,
  cc_valore4,
  cc_tempo,
  cc_avviso,
  cc_montagna,
  cc_velocita,
  cc_pendenza,
  cc_aderenza,
  campi_cella
};

// A summary entry's fields in file order, each a bit of an entry's mask.
enum campo_voce : std::uint8_t {
  cv_tipo,
  cv_inizio,
  cv_fine,
  cv_posizione,
  cv_opzione1,
  cv_nome,
  cv_gruppo_a1,
  cv_gruppo_a2,
  cv_gruppo_b1,
  cv_gruppo_b2,
  cv_gruppo_b3,
  cv_gruppo_a3,
  cv_sosta,
  cv_opzione3,
  cv_opzione2,
  cv_orario,
  campi_voce
};

inline constexpr std::uint16_t bit(unsigned campo) { return static_cast<std::uint16_t>(1u << campo); }
inline constexpr std::uint16_t tutti_i_campi = 0xFFFF;

// What the reported changes tell, field by field: a byte difference there
// is part of a change already on the list.
class campi_spiegati {
 public:
  // For two tracks of at most `celle` cells: marks beyond them are dropped.
  explicit campi_spiegati(std::size_t celle) : celle_(celle, 0) {}

  // Fields `maschera` of cells `da` to `a` (both included), in either version.
  void celle(std::int64_t da, std::int64_t a, std::uint16_t maschera);
  // Fields `maschera` of entry `n`.
  void voce(std::int64_t n, std::uint16_t maschera);
  // Metres `da` to `a` of the plan view, both coordinates.
  void metri(std::int64_t da, std::int64_t a);
  // Every cell, or every plan view metre, from here on, and the file's size:
  // beyond the shorter route, where a change of the route length tells it all.
  void oltre_celle(std::int64_t cella) { oltre_cella_ = cella; }
  void oltre_metri(std::int64_t metro) { oltre_metro_ = metro; }
  // The whole line data file: the plan view added or removed.
  void piano_intero() { piano_ = true; }

  bool spiegata_cella(std::size_t n, unsigned campo) const;
  bool spiegata_voce(std::size_t n, unsigned campo) const;
  bool spiegato_metro(std::int64_t m) const;
  // The track's or the plan view's size, explained by a change of route length.
  bool dimensione_celle() const { return oltre_cella_.has_value(); }
  bool dimensione_metri() const { return oltre_metro_.has_value(); }
  bool piano() const { return piano_; }

 private:
  std::vector<std::uint16_t> celle_;
  std::array<std::uint16_t, numero_stazioni> voci_{};
  std::vector<std::pair<std::int64_t, std::int64_t>> metri_;  // by their start
  std::optional<std::int64_t> oltre_cella_, oltre_metro_;
  bool piano_ = false;
};

// One field of one file that differs in `conteggio` records (cells,
// entries, metres); or, with `campo` "presence", "size" or "bytes", the
// file itself: there in one folder only, of another size, or compared as
// bare bytes because it does not decode.
struct differenza_byte {
  tipo_file file = tipo_file::percorso;
  std::string campo;
  std::size_t conteggio = 0;
  std::int64_t primo = 0, ultimo = 0;  // cells, entries, metres, or byte offsets
  std::optional<double> da, a;         // metres, for track cells and the plan view
  bool spiegata = false;
  std::string testo;  // UTF-8, one line
};

// The bytes of the three files compared before anything is decoded: for
// each, whether it is there and where the two differ.
struct byte_a_confronto {
  std::optional<std::size_t> dimensione_prima, dimensione_dopo;
  std::size_t diversi = 0;            // bytes that differ in the common length
  std::size_t primo = 0, ultimo = 0;  // first and last offset that differs (lengths included)
  bool uguali() const { return dimensione_prima == dimensione_dopo && diversi == 0; }
};
struct confronto_grezzo {
  std::array<byte_a_confronto, 3> file;  // by tipo_file
  bool uguali() const;
};
confronto_grezzo confronta_grezzo(const file_scenario& prima, const file_scenario& dopo);

// The folders as named on the command line, to say where a file is.
struct cartelle_a_confronto {
  std::string prima, dopo;
};

// Every field that differs between the two decoded sets, explained or not,
// in file order (summary, track, line data), then field order. The files
// `grezzo` found equal are skipped; one that differs and whose fields do not
// show it (a line data file that does not decode) is told as bare bytes.
std::vector<differenza_byte> confronta_byte(const confronto_grezzo& grezzo, const scenario_decodificato& prima,
                                            const scenario_decodificato& dopo, const campi_spiegati& spiegati,
                                            const cartelle_a_confronto& cartelle);

// The files' names as docs/formats.md gives them.
const char* nome_tipo_file(tipo_file t);
// The short kind `dump --kind` takes: "line", "summary", "track".
const char* sigla_tipo_file(tipo_file t);

}  // namespace scen::tool
