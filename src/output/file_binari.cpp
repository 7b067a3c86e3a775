#include "output/file_binari.h"

#include <stdexcept>

#include "output/codifica_le.h"

namespace scen {

std::string codifica_linea(const piano& p) {
  std::string out;
  const std::size_t metri = static_cast<std::size_t>(p.ultimo_metro()) + 1;
  out.reserve(metri * 2 * 10);
  codifica_le enc(out);
  for (int coordinata = 0; coordinata < 2; ++coordinata) {
    for (std::int32_t metro = 0; metro <= p.ultimo_metro(); ++metro) {
      const tag_piano tag = p.tag(metro, coordinata);
      enc.u16(static_cast<std::uint16_t>(tag));
      switch (tag) {
        case tag_piano::vuoto:
          break;
        case tag_piano::intero:
          enc.i16(static_cast<std::int16_t>(p.numero(metro, coordinata)));
          break;
        case tag_piano::reale:
          enc.f64(p.numero(metro, coordinata));
          break;
      }
    }
  }
  return out;
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

std::string codifica_percorso(const std::vector<cella>& celle) {
  std::string out;
  out.reserve(celle.size() * byte_cella);
  codifica_le enc(out);
  for (const cella& c : celle) {
    enc.u8(c.tipo);
    enc.i16(c.valore1);
    enc.i16(c.valore2);
    enc.i16(c.valore3);
    enc.i16(c.valore4);
    enc.u8(c.tempo);
    enc.u8(c.avviso);
    enc.u8(c.montagna);
    enc.u8(c.velocita);
    enc.u8(c.pendenza);
    enc.u8(c.aderenza);
  }
  return out;
}

std::vector<std::string> scrivi_file_binari(const modello& m, const identita& id, cartella& dove) {
  if (!m.percorso) throw std::logic_error("binary files need the track cells");
  std::vector<std::string> scritti;
  if (m.scrivi_linea != 0) {
    if (!m.planimetria) throw std::logic_error("the line data file needs the plan view");
    scritti.push_back(nome_file_linea(id));
    dove.scrivi(scritti.back(), codifica_linea(*m.planimetria));
  }
  scritti.push_back(nome_file_sommario(id));
  dove.scrivi(scritti.back(), codifica_sommario(m.stazioni));
  scritti.push_back(nome_file_percorso(id));
  dove.scrivi(scritti.back(), codifica_percorso(*m.percorso));
  return scritti;
}

}  // namespace scen
