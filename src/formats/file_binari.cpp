#include "formats/file_binari.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "formats/codifica_pezzi.h"
#include "model/byte_le.h"

namespace scen {

namespace {

// Collects the pieces into one string, for those who want the whole file.
class flusso_in_stringa final : public byte_sink {
 public:
  explicit flusso_in_stringa(std::size_t attesi) { byte_.reserve(attesi); }
  void write(std::string_view byte) override { byte_.append(byte); }
  std::string prendi() { return std::move(byte_); }

 private:
  std::string byte_;
};

}  // namespace

namespace {

// The line data file, each metre once `pronti` says it is final: `pronti(m)`
// returns how many metres are (more than m). The plan view already holds
// every value in the file's encoding (see piano): a run of doubles goes out
// as it stands, an integer as the first 4 bytes of its slot, an empty value
// as its 2-byte tag. Short pieces are gathered in a small buffer, so that a
// plan view of mixed values does not cost a write call for each of them.
template <typename Pronti>
void codifica_linea_man_mano(const piano& p, byte_sink& sink, Pronti pronti) {
  constexpr std::size_t byte_raccolta = std::size_t{64} << 10;
  codifica_a_pezzi raccolta(sink, byte_raccolta);
  const auto passa = [&](const std::byte* inizio, std::size_t n) {
    const std::string_view pezzo(reinterpret_cast<const char*>(inizio), n);
    if (n >= raccolta.capienza()) {
      raccolta.svuota();
      sink.write(pezzo);
    } else {
      std::memcpy(raccolta.spazio(n), pezzo.data(), n);
      raccolta.avanza(n);
    }
  };
  const std::size_t metri = p.ultimo_metro() < 0 ? 0 : static_cast<std::size_t>(p.ultimo_metro()) + 1;
  std::size_t finali = 0;
  for (int coordinata = 0; coordinata < 2; ++coordinata) {
    const std::byte* const slot = p.slot_coordinata(coordinata);
    const auto tag = [&](std::size_t metro) { return p.tag(static_cast<std::int32_t>(metro), coordinata); };
    std::size_t metro = 0;
    while (metro < metri) {
      // A run that reaches the last final metre goes out in two pieces, the
      // same bytes.
      if (metro >= finali) finali = std::min(metri, pronti(metro));
      const std::size_t inizio = metro;
      while (metro < finali && tag(metro) == tag_piano::reale) ++metro;
      if (metro > inizio) passa(slot + inizio * piano::byte_slot, (metro - inizio) * piano::byte_slot);
      if (metro == finali) continue;
      passa(slot + metro * piano::byte_slot, tag(metro) == tag_piano::intero ? 4 : 2);
      ++metro;
    }
  }
  raccolta.svuota();
}

}  // namespace

void codifica_linea(const piano& p, byte_sink& sink) {
  codifica_linea_man_mano(p, sink, [](std::size_t) { return static_cast<std::size_t>(-1); });
}

void codifica_linea(const piano& p, byte_sink& sink, piano_in_corso& avanzamento) {
  codifica_linea_man_mano(p, sink, [&](std::size_t metro) {
    return static_cast<std::size_t>(avanzamento.attendi(static_cast<std::int64_t>(metro)));
  });
}

std::string codifica_linea(const piano& p) {
  flusso_in_stringa out(p.ultimo_metro() < 0 ? 0
                                             : (static_cast<std::size_t>(p.ultimo_metro()) + 1) * 2 * piano::byte_slot);
  codifica_linea(p, out);
  return out.prendi();
}

std::string codifica_sommario(const std::array<stazione, numero_stazioni>& voci) {
  std::string out;
  codifica_le enc(out);
  for (const stazione& s : voci) {
    enc.u8(s.tipo);
    enc.i32(s.inizio);
    enc.i32(s.fine);
    enc.i32(s.posizione);
    enc.u8(s.opzione1);
    enc.testo(s.nome);
    enc.i16(s.gruppo_a1);
    enc.i16(s.gruppo_a2);
    enc.i16(s.gruppo_b1);
    enc.i16(s.gruppo_b2);
    enc.i16(s.gruppo_b3);
    enc.u8(s.gruppo_a3);
    enc.u8(s.sosta);
    enc.u8(s.opzione3);
    enc.u8(s.opzione2);
    enc.i32(s.orario);
  }
  return out;
}

void codifica_percorso(const std::vector<cella>& celle, byte_sink& sink) {
  codifica_a_pezzi enc(sink, std::min(byte_pezzo, std::max<std::size_t>(celle.size(), 1) * byte_cella));
  for (const cella& c : celle) {
    char* q = enc.spazio(byte_cella);
    metti_le(q, c.tipo);
    metti_le(q + 1, static_cast<std::uint16_t>(c.valore1));
    metti_le(q + 3, static_cast<std::uint16_t>(c.valore2));
    metti_le(q + 5, static_cast<std::uint16_t>(c.valore3));
    metti_le(q + 7, static_cast<std::uint16_t>(c.valore4));
    metti_le(q + 9, c.tempo);
    metti_le(q + 10, c.avviso);
    metti_le(q + 11, c.montagna);
    metti_le(q + 12, c.velocita);
    metti_le(q + 13, c.pendenza);
    metti_le(q + 14, c.aderenza);
    enc.avanza(byte_cella);
  }
  enc.svuota();
}

std::string codifica_percorso(const std::vector<cella>& celle) {
  flusso_in_stringa out(celle.size() * byte_cella);
  codifica_percorso(celle, out);
  return out.prendi();
}

std::vector<std::string> scrivi_file_binari(const modello& m, const identita& id, file_writer& files) {
  if (!m.percorso) throw std::logic_error("binary files need the track cells");
  std::vector<std::string> scritti;
  if (m.scrivi_linea != 0) {
    if (!m.planimetria) throw std::logic_error("the line data file needs the plan view");
    scritti.push_back(nome_file_linea(id));
    // The largest file goes out piece by piece, never whole in memory.
    files.write_in_pieces(scritti.back(), [&m](byte_sink& f) { codifica_linea(*m.planimetria, f); });
  }
  for (std::string& nome : scrivi_sommario_e_percorso(m, id, files)) scritti.push_back(std::move(nome));
  return scritti;
}

std::vector<std::string> scrivi_sommario_e_percorso(const modello& m, const identita& id, file_writer& files) {
  if (!m.percorso) throw std::logic_error("binary files need the track cells");
  std::vector<std::string> scritti{nome_file_sommario(id), nome_file_percorso(id)};
  files.write(scritti[0], codifica_sommario(m.stazioni));
  files.write_in_pieces(scritti[1], [&m](byte_sink& f) { codifica_percorso(*m.percorso, f); });
  return scritti;
}

}  // namespace scen
