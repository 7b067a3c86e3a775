#include "formats/decodifica.h"

#include <fmt/format.h>

#include <bit>
#include <limits>

#include "formats/file_binari.h"
#include "model/byte_le.h"

namespace scen {
namespace {

// Little-endian reads from a byte string, each checked against its end. A
// read that does not fit names the field and the offset where it starts.
class lettore_le {
 public:
  explicit lettore_le(std::string_view byte) : byte_(byte) {}

  std::size_t offset() const { return at_; }
  std::size_t resto() const { return byte_.size() - at_; }

  std::uint8_t u8(std::string_view campo) { return campo_le<std::uint8_t>(campo); }
  std::uint16_t u16(std::string_view campo) { return campo_le<std::uint16_t>(campo); }
  std::int16_t i16(std::string_view campo) { return std::bit_cast<std::int16_t>(campo_le<std::uint16_t>(campo)); }
  std::int32_t i32(std::string_view campo) { return std::bit_cast<std::int32_t>(campo_le<std::uint32_t>(campo)); }
  double f64(std::string_view campo) { return std::bit_cast<double>(campo_le<std::uint64_t>(campo)); }

  void salta(std::size_t n) { at_ += n <= resto() ? n : resto(); }

  std::string testo(std::string_view campo) {
    const std::size_t inizio = at_;
    const std::uint16_t n = u16(campo);
    if (resto() < n) {
      throw errore_decodifica(
          inizio, fmt::format("{} is {} bytes long but only {} bytes follow its length", campo, n, resto()));
    }
    std::string t(byte_.substr(at_, n));
    at_ += n;
    return t;
  }

 private:
  template <typename U>
  U campo_le(std::string_view campo) {
    if (resto() < sizeof(U)) {
      throw errore_decodifica(
          at_, fmt::format("file ends inside {}: it needs {} bytes, {} left", campo, sizeof(U), resto()));
    }
    const U v = leggi_le<U>(byte_.data() + at_);
    at_ += sizeof(U);
    return v;
  }

  std::string_view byte_;
  std::size_t at_ = 0;
};

std::size_t byte_di_tag(std::uint16_t tag) {
  // The tag is 16 bits wide: 0x0205 is no tag, not the tag 5 of its low byte.
  if (tag > 0xFF) return 0;
  switch (static_cast<tag_piano>(tag)) {
    case tag_piano::vuoto:
      return 2;
    case tag_piano::intero:
      return 4;
    case tag_piano::reale:
      return 10;
  }
  return 0;
}

// First pass over a line data file: checks every tag and payload and counts
// the values, so that the plan view is sized before it is filled.
std::size_t conta_valori(std::string_view byte) {
  lettore_le in(byte);
  std::size_t n = 0;
  while (in.resto() > 0) {
    const std::size_t inizio = in.offset();
    if (in.resto() < 2) {
      throw errore_decodifica(inizio, fmt::format("file ends inside the tag of value {}: it needs 2 bytes, 1 left", n));
    }
    const std::uint16_t tag = in.u16("a tag");
    const std::size_t totale = byte_di_tag(tag);
    if (totale == 0) {
      throw errore_decodifica(inizio, fmt::format("value {} has the unknown type tag {} (known: 0 empty, 2 "
                                                  "16-bit integer, 5 double)",
                                                  n, tag));
    }
    if (in.resto() < totale - 2) {
      throw errore_decodifica(in.offset(), fmt::format("file ends inside value {} (tag {}): its payload needs {} "
                                                       "bytes, {} left",
                                                       n, tag, totale - 2, in.resto()));
    }
    in.salta(totale - 2);
    ++n;
  }
  return n;
}

void leggi_valore(lettore_le& in, piano& p, std::int32_t metro, int coordinata) {
  const std::uint16_t tag = in.u16("a tag");
  switch (static_cast<tag_piano>(tag)) {
    case tag_piano::vuoto:
      break;
    case tag_piano::intero:
      p.poni_intero(metro, coordinata, in.i16("an integer payload"));
      break;
    case tag_piano::reale:
      p.poni_reale(metro, coordinata, in.f64("a double payload"));
      break;
  }
}

stazione leggi_voce(lettore_le& in, int n) {
  const auto campo = [n](const char* nome) { return fmt::format("entry {} field {}", n, nome); };
  stazione s;
  s.tipo = in.u8(campo("tipo"));
  s.inizio = in.i32(campo("inizio"));
  s.fine = in.i32(campo("fine"));
  s.posizione = in.i32(campo("posizione"));
  s.opzione1 = in.u8(campo("opzione1"));
  s.nome = in.testo(campo("nome"));
  s.gruppo_a1 = in.i16(campo("gruppo_a1"));
  s.gruppo_a2 = in.i16(campo("gruppo_a2"));
  s.gruppo_b1 = in.i16(campo("gruppo_b1"));
  s.gruppo_b2 = in.i16(campo("gruppo_b2"));
  s.gruppo_b3 = in.i16(campo("gruppo_b3"));
  s.gruppo_a3 = in.u8(campo("gruppo_a3"));
  s.sosta = in.u8(campo("sosta"));
  s.opzione3 = in.u8(campo("opzione3"));
  s.opzione2 = in.u8(campo("opzione2"));
  s.orario = in.i32(campo("orario"));
  return s;
}

cella leggi_cella(lettore_le& in) {
  cella c;
  c.tipo = in.u8("tipo");
  c.valore1 = in.i16("valore1");
  c.valore2 = in.i16("valore2");
  c.valore3 = in.i16("valore3");
  c.valore4 = in.i16("valore4");
  c.tempo = in.u8("tempo");
  c.avviso = in.u8("avviso");
  c.montagna = in.u8("montagna");
  c.velocita = in.u8("velocita");
  c.pendenza = in.u8("pendenza");
  c.aderenza = in.u8("aderenza");
  return c;
}

}  // namespace

errore_decodifica::errore_decodifica(std::size_t offset, const std::string& cosa)
    : std::runtime_error(fmt::format("at byte offset {}: {}", offset, cosa)), offset_(offset), cosa_(cosa) {}

piano decodifica_linea(std::string_view byte) {
  if (byte.empty()) throw errore_decodifica(0, "empty file: a line data file holds two values per metre");
  const std::size_t valori = conta_valori(byte);
  if (valori % 2 != 0) {
    throw errore_decodifica(byte.size(), fmt::format("the file holds {} values; a plan view holds two per metre, "
                                                     "an even number",
                                                     valori));
  }
  const std::size_t metri = valori / 2;
  if (metri - 1 > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw errore_decodifica(byte.size(), fmt::format("the file holds {} metres, more than a route can have", metri));
  }
  const auto ultimo = static_cast<std::int32_t>(metri - 1);
  piano p(ultimo);
  lettore_le in(byte);
  for (int coordinata = 0; coordinata < 2; ++coordinata) {
    for (std::int32_t metro = 0; metro <= ultimo; ++metro) leggi_valore(in, p, metro, coordinata);
  }
  return p;
}

std::array<stazione, numero_stazioni> decodifica_sommario(std::string_view byte) {
  if (byte.empty()) throw errore_decodifica(0, "empty file: a summary file holds 87 entries");
  lettore_le in(byte);
  std::array<stazione, numero_stazioni> voci{};
  for (int n = 0; n < numero_stazioni; ++n) voci[static_cast<std::size_t>(n)] = leggi_voce(in, n);
  if (in.resto() != 0) {
    throw errore_decodifica(in.offset(), fmt::format("{} bytes follow entry 86, the last one", in.resto()));
  }
  return voci;
}

std::vector<cella> decodifica_percorso(std::string_view byte) {
  const std::size_t celle = byte.size() / byte_cella;
  const std::size_t avanzo = byte.size() % byte_cella;
  if (avanzo != 0) {
    throw errore_decodifica(celle * byte_cella, fmt::format("file ends inside cell {}: {} of its {} bytes are there",
                                                            celle, avanzo, byte_cella));
  }
  if (celle < 2) {
    throw errore_decodifica(byte.size(),
                            fmt::format("the file holds {} cell(s); a track has at least cells 0 and 1", celle));
  }
  lettore_le in(byte);
  std::vector<cella> percorso;
  percorso.reserve(celle);
  for (std::size_t i = 0; i < celle; ++i) percorso.push_back(leggi_cella(in));
  return percorso;
}

std::optional<tipo_file> tipo_da_nome(std::string_view nome) {
  const auto finisce = [nome](std::string_view coda) {
    return nome.size() >= coda.size() && nome.substr(nome.size() - coda.size()) == coda;
  };
  if (finisce("_linea.dat")) return tipo_file::linea;
  if (finisce(".sim")) return tipo_file::sommario;
  if (finisce(".dat")) return tipo_file::percorso;
  return std::nullopt;
}

}  // namespace scen
