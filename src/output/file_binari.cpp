#include "output/file_binari.h"

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <utility>

#include "output/codifica_le.h"
#include "output/codifica_pezzi.h"

namespace scen {

namespace {

// Collects the pieces into one string, for those who want the whole file.
class flusso_in_stringa final : public flusso_byte {
 public:
  explicit flusso_in_stringa(std::size_t attesi) { byte_.reserve(attesi); }
  void scrivi(std::string_view byte) override { byte_.append(byte); }
  std::string prendi() { return std::move(byte_); }

 private:
  std::string byte_;
};

}  // namespace

void codifica_linea(const piano& p, flusso_byte& uscita) {
  constexpr std::size_t massimo_valore = 10;  // tag and double
  codifica_a_pezzi enc(uscita);
  for (int coordinata = 0; coordinata < 2; ++coordinata) {
    std::int32_t metro = 0;
    while (metro <= p.ultimo_metro()) {
      // As many values as surely fit in the buffer, with no test for room
      // between them: the line data file holds two million of them.
      char* const inizio = enc.spazio(massimo_valore);
      const std::int64_t posti = static_cast<std::int64_t>(enc.libero() / massimo_valore);
      const std::int32_t fino_a = static_cast<std::int32_t>(std::min<std::int64_t>(p.ultimo_metro(), metro + posti - 1));
      char* q = inizio;
      for (; metro <= fino_a; ++metro) {
        const tag_piano tag = p.tag(metro, coordinata);
        metti_le(q, static_cast<std::uint16_t>(tag));
        if (tag == tag_piano::reale) {
          metti_le(q + 2, std::bit_cast<std::uint64_t>(p.numero(metro, coordinata)));
          q += 10;
        } else if (tag == tag_piano::intero) {
          metti_le(q + 2, static_cast<std::uint16_t>(static_cast<std::int16_t>(p.numero(metro, coordinata))));
          q += 4;
        } else {
          q += 2;
        }
      }
      enc.avanza(static_cast<std::size_t>(q - inizio));
    }
  }
  enc.svuota();
}

std::string codifica_linea(const piano& p) {
  flusso_in_stringa out((static_cast<std::size_t>(p.ultimo_metro()) + 1) * 2 * 10);
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

void codifica_percorso(const std::vector<cella>& celle, flusso_byte& uscita) {
  codifica_a_pezzi enc(uscita);
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

std::vector<std::string> scrivi_file_binari(const modello& m, const identita& id, cartella& dove) {
  if (!m.percorso) throw std::logic_error("binary files need the track cells");
  std::vector<std::string> scritti;
  if (m.scrivi_linea != 0) {
    if (!m.planimetria) throw std::logic_error("the line data file needs the plan view");
    scritti.push_back(nome_file_linea(id));
    // The largest file goes out piece by piece, never whole in memory.
    dove.scrivi_a_pezzi(scritti.back(), [&m](flusso_byte& f) { codifica_linea(*m.planimetria, f); });
  }
  scritti.push_back(nome_file_sommario(id));
  dove.scrivi(scritti.back(), codifica_sommario(m.stazioni));
  scritti.push_back(nome_file_percorso(id));
  dove.scrivi_a_pezzi(scritti.back(), [&m](flusso_byte& f) { codifica_percorso(*m.percorso, f); });
  return scritti;
}

}  // namespace scen
