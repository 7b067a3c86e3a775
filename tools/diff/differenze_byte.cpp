// Field by field over the decoded files: the decoders read every byte of a
// summary and a track file into a field, so a field that differs is a byte
// that differs and the other way round. Each field's differing records are
// counted twice over, explained and not, so that the text can leave out
// what a change already tells and the JSON can still give everything.
#include "diff/differenze_byte.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>

#include "diff/confronto.h"
#include "formats/file_binari.h"

namespace scen::tool {
namespace {

// The names docs/formats.md gives the fields, and what each holds.
struct nome_campo {
  const char* nome;
  const char* significato;  // empty when the name says it
};

constexpr std::array<nome_campo, campi_cella> nomi_celle{{
    {"tipo", "cell type"},
    {"valore1", ""},
    {"valore2", ""},
    {"valore3", ""},
    {"valore4", ""},
    {"tempo", "signal time"},
    {"avviso", "approach marker"},
    {"montagna", "landscape type"},
    {"velocita", "train speed limit / 5"},
    {"pendenza", "gradient + 100"},
    {"aderenza", "adhesion"},
}};

constexpr std::array<const char*, campi_voce> nomi_voci{
    {"tipo", "inizio", "fine", "posizione", "opzione1", "nome", "gruppo_a1", "gruppo_a2", "gruppo_b1", "gruppo_b2",
     "gruppo_b3", "gruppo_a3", "sosta", "opzione3", "opzione2", "orario"}};

std::int64_t valore_campo(const cella& c, unsigned campo) {
  switch (campo) {
    case cc_tipo:
      return c.tipo;
    case cc_valore1:
      return c.valore1;
    case cc_valore2:
      return c.valore2;
    case cc_valore3:
      return c.valore3;
    case cc_valore4:
      return c.valore4;
    case cc_tempo:
      return c.tempo;
    case cc_avviso:
      return c.avviso;
    case cc_montagna:
      return c.montagna;
    case cc_velocita:
      return c.velocita;
    case cc_pendenza:
      return c.pendenza;
    default:
      return c.aderenza;
  }
}

bool campo_diverso(const stazione& x, const stazione& y, unsigned campo) {
  switch (campo) {
    case cv_tipo:
      return x.tipo != y.tipo;
    case cv_inizio:
      return x.inizio != y.inizio;
    case cv_fine:
      return x.fine != y.fine;
    case cv_posizione:
      return x.posizione != y.posizione;
    case cv_opzione1:
      return x.opzione1 != y.opzione1;
    case cv_nome:
      return x.nome != y.nome;
    case cv_gruppo_a1:
      return x.gruppo_a1 != y.gruppo_a1;
    case cv_gruppo_a2:
      return x.gruppo_a2 != y.gruppo_a2;
    case cv_gruppo_b1:
      return x.gruppo_b1 != y.gruppo_b1;
    case cv_gruppo_b2:
      return x.gruppo_b2 != y.gruppo_b2;
    case cv_gruppo_b3:
      return x.gruppo_b3 != y.gruppo_b3;
    case cv_gruppo_a3:
      return x.gruppo_a3 != y.gruppo_a3;
    case cv_sosta:
      return x.sosta != y.sosta;
    case cv_opzione3:
      return x.opzione3 != y.opzione3;
    case cv_opzione2:
      return x.opzione2 != y.opzione2;
    default:
      return x.orario != y.orario;
  }
}

// The records of one field that differ, explained and not.
struct conta {
  std::size_t n = 0;
  std::int64_t primo = 0, ultimo = 0;
  void aggiungi(std::int64_t r) {
    if (n++ == 0) primo = r;
    ultimo = r;
  }
};
struct conta_campo {
  conta spiegati, non_spiegati;
  void aggiungi(std::int64_t r, bool spiegato) { (spiegato ? spiegati : non_spiegati).aggiungi(r); }
};

// A line of text, with its stretch in metres when it has one.
differenza_byte riga(std::string testo, std::optional<double> da = std::nullopt,
                     std::optional<double> a = std::nullopt) {
  differenza_byte d;
  d.testo = std::move(testo);
  d.da = da;
  d.a = a;
  return d;
}

// "1 cell differs" / "3 cells differ".
std::string quanti(std::size_t n, const char* uno, const char* molti) {
  return fmt::format("{} {} {}", n, n == 1 ? uno : molti, n == 1 ? "differs" : "differ");
}

// One line per field with differing records, the explained ones apart.
void elenca(tipo_file file, const std::string& campo, const conta_campo& c,
            const std::function<differenza_byte(const conta&)>& riga, std::vector<differenza_byte>& out) {
  for (const bool spiegata : {false, true}) {
    const conta& k = spiegata ? c.spiegati : c.non_spiegati;
    if (k.n == 0) continue;
    differenza_byte d = riga(k);
    d.file = file;
    d.campo = campo;
    d.conteggio = k.n;
    d.primo = k.primo;
    d.ultimo = k.ultimo;
    d.spiegata = spiegata;
    out.push_back(std::move(d));
  }
}

// ---- summary ----

void confronta_sommario(const scenario_decodificato& p, const scenario_decodificato& d, const campi_spiegati& s,
                        std::vector<differenza_byte>& out) {
  for (unsigned campo = 0; campo < campi_voce; ++campo) {
    conta_campo c;
    for (std::size_t n = 0; n < p.voci.size(); ++n) {
      if (campo_diverso(p.voci[n], d.voci[n], campo))
        c.aggiungi(static_cast<std::int64_t>(n), s.spiegata_voce(n, campo));
    }
    elenca(
        tipo_file::sommario, nomi_voci[campo], c,
        [&](const conta& k) {
          const std::string dove =
              k.n == 1 ? fmt::format("entry {}", k.primo) : fmt::format("entries {} to {}", k.primo, k.ultimo);
          return riga(
              fmt::format("summary file: {} in field {}, {}", quanti(k.n, "entry", "entries"), nomi_voci[campo], dove));
        },
        out);
  }
}

// ---- track ----

void confronta_percorso(const scenario_decodificato& p, const scenario_decodificato& d, const campi_spiegati& s,
                        std::vector<differenza_byte>& out) {
  const std::size_t comuni = std::min(p.celle.size(), d.celle.size());
  if (p.celle.size() != d.celle.size()) {
    const auto dimensione = [](std::size_t celle) {
      return fmt::format("{} cells ({} bytes)", celle, celle * byte_cella);
    };
    const auto ultima = std::max(p.celle.size(), d.celle.size()) - 1;
    differenza_byte r = riga(
        fmt::format("track file: {} \xE2\x86\x92 {}", dimensione(p.celle.size()), dimensione(d.celle.size())),
        metri_inizio_cella(static_cast<std::int64_t>(comuni)), metri_inizio_cella(static_cast<std::int64_t>(ultima)));
    r.file = tipo_file::percorso;
    r.campo = "size";
    r.conteggio = ultima + 1 - comuni;
    r.primo = static_cast<std::int64_t>(comuni);
    r.ultimo = static_cast<std::int64_t>(ultima);
    r.spiegata = s.dimensione_celle();
    out.push_back(std::move(r));
  }
  for (unsigned campo = 0; campo < campi_cella; ++campo) {
    conta_campo c;
    for (std::size_t n = 0; n < comuni; ++n) {
      if (valore_campo(p.celle[n], campo) != valore_campo(d.celle[n], campo)) {
        c.aggiungi(static_cast<std::int64_t>(n), s.spiegata_cella(n, campo));
      }
    }
    const nome_campo& nome = nomi_celle[campo];
    const std::string detto =
        *nome.significato ? fmt::format("{} ({})", nome.nome, nome.significato) : std::string(nome.nome);
    elenca(
        tipo_file::percorso, nome.nome, c,
        [&](const conta& k) {
          const double da = metri_inizio_cella(k.primo), a = metri_inizio_cella(k.ultimo);
          const std::string dove =
              k.n == 1 ? fmt::format("cell {}, at {}", k.primo, luogo_in_linea(d, da))
                       : fmt::format("cells {} to {}, {}", k.primo, k.ultimo, tratto_in_linea(d, da, a));
          return riga(fmt::format("track file: {} in field {}, {}", quanti(k.n, "cell", "cells"), detto, dove), da, a);
        },
        out);
  }
}

// ---- line data ----

void confronta_linea(const piano& x, const piano& y, const scenario_decodificato& d, const campi_spiegati& s,
                     std::vector<differenza_byte>& out) {
  const std::int32_t ultimo = std::min(x.ultimo_metro(), y.ultimo_metro());
  if (x.ultimo_metro() != y.ultimo_metro()) {
    const auto metri = [](const piano& q) { return fmt::format("{} metres", std::int64_t{q.ultimo_metro()} + 1); };
    const std::int32_t fine = std::max(x.ultimo_metro(), y.ultimo_metro());
    differenza_byte r = riga(fmt::format("line data file: {} \xE2\x86\x92 {}", metri(x), metri(y)),
                             static_cast<double>(std::int64_t{ultimo} + 1), static_cast<double>(fine));
    r.file = tipo_file::linea;
    r.campo = "size";
    r.conteggio = static_cast<std::size_t>(fine - ultimo);
    r.primo = std::int64_t{ultimo} + 1;
    r.ultimo = fine;
    r.spiegata = s.dimensione_metri();
    out.push_back(std::move(r));
  }
  // Per coordinate: its tag, and its payload when the tags agree.
  std::array<conta_campo, 4> c;
  for (int k = 0; k < 2; ++k) {
    const std::byte* a = x.slot_coordinata(k);
    const std::byte* b = y.slot_coordinata(k);
    for (std::int32_t m = 0; m <= ultimo; ++m, a += piano::byte_slot, b += piano::byte_slot) {
      if (std::memcmp(a, b, piano::byte_slot) == 0) continue;
      const bool spiegato = s.spiegato_metro(m);
      if (x.tag(m, k) != y.tag(m, k)) {
        c[static_cast<std::size_t>(2 * k)].aggiungi(m, spiegato);
      } else {
        c[static_cast<std::size_t>(2 * k + 1)].aggiungi(m, spiegato);
      }
    }
  }
  for (std::size_t q = 0; q < c.size(); ++q) {
    const std::string campo = fmt::format("coordinate {} {}", q / 2, q % 2 == 0 ? "tag" : "payload");
    elenca(
        tipo_file::linea, campo, c[q],
        [&](const conta& k) {
          const auto da = static_cast<double>(k.primo), a = static_cast<double>(k.ultimo);
          const std::string dove = k.n == 1 ? fmt::format("at {}", luogo_in_linea(d, da)) : tratto_in_linea(d, da, a);
          return riga(fmt::format("line data file: {} in field {}, {}", quanti(k.n, "metre", "metres"), campo, dove),
                      da, a);
        },
        out);
  }
}

// A file there in one folder only, or one that differs and cannot be told
// field by field: its bytes.
void confronta_file(tipo_file t, const byte_a_confronto& g, const std::string& perche, bool spiegata,
                    const cartelle_a_confronto& cartelle, std::vector<differenza_byte>& out) {
  const char* nome = nome_tipo_file(t);
  if (!g.dimensione_prima || !g.dimensione_dopo) {
    const bool prima = g.dimensione_prima.has_value();
    const std::size_t dimensione = *(prima ? g.dimensione_prima : g.dimensione_dopo);
    differenza_byte r =
        riga(fmt::format("{}: only in {} ({} bytes)", nome, prima ? cartelle.prima : cartelle.dopo, dimensione));
    r.file = t;
    r.campo = "presence";
    r.conteggio = dimensione;
    r.ultimo = dimensione == 0 ? 0 : static_cast<std::int64_t>(dimensione) - 1;
    r.spiegata = spiegata;
    out.push_back(std::move(r));
    return;
  }
  // The bytes of one file only count as differing too.
  const std::size_t diversi =
      g.diversi + std::max(*g.dimensione_prima, *g.dimensione_dopo) - std::min(*g.dimensione_prima, *g.dimensione_dopo);
  std::string testo =
      fmt::format("{}: {}, from byte {} to byte {}", nome, quanti(diversi, "byte", "bytes"), g.primo, g.ultimo);
  if (*g.dimensione_prima != *g.dimensione_dopo) {
    testo += fmt::format(" ({} \xE2\x86\x92 {} bytes)", *g.dimensione_prima, *g.dimensione_dopo);
  }
  if (!perche.empty()) testo += "; " + perche;
  differenza_byte r = riga(std::move(testo));
  r.file = t;
  r.campo = "bytes";
  r.conteggio = diversi;
  r.primo = static_cast<std::int64_t>(g.primo);
  r.ultimo = static_cast<std::int64_t>(g.ultimo);
  r.spiegata = spiegata;
  out.push_back(std::move(r));
}

const byte_a_confronto& di(const confronto_grezzo& g, tipo_file t) { return g.file[static_cast<std::size_t>(t)]; }

}  // namespace

// ---- what the changes tell ----

void campi_spiegati::celle(std::int64_t da, std::int64_t a, std::uint16_t maschera) {
  da = std::max<std::int64_t>(da, 0);
  a = std::min(a, static_cast<std::int64_t>(celle_.size()) - 1);
  if (a < da) return;
  for (auto n = static_cast<std::size_t>(da); n <= static_cast<std::size_t>(a); ++n) celle_[n] |= maschera;
}

void campi_spiegati::voce(std::int64_t n, std::uint16_t maschera) {
  if (n >= 0 && n < numero_stazioni) voci_[static_cast<std::size_t>(n)] |= maschera;
}

void campi_spiegati::metri(std::int64_t da, std::int64_t a) {
  if (a < da) return;
  // Kept in order of their start, for the search in metro().
  metri_.insert(std::upper_bound(metri_.begin(), metri_.end(), std::pair{da, a}), {da, a});
}

bool campi_spiegati::spiegata_cella(std::size_t n, unsigned campo) const {
  if (oltre_cella_ && static_cast<std::int64_t>(n) >= *oltre_cella_) return true;
  return n < celle_.size() && (celle_[n] & bit(campo)) != 0;
}

bool campi_spiegati::spiegata_voce(std::size_t n, unsigned campo) const {
  return n < voci_.size() && (voci_[n] & bit(campo)) != 0;
}

bool campi_spiegati::spiegato_metro(std::int64_t m) const {
  if (piano_ || (oltre_metro_ && m >= *oltre_metro_)) return true;
  // The last range starting at or before m: the plan view's ranges come from
  // one pass along the metres and never overlap, so no earlier one reaches further.
  const auto it =
      std::upper_bound(metri_.begin(), metri_.end(), std::pair{m, std::numeric_limits<std::int64_t>::max()});
  return it != metri_.begin() && std::prev(it)->second >= m;
}

// ---- bytes ----

bool confronto_grezzo::uguali() const {
  return std::all_of(file.begin(), file.end(), [](const byte_a_confronto& f) { return f.uguali(); });
}

confronto_grezzo confronta_grezzo(const file_scenario& prima, const file_scenario& dopo) {
  confronto_grezzo g;
  const auto misura = [](const std::optional<std::string>& x, const std::optional<std::string>& y) {
    byte_a_confronto b;
    if (x) b.dimensione_prima = x->size();
    if (y) b.dimensione_dopo = y->size();
    if (!x || !y) return b;
    const std::size_t comune = std::min(x->size(), y->size());
    bool trovato = false;
    for (std::size_t i = 0; i < comune; ++i) {
      if ((*x)[i] == (*y)[i]) continue;
      ++b.diversi;
      if (!trovato) b.primo = i;
      trovato = true;
      b.ultimo = i;
    }
    if (x->size() != y->size()) {
      if (!trovato) b.primo = comune;
      b.ultimo = std::max(x->size(), y->size()) - 1;
    }
    return b;
  };
  g.file[static_cast<std::size_t>(tipo_file::linea)] = misura(prima.linea, dopo.linea);
  g.file[static_cast<std::size_t>(tipo_file::sommario)] = misura(prima.sommario, dopo.sommario);
  g.file[static_cast<std::size_t>(tipo_file::percorso)] = misura(prima.percorso, dopo.percorso);
  return g;
}

std::vector<differenza_byte> confronta_byte(const confronto_grezzo& grezzo, const scenario_decodificato& prima,
                                            const scenario_decodificato& dopo, const campi_spiegati& spiegati,
                                            const cartelle_a_confronto& cartelle) {
  std::vector<differenza_byte> out;
  // Each file that differs must show in at least one line: when its fields
  // do not show it, its bytes do.
  const auto almeno_una = [&](tipo_file t, std::size_t prima_di, const std::string& perche) {
    const bool vista = std::any_of(out.begin() + static_cast<std::ptrdiff_t>(prima_di), out.end(),
                                   [t](const differenza_byte& d) { return d.file == t; });
    if (!vista && !di(grezzo, t).uguali()) confronta_file(t, di(grezzo, t), perche, false, cartelle, out);
  };
  std::size_t n = out.size();
  if (!di(grezzo, tipo_file::sommario).uguali()) confronta_sommario(prima, dopo, spiegati, out);
  almeno_una(tipo_file::sommario, n, "");
  n = out.size();
  if (!di(grezzo, tipo_file::percorso).uguali()) confronta_percorso(prima, dopo, spiegati, out);
  almeno_una(tipo_file::percorso, n, "");
  n = out.size();
  const byte_a_confronto& linea = di(grezzo, tipo_file::linea);
  if (!linea.uguali()) {
    if (prima.planimetria && dopo.planimetria) {
      confronta_linea(*prima.planimetria, *dopo.planimetria, dopo, spiegati, out);
    } else if (!linea.dimensione_prima || !linea.dimensione_dopo) {
      confronta_file(tipo_file::linea, linea, "", spiegati.piano(), cartelle, out);
    } else {
      // There in both, and one at least does not decode.
      std::string perche = prima.senza_piano;
      if (!dopo.senza_piano.empty()) perche += (perche.empty() ? "" : "; ") + dopo.senza_piano;
      confronta_file(tipo_file::linea, linea, perche, false, cartelle, out);
    }
  }
  almeno_una(tipo_file::linea, n, "");
  return out;
}

const char* nome_tipo_file(tipo_file t) {
  switch (t) {
    case tipo_file::linea:
      return "line data file";
    case tipo_file::sommario:
      return "summary file";
    default:
      return "track file";
  }
}

const char* sigla_tipo_file(tipo_file t) {
  switch (t) {
    case tipo_file::linea:
      return "line";
    case tipo_file::sommario:
      return "summary";
    default:
      return "track";
  }
}

}  // namespace scen::tool
