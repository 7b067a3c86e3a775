// Every field of every line kind of both sources, edited one at a time in the
// embedded scenario to values across and beyond its range and to broken
// forms: what the model then holds is read back through the field's
// conversion as docs/formats.md gives it, and every difference from what was
// written must come with a finding at the edited line. The conversions are
// written here from the formats page, not from the compiler.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/rilievi.h"
#include "embedded/righe.h"
#include "model/modello.h"
#include "model/nomi_file.h"

namespace scen {
namespace {

using std::int64_t;

// ---- The documented conversions ---------------------------------------------

// "Rounded": to the nearest whole number, halves to even.
int64_t arrotondato(double x) { return static_cast<int64_t>(std::nearbyint(x)); }
// A point feature stands on cell p / 50 + 1, a profile change on p / 50.
int64_t cella_oggetto(int64_t p) { return arrotondato(static_cast<double>(p) / 50.0 + 1.0); }
int64_t cella_profilo(int64_t p) { return arrotondato(static_cast<double>(p) / 50.0); }
int64_t metro_oggetto(int64_t cella) { return (cella - 1) * 50; }
// Whole division and remainder rounding down, to read packed values back.
int64_t quoziente(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int64_t resto(int64_t a, int64_t b) { return a - quoziente(a, b) * b; }
constexpr int64_t lunghezza_base = 85000;
constexpr int64_t ultima_cella_base = 1840;  // (85000 + 7000) / 50

// ---- Fields and their value classes ------------------------------------------

enum class larghezza { u8, s16, s32, testo };

struct campo {
  const char* nome;
  larghezza w;
  // Where the documented range ends or a documented rule changes: each is
  // tried with its neighbours.
  std::vector<int64_t> soglie;
  // The step the value is kept in (50 for positions...): a value between two
  // steps is tried too.
  int64_t passo = 1;
};

// What the edited line holds: its values as numbers (none when a value does
// not read as one), its text fields as written.
struct scritto {
  std::vector<std::optional<int64_t>> n;
  std::vector<std::string> t;
  int64_t v(std::size_t i) const { return n[i].value_or(0); }
};

using differenze = std::vector<std::string>;
using confronto = std::function<void(const modello&, const scritto&, differenze&)>;

// One line kind: the line of the base scenario that is edited, its key and
// values, the separator between its values, and the comparison of the
// model with what the line says.
struct tipo_riga {
  const char* nome;
  bool treno;
  std::string base;  // the edited line, as it stands in the base scenario
  std::string chiave;
  std::vector<std::string> valori;
  std::vector<campo> campi;
  confronto confronta;
  const char* separatore = ",  ";  // between the values
};

std::string riga_di(const tipo_riga& t, const std::vector<std::string>& valori) {
  std::string r = t.chiave;
  for (std::size_t i = 0; i < valori.size(); ++i) {
    r += i == 0 ? ",  " : t.separatore;
    r += valori[i];
  }
  return r;
}

void differenza(differenze& d, bool uguale, const std::string& cosa, int64_t scritto_, int64_t ottenuto) {
  if (!uguale) d.push_back(cosa + ": written " + std::to_string(scritto_) + ", read back " + std::to_string(ottenuto));
}
void confronta_valore(differenze& d, const std::string& cosa, int64_t scritto_, int64_t ottenuto) {
  differenza(d, scritto_ == ottenuto, cosa, scritto_, ottenuto);
}

const cella* cella_a(const modello& m, int64_t i) {
  if (!m.percorso || i < 0 || i >= static_cast<int64_t>(m.percorso->size())) return nullptr;
  return &(*m.percorso)[static_cast<std::size_t>(i)];
}

// A profile (gradient, speed, adhesion): the value holds from the cell of its
// position up to the next line's cell, and the last three cells are never
// filled. `leggi` reads a cell's byte back in the author's units.
confronto profilo(int64_t posizione_seguente, std::uint8_t cella::*byte, std::function<int64_t(std::uint8_t)> leggi) {
  return [=](const modello& m, const scritto& s, differenze& d) {
    const int64_t da = std::max<int64_t>(0, cella_profilo(s.v(0)));
    const int64_t a = std::min(cella_profilo(posizione_seguente), int64_t{m.ultima_cella} - 2);
    if (s.v(0) % 50 != 0) d.push_back("the position is kept as the cell's, " + std::to_string(da * 50) + " m");
    for (int64_t i = da; i < a; ++i) {
      const cella* c = cella_a(m, i);
      if (c == nullptr) break;
      const int64_t letto = leggi(c->*byte);
      if (letto != s.v(1)) {
        confronta_valore(d, "the value on cell " + std::to_string(i), s.v(1), letto);
        return;
      }
    }
  };
}

// A point feature's cell and its position read back.
int64_t cella_e_posizione(const scritto& s, differenze& d) {
  const int64_t k = cella_oggetto(s.v(0));
  confronta_valore(d, "the position", s.v(0), metro_oggetto(k));
  return k;
}

// ---- The route source's lines --------------------------------------------------

struct zona {
  int64_t inizio, progressiva, flag;
  auto operator<=>(const zona&) const = default;
};

// The three kilometric zones as written (uno, due, tre) against entries 81
// to 83 read back: flag 1 adds 100 to the progressive.
confronto zone(std::size_t quale) {
  return [=](const modello& m, const scritto& s, differenze& d) {
    std::vector<zona> scritte{{0, 82800, 1}, {0, 0, 0}, {0, 0, 0}};
    scritte[quale] = {s.v(0), s.v(1), s.v(2)};
    std::vector<zona> lette;
    for (int e = voce::zona_0; e <= voce::zona_2; ++e) {
      const stazione& z = m.stazioni[static_cast<std::size_t>(e)];
      lette.push_back({z.inizio, z.fine - (z.posizione == 1 ? 100 : 0), z.posizione});
    }
    std::sort(scritte.begin(), scritte.end());
    std::sort(lette.begin(), lette.end());
    if (scritte != lette) d.push_back("the kilometric zones read back are not the zones written");
  };
}

// The heading turned between metres a and b of the plan view, right-hand
// positive.
std::optional<double> svolta(const modello& m, int64_t a, int64_t b) {
  if (!m.planimetria || a < 1 || b > m.planimetria->ultimo_metro()) return std::nullopt;
  const piano& p = *m.planimetria;
  const auto dir = [&](int64_t k) {
    const auto i = static_cast<std::int32_t>(k);
    return std::pair{p.numero(i, 0) - p.numero(i - 1, 0), p.numero(i, 1) - p.numero(i - 1, 1)};
  };
  const auto [x0, y0] = dir(a);
  const auto [x1, y1] = dir(b);
  return -std::atan2(x0 * y1 - y0 * x1, x0 * x1 + y0 * y1);
}

// curvad3: a right-hand curve of 0.0004 rad/m; it turns by length x curvature.
void confronta_curva(const modello& m, const scritto& s, differenze& d) {
  const int64_t inizio = s.v(0);
  const int64_t lunghezza = s.v(1);
  const double attesa = static_cast<double>(lunghezza) * 0.0004;
  const std::optional<double> vista = svolta(m, std::max<int64_t>(inizio, 2), std::max(inizio, inizio + lunghezza));
  if (!vista) {
    d.push_back("the curve is not in the plan view");
    return;
  }
  if (std::abs(*vista - attesa) > 0.005 * std::abs(attesa) + 1e-6) {
    d.push_back("the curve turns by " + std::to_string(*vista) + " rad, written " + std::to_string(attesa));
  }
}

// montagna: cells start / 50 to end / 50 - 1 hold the type (above 10: type -
// 10 and a mountain marker on every fourth cell still empty).
void confronta_montagna(const modello& m, const scritto& s, differenze& d) {
  const int64_t prima = cella_profilo(s.v(0));
  const int64_t ultima = arrotondato(static_cast<double>(s.v(1)) / 50.0 - 1.0);
  confronta_valore(d, "the zone's start", s.v(0), prima * 50);
  confronta_valore(d, "the zone's end", s.v(1), (ultima + 1) * 50);
  if (ultima < prima) d.push_back("the zone covers no cell");
  const int64_t tipo = s.v(2) > 10 ? s.v(2) - 10 : s.v(2);
  for (int64_t i = prima; i <= ultima; ++i) {
    const cella* c = cella_a(m, i);
    if (c == nullptr) break;
    if (c->montagna != tipo) {
      confronta_valore(d, "the landscape type on cell " + std::to_string(i), tipo, c->montagna);
      return;
    }
  }
  if (s.v(2) > 10 && ultima - prima >= 3) {
    const cella* c = cella_a(m, prima + 3);
    if (c != nullptr && c->tipo != 11) d.push_back("no mountain marker on the zone's fourth cell");
  }
}

// indicatori_vmax: cell p / 50 + 1, type 6; each pair read back as vs = v / 20,
// vd = (v mod 20) * 5, the stripes as strisces = v4 / 10, strisced = v4 mod 10.
void confronta_cartello(const modello& m, const scritto& s, differenze& d) {
  const int64_t k = cella_e_posizione(s, d);
  const cella* c = cella_a(m, k);
  if (c == nullptr || c->tipo != 6) {
    d.push_back("no maximum-speed board on its cell");
    return;
  }
  const std::int16_t valori[3] = {c->valore1, c->valore2, c->valore3};
  const char* nomi[3][2] = {{"vas", "vad"}, {"vbs", "vbd"}, {"vcs", "vcd"}};
  for (int i = 0; i < 3; ++i) {
    confronta_valore(d, nomi[i][0], s.v(1 + i), quoziente(valori[i], 20));
    confronta_valore(d, nomi[i][1], s.v(5 + i), resto(valori[i], 20) * 5);
  }
  confronta_valore(d, "strisces", s.v(4), quoziente(c->valore4, 10));
  confronta_valore(d, "strisced", s.v(8), resto(c->valore4, 10));
}

// cartello indicatore: cell p / 50 + 1, type 14, its text in the entry it names.
void confronta_indicazione(const modello& m, const scritto& s, differenze& d) {
  const int64_t k = cella_e_posizione(s, d);
  const cella* c = cella_a(m, k);
  if (c == nullptr || c->tipo != 14 || c->valore1 < 1 || c->valore1 > 80) {
    d.push_back("no indication board on its cell");
    return;
  }
  std::string testo = s.t.size() > 1 ? s.t[1] : "";
  if (testo.size() >= 2 && testo.front() == '"' && testo.back() == '"') testo = testo.substr(1, testo.size() - 2);
  if (m.stazioni[static_cast<std::size_t>(c->valore1)].nome != testo) d.push_back("the board's text differs");
}

// ---- The train source's lines --------------------------------------------------

// The station LUNESCO, entry 3: its zone (type 12: p - L/2 to p + L/2, + 50
// with opzione3) gives L back; the time is read back as h:m:s of its seconds.
void confronta_stazione(const modello& m, const scritto& s, differenze& d) {
  const stazione& e = m.stazioni[3];
  confronta_valore(d, "the position", s.v(0), e.posizione);
  confronta_valore(d, "the type", s.v(1), e.tipo);
  const bool intera = (e.tipo >= 5 && e.tipo <= 8);
  confronta_valore(d, "the length", s.v(2), (int64_t{e.posizione} - e.inizio) * (intera ? 1 : 2));
  confronta_valore(d, "opzione1", s.v(3), e.opzione1);
  confronta_valore(d, "opzione2", s.v(4), e.opzione2);
  confronta_valore(d, "opzione3", s.v(5), e.opzione3);
  confronta_valore(d, "gruppo_a1", s.v(6), e.gruppo_a1);
  confronta_valore(d, "gruppo_a2", s.v(7), e.gruppo_a2);
  confronta_valore(d, "gruppo_a3", s.v(8), e.gruppo_a3);
  confronta_valore(d, "gruppo_b1", s.v(9), e.gruppo_b1);
  confronta_valore(d, "gruppo_b2", s.v(10), e.gruppo_b2);
  confronta_valore(d, "gruppo_b3", s.v(11), e.gruppo_b3);
  confronta_valore(d, "sosta", s.v(12), e.sosta);
  confronta_valore(d, "the hour", s.v(13), quoziente(e.orario, 3600));
  confronta_valore(d, "the minute", s.v(14), resto(quoziente(e.orario, 60), 60));
  confronta_valore(d, "the second", s.v(15), resto(e.orario, 60));
  if (s.t.size() < 17 || e.nome != s.t[16]) d.push_back("the name differs");
}

// segnale: cell p / 50 + 1, type 1; values read back as s = v / 10, d = v mod
// 10, and valore4 as rapp = v4 / 10, sx = (v4 mod 10) / 3, dx = (v4 mod 10)
// mod 3; `tempo` kept only with sx = 2.
void confronta_segnale(const modello& m, const scritto& s, differenze& d) {
  const int64_t k = cella_e_posizione(s, d);
  const cella* c = cella_a(m, k);
  if (c == nullptr || c->tipo != 1) {
    d.push_back("no signal on its cell");
    return;
  }
  const std::int16_t valori[3] = {c->valore1, c->valore2, c->valore3};
  for (int i = 0; i < 3; ++i) {
    confronta_valore(d, "s" + std::to_string(i + 1), s.v(2 + i), quoziente(valori[i], 10));
    confronta_valore(d, "d" + std::to_string(i + 1), s.v(7 + i), resto(valori[i], 10));
  }
  const int64_t coda = resto(c->valore4, 10);
  confronta_valore(d, "rapp", s.v(5), quoziente(c->valore4, 10));
  confronta_valore(d, "sx", s.v(1), coda / 3);
  confronta_valore(d, "dx", s.v(6), coda % 3);
  if (s.v(1) == 2) {
    confronta_valore(d, "tempo", s.v(10), c->tempo);
  } else {
    confronta_valore(d, "tempo (kept only with sx = 2)", s.v(10), 0);
  }
  const cella* prima = cella_a(m, k - 2);
  if (prima != nullptr) confronta_valore(d, "the approach marker", s.v(1) * 3 + s.v(6), (prima->avviso - 1) / 10);
}

// rallentamento: start (type 3) on cell x / 50 + 1, end (type 2) on cell
// (x + l) / 50 + 1 ahead of it, both with v, f_tt and d_v; beyond 1500 m a
// warning board 1200 m before, and with f_ta the four cells before it.
void confronta_rallentamento(const modello& m, const scritto& s, differenze& d) {
  const int64_t k = cella_e_posizione(s, d);
  const int64_t e = cella_oggetto(s.v(0) + s.v(2));
  const cella* inizio = cella_a(m, k);
  const cella* fine = cella_a(m, e);
  if (inizio == nullptr || inizio->tipo != 3) {
    d.push_back("no slowdown start on its cell");
    return;
  }
  if (fine == nullptr || fine->tipo != 2 || e <= k) {
    d.push_back("no slowdown end ahead of its start");
  } else {
    confronta_valore(d, "the length", s.v(2), (e - k) * 50);
  }
  confronta_valore(d, "the speed", s.v(1), inizio->valore1);
  confronta_valore(d, "f_tt", s.v(3), inizio->valore3);
  confronta_valore(d, "d_v", s.v(5), inizio->valore2);
  const bool con_tavola = s.v(0) > 1500;
  const int64_t tavola = cella_oggetto(s.v(0) - 1200);
  const cella* prima = cella_a(m, tavola - 1);
  const bool f_ta = con_tavola && prima != nullptr && prima->tipo == 5;
  differenza(d, (s.v(4) != 0) == f_ta, "f_ta", s.v(4), f_ta ? 1 : 0);
}

// abbattimento: cell p / 50, a code point (type 12) carrying a value above 0,
// else a code end (type 13).
void confronta_abbattimento(const modello& m, const scritto& s, differenze& d) {
  const int64_t k = cella_profilo(s.v(0));
  confronta_valore(d, "the position", s.v(0), k * 50);
  const cella* c = cella_a(m, k);
  if (c == nullptr) {
    d.push_back("no code line on its cell");
  } else if (s.v(1) > 0) {
    differenza(d, c->tipo == 12 && c->valore1 == s.v(1), "the code value", s.v(1), c->valore1);
  } else if (c->tipo != 13) {
    d.push_back("no code end on its cell");
  }
}

confronto voce_campo(int e, std::int32_t stazione::*campo_, const char* cosa) {
  return [=](const modello& m, const scritto& s, differenze& d) {
    confronta_valore(d, cosa, s.v(0), m.stazioni[static_cast<std::size_t>(e)].*campo_);
  };
}

// ---- The table ---------------------------------------------------------------------

const campo posizione{"position", larghezza::s32, {0, lunghezza_base}, 50};
campo numero(const char* nome, larghezza w = larghezza::s32, std::vector<int64_t> soglie = {0}, int64_t passo = 1) {
  return {nome, w, std::move(soglie), passo};
}

const std::vector<tipo_riga>& tipi() {
  static const std::vector<tipo_riga> v{
      {"lunghezza",
       false,
       "lunghezza percorso,    85000",
       "lunghezza percorso",
       {"85000"},
       {numero("length", larghezza::s32, {-6974, lunghezza_base, 1000000})},
       voce_campo(voce::dati_generali, &stazione::fine, "the route length")},
      {"progressiva_uno",
       false,
       "progressiva chilometrica uno,    0,    82800,    1",
       "progressiva chilometrica uno",
       {"0", "82800", "1"},
       {numero("start", larghezza::s32, {0}, 50), numero("progressive", larghezza::s32, {0}, 50),
        numero("flag", larghezza::s32, {0, 1})},
       zone(0)},
      {"progressiva_due",
       false,
       "progressiva chilometrica due,    0,    0,    0",
       "progressiva chilometrica due",
       {"0", "0", "0"},
       {numero("start", larghezza::s32, {0}, 50), numero("progressive", larghezza::s32, {0}, 50),
        numero("flag", larghezza::s32, {0, 1})},
       zone(1)},
      {"sfondo_uno",
       false,
       "sfondo uno,    33000",
       "sfondo uno",
       {"33000"},
       {numero("value")},
       voce_campo(voce::linea, &stazione::inizio, "sfondo uno")},
      {"sfondo_due",
       false,
       "sfondo due,    1",
       "sfondo due",
       {"1"},
       {numero("value")},
       voce_campo(voce::linea, &stazione::posizione, "sfondo due")},
      {"sfondo_tre",
       false,
       "sfondo tre,    0",
       "sfondo tre",
       {"0"},
       {numero("value")},
       voce_campo(voce::linea, &stazione::fine, "sfondo tre")},
      {"ripetizione",
       false,
       "ripetizione segnali 4 codici,    0,    76800",
       "ripetizione segnali 4 codici",
       {"0", "76800"},
       {numero("start", larghezza::s32, {0}, 50), numero("end", larghezza::s32, {0}, 50)},
       [](const modello& m, const scritto& s, differenze& d) {
         const stazione& t = m.stazioni[voce::treno];
         confronta_valore(d, "the start", s.v(0), t.inizio);
         confronta_valore(d, "the end", s.v(1), t.fine);
         if (s.v(1) != 0) confronta_valore(d, "the codes", 4, t.posizione);
         if (s.v(1) != 0 && s.v(1) <= s.v(0)) d.push_back("the repetition covers no track");
       }},
      {"curva",
       false,
       "curvad3,  800,  450",
       "curvad3",
       {"800", "450"},
       {posizione, numero("length", larghezza::s32, {0})},
       confronta_curva},
      {"pendenza",
       false,
       "pendenza,  7100,   5",
       "pendenza",
       {"7100", "5"},
       {posizione, numero("gradient", larghezza::s32, {-100, 155})},
       profilo(12400, &cella::pendenza, [](std::uint8_t b) { return int64_t{b} - 100; })},
      {"montagna",
       false,
       "montagna,  7000,  8000,  2",
       "montagna",
       {"7000", "8000", "2"},
       {{"start", larghezza::s32, {0, lunghezza_base}, 50},
        {"end", larghezza::s32, {0, lunghezza_base}, 50},
        numero("type", larghezza::s32, {0, 10, 11, 265})},
       confronta_montagna},
      {"indicatori_vmax",
       false,
       "indicatori_vmax,  700,  125,  135,  145,  0,  50,  55,  55,  0",
       "indicatori_vmax",
       {"700", "125", "135", "145", "0", "50", "55", "55", "0"},
       {posizione, numero("vas"), numero("vbs"), numero("vcs"), numero("strisces", larghezza::s32, {0, 9}),
        numero("vad", larghezza::s32, {0, 95}, 5), numero("vbd", larghezza::s32, {0, 95}, 5),
        numero("vcd", larghezza::s32, {0, 95}, 5), numero("strisced", larghezza::s32, {0, 9})},
       confronta_cartello},
      {"cartello_indicatore",
       false,
       "cartello indicatore,  12000,  \"TEXT, WITH COMMA\"",
       "cartello indicatore",
       {"12000", "\"TEXT, WITH COMMA\""},
       {posizione, {"text", larghezza::testo, {}}},
       confronta_indicazione},
      {"numero_vetture",
       true,
       "numero vetture,    12",
       "numero vetture",
       {"12"},
       {numero("cars")},
       voce_campo(voce::dati_generali, &stazione::posizione, "the cars")},
      {"massa_frenata",
       true,
       "percentuale massa frenata,    125",
       "percentuale massa frenata",
       {"125"},
       {numero("percentage")},
       voce_campo(voce::dati_generali, &stazione::inizio, "the braked mass")},
      {"sabbia",
       true,
       "sabbia,    300",
       "sabbia",
       {"300"},
       {numero("sand", larghezza::s16)},
       [](const modello& m, const scritto& s, differenze& d) {
         confronta_valore(d, "the sand", s.v(0), m.stazioni[voce::treno].gruppo_a1);
       }},
      {"orologio",
       true,
       "orologio,    8               34            15 ",
       "orologio",
       {"8", "34", "15"},
       {numero("hours", larghezza::s16), numero("minutes", larghezza::s16), numero("seconds", larghezza::s16)},
       [](const modello& m, const scritto& s, differenze& d) {
         const stazione& t = m.stazioni[voce::treno];
         confronta_valore(d, "the hours", s.v(0), t.gruppo_b1);
         confronta_valore(d, "the minutes", s.v(1), t.gruppo_b2);
         confronta_valore(d, "the seconds", s.v(2), t.gruppo_b3);
       },
       "   "},
      {"aderenza",
       true,
       "aderenza,    6300,   100",
       "aderenza",
       {"6300", "100"},
       {posizione, numero("adhesion", larghezza::s32, {0, 255})},
       profilo(12800, &cella::aderenza, [](std::uint8_t b) { return int64_t{b}; })},
      {"velocita",
       true,
       "velocita,    3000,   150",
       "velocita",
       {"3000", "150"},
       {posizione, numero("speed", larghezza::s32, {0, 1275}, 5)},
       profilo(16900, &cella::velocita, [](std::uint8_t b) { return int64_t{b} * 5; })},
      {"stazione",
       true,
       "stazione,   16900, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,   8,48, 0, LUNESCO",
       "stazione",
       {"16900", "12", "600", "0", "0", "0", "1", "1", "0", "4", "1", "1", "60", "8", "48", "0", "LUNESCO"},
       {{"position", larghezza::s32, {16900}, 50},
        numero("type", larghezza::u8, {0, 5, 6, 7, 8, 24, 25, 255}),
        numero("length", larghezza::s32, {0, 600}, 100),
        numero("opzione1", larghezza::u8, {0, 255}),
        numero("opzione2", larghezza::u8, {0, 255}),
        numero("opzione3", larghezza::u8, {0, 255}),
        numero("gruppo_a1", larghezza::s16, {0}),
        numero("gruppo_a2", larghezza::s16, {0}),
        numero("gruppo_a3", larghezza::u8, {0, 255}),
        numero("gruppo_b1", larghezza::s16, {0}),
        numero("gruppo_b2", larghezza::s16, {0}),
        numero("gruppo_b3", larghezza::s16, {0}),
        numero("sosta", larghezza::u8, {0, 255}),
        numero("hour", larghezza::s32, {0, 23}),
        numero("minute", larghezza::s32, {0, 59}),
        numero("second", larghezza::s32, {0, 59}),
        {"name", larghezza::testo, {}}},
       confronta_stazione},
      {"rallentamento",
       true,
       "rallentamento,   36500,    70,  500, 1,  1,  0",
       "rallentamento",
       {"36500", "70", "500", "1", "1", "0"},
       {{"start", larghezza::s32, {1500, 36500}, 50},
        numero("speed", larghezza::s32, {0}),
        numero("length", larghezza::s32, {0}, 50),
        numero("f_tt", larghezza::s32, {0}),
        numero("f_ta", larghezza::s32, {0, 1}),
        numero("d_v", larghezza::s32, {0})},
       confronta_rallentamento},
      {"segnale",
       true,
       "segnale,   15700,   2, 3, 1,  0, 0,    2,  2,1,0, 0",
       "segnale",
       {"15700", "2", "3", "1", "0", "0", "2", "2", "1", "0", "0"},
       {{"position", larghezza::s32, {325, 15700}, 50},
        numero("sx", larghezza::s32, {0, 2, 3}),
        numero("s1", larghezza::s32, {0}),
        numero("s2", larghezza::s32, {0}),
        numero("s3", larghezza::s32, {0}),
        numero("rapp", larghezza::s32, {0}),
        numero("dx", larghezza::s32, {0, 2}),
        numero("d1", larghezza::s32, {0, 9}),
        numero("d2", larghezza::s32, {0, 9}),
        numero("d3", larghezza::s32, {0, 9}),
        numero("tempo", larghezza::s32, {0, 1, 100, 255})},
       confronta_segnale},
      {"abbattimento",
       true,
       "abbattimento,   56000,   180",
       "abbattimento",
       {"56000", "180"},
       {posizione, numero("value", larghezza::s32, {0})},
       confronta_abbattimento},
  };
  return v;
}

// ---- The cases -------------------------------------------------------------------

struct caso {
  std::string nome;
  std::size_t tipo;
  std::string riga;       // the edited line
  bool troncata = false;  // the line ends before this field
};

std::vector<std::string> valori_di(const campo& f, const std::string& base) {
  std::vector<std::string> out;
  const auto aggiungi = [&](const std::string& s) {
    if (s != base && std::find(out.begin(), out.end(), s) == out.end()) out.push_back(s);
  };
  if (f.w == larghezza::testo) {
    for (const std::string& s : std::vector<std::string>{"", "X", std::string(300, 'N')}) aggiungi(s);
    return out;
  }
  const auto [minimo, massimo] = f.w == larghezza::u8    ? std::pair<int64_t, int64_t>{0, 255}
                                 : f.w == larghezza::s16 ? std::pair<int64_t, int64_t>{-32768, 32767}
                                                         : std::pair<int64_t, int64_t>{INT32_MIN, INT32_MAX};
  for (const int64_t s : f.soglie) {
    for (const int64_t v : {s - 1, s, s + 1}) {
      if (v >= minimo && v <= massimo) aggiungi(std::to_string(v));
    }
  }
  const int64_t b = std::stoll(base);
  if (f.passo > 1) aggiungi(std::to_string(b + f.passo / 2 + 2));
  aggiungi(std::to_string(-b - f.passo));  // negative
  aggiungi(std::to_string(massimo));       // as large as the field holds
  aggiungi(std::to_string(massimo + 1));   // too large for it
  aggiungi(std::to_string(minimo - 1));
  aggiungi("");  // empty: 0
  for (const char* rotto : {"12a", "x", "1.5", "-", "+"}) aggiungi(rotto);
  return out;
}

std::vector<caso> casi() {
  std::vector<caso> out;
  const auto& tt = tipi();
  for (std::size_t t = 0; t < tt.size(); ++t) {
    const tipo_riga& r = tt[t];
    for (std::size_t i = 0; i < r.campi.size(); ++i) {
      const std::vector<std::string> valori = valori_di(r.campi[i], r.valori[i]);
      // Blanks and line ends before a field are skipped: an empty last
      // field, or an empty one among numbers apart by blanks, is a line
      // that ends early.
      const bool vuoto_tronca = i + 1 == r.campi.size() || std::string(r.separatore) == "   ";
      for (std::size_t k = 0; k < valori.size(); ++k) {
        std::vector<std::string> v = r.valori;
        v[i] = valori[k];
        out.push_back({std::string(r.nome) + "_" + r.campi[i].nome + "_" + std::to_string(k), t, riga_di(r, v),
                       vuoto_tronca && valori[k].empty()});
      }
      std::vector<std::string> corta(r.valori.begin(), r.valori.begin() + static_cast<std::ptrdiff_t>(i));
      out.push_back({std::string(r.nome) + "_" + r.campi[i].nome + "_truncated", t, riga_di(r, corta), true});
    }
  }
  return out;
}

// ---- The base scenario -------------------------------------------------------------

// The embedded route with the line kinds it lacks added: two mountain zones
// and an indication board.
std::vector<std::string> linea_base() {
  std::vector<std::string> out;
  for (std::string_view r : righe_linea()) {
    out.emplace_back(r);
    if (r == "[montagne]") {
      out.emplace_back("montagna,  5000,  6000,  12");
      out.emplace_back("montagna,  7000,  8000,  2");
    }
    if (r == "[indicazioni]") out.emplace_back("cartello indicatore,  12000,  \"TEXT, WITH COMMA\"");
  }
  return out;
}

std::vector<std::string> treno_base() {
  std::vector<std::string> out;
  for (std::string_view r : righe_treno()) out.emplace_back(r);
  return out;
}

std::string unite(const std::vector<std::string>& righe) {
  std::string s;
  for (const auto& r : righe) s += r + "\r\n";
  return s;
}

struct analisi {
  modello m;
  esito_analisi esito;
};

analisi compila(const std::string& linea, const std::string& treno) {
  analisi a;
  const identita id = identita_incorporata();
  a.m.nome_linea = id.nome_linea;
  a.m.nome_treno = id.nome_treno;
  a.m.scrivi_linea = 1;
  a.esito = analizza_sorgenti(a.m, linea, treno, modo_analisi::come_compilazione);
  return a;
}

std::string elenco(const std::vector<rilievo>& rr) {
  std::string out;
  for (const rilievo& r : rr) {
    out += (r.dove.file == luogo_errore::sorgente::treno ? "train:" : "route:") + std::to_string(r.dove.riga) + " " +
           (r.codice ? "[" + std::to_string(*r.codice) + "] " : "") + r.messaggio + "\n";
    for (const nota_rilievo& n : r.note) out += "  note at " + std::to_string(n.dove.riga) + ": " + n.messaggio + "\n";
  }
  return out;
}

// The values of a line as the formats read them: fields split at commas (a
// quoted text kept whole), the clock's three numbers at blanks.
scritto leggi_riga(const tipo_riga& t, const std::string& riga) {
  scritto s;
  std::string resto_ = riga.substr(t.chiave.size());
  std::vector<std::string> campi;
  std::size_t i = 0;
  while (i < resto_.size()) {
    if (resto_[i] != ',') break;
    ++i;
    std::string f;
    while (i < resto_.size() && resto_[i] == ' ') ++i;
    if (i < resto_.size() && resto_[i] == '"') {
      const std::size_t fine = resto_.find('"', i + 1);
      f = resto_.substr(i, fine - i + 1);
      i = fine + 1;
    } else {
      while (i < resto_.size() && resto_[i] != ',') f += resto_[i++];
    }
    campi.push_back(f);
  }
  if (std::string(t.separatore) == "   " && !campi.empty()) {
    // orologio: the three numbers stand apart by blanks.
    std::string tutto = campi[0];
    campi.clear();
    std::size_t k = 0;
    while ((k = tutto.find_first_not_of(' ', k)) != std::string::npos) {
      const std::size_t fine = tutto.find(' ', k);
      campi.push_back(tutto.substr(k, fine == std::string::npos ? std::string::npos : fine - k));
      k = fine;
    }
  }
  for (std::string f : campi) {
    const auto a = f.find_first_not_of(' ');
    const auto b = f.find_last_not_of(' ');
    f = a == std::string::npos ? "" : f.substr(a, b - a + 1);
    s.t.push_back(f);
    std::optional<int64_t> n;
    if (f.empty()) {
      n = 0;
    } else {
      const std::size_t k = (f[0] == '+' || f[0] == '-') ? 1 : 0;
      if (k < f.size() && f.size() < 19 && std::all_of(f.begin() + static_cast<std::ptrdiff_t>(k), f.end(), [](char c) {
            return c >= '0' && c <= '9';
          })) {
        n = std::stoll(f);
      }
    }
    s.n.push_back(n);
  }
  return s;
}

TEST(CampiBase, TheBaseScenarioCompilesWithNoFinding) {
  const analisi incorporato =
      compila(unite(std::vector<std::string>(righe_linea().begin(), righe_linea().end())), unite(treno_base()));
  EXPECT_TRUE(incorporato.esito.rilievi.empty()) << elenco(incorporato.esito.rilievi);
  const analisi base = compila(unite(linea_base()), unite(treno_base()));
  EXPECT_TRUE(base.esito.rilievi.empty()) << elenco(base.esito.rilievi);
  // The comparisons read the base back as written.
  for (const tipo_riga& t : tipi()) {
    differenze d;
    t.confronta(base.m, leggi_riga(t, riga_di(t, t.valori)), d);
    EXPECT_TRUE(d.empty()) << t.nome << ": " << (d.empty() ? "" : d.front());
  }
}

// What one edited line gives: none when the model holds what was written
// or a finding stands at the line; otherwise the first difference.
struct esito_caso {
  std::optional<std::string> mancanza;
};

esito_caso prova(const caso& c) {
  const tipo_riga& t = tipi()[c.tipo];
  std::vector<std::string> linea = linea_base();
  std::vector<std::string> treno = treno_base();
  std::vector<std::string>& sorgente = t.treno ? treno : linea;
  const auto it = std::find(sorgente.begin(), sorgente.end(), t.base);
  if (it == sorgente.end()) return {"the base has no line \"" + t.base + "\""};
  *it = c.riga;
  const std::int32_t riga = static_cast<std::int32_t>(it - sorgente.begin()) + 1;
  const analisi a = compila(unite(linea), unite(treno));

  const auto file = t.treno ? luogo_errore::sorgente::treno : luogo_errore::sorgente::linea;
  // At the line: the finding's place, or a note of it that names the line
  // (an error on the next line's token that says this line ended early).
  const auto qui = [&](const punto_sorgente& p) { return p.file == file && p.riga == riga; };
  const bool detto = std::any_of(a.esito.rilievi.begin(), a.esito.rilievi.end(), [&](const rilievo& r) {
    return r.livello != gravita::nota &&
           (qui(r.dove) ||
            std::any_of(r.note.begin(), r.note.end(), [&](const nota_rilievo& n) { return qui(n.dove); }));
  });
  if (detto) return {};
  differenze d;
  const scritto s = leggi_riga(t, c.riga);
  if (c.troncata) d.push_back("the line ends before all its values");
  for (std::size_t i = 0; i < s.n.size() && i < t.campi.size(); ++i) {
    if (!s.n[i] && t.campi[i].w != larghezza::testo) d.push_back("\"" + s.t[i] + "\" is not a number");
  }
  if (d.empty()) t.confronta(a.m, s, d);
  if (d.empty()) return {};
  return {std::string(t.treno ? "train" : "route") + " line " + std::to_string(riga) + " \"" + c.riga +
          "\": " + d.front() + ", with no finding at the line; findings:\n" + elenco(a.esito.rilievi)};
}

// One line kind per test: every value case of every field of it.
class Campi : public ::testing::TestWithParam<std::size_t> {};

std::vector<caso> casi_di(std::size_t tipo, bool troncati) {
  std::vector<caso> out;
  for (caso& c : casi()) {
    if (c.tipo == tipo && c.troncata == troncati) out.push_back(std::move(c));
  }
  return out;
}

TEST_P(Campi, EveryDifferenceFromWhatWasWrittenHasAFindingAtItsLine) {
  const std::vector<caso> cc = casi_di(GetParam(), false);
  ASSERT_FALSE(cc.empty());
  for (const caso& c : cc) {
    const esito_caso e = prova(c);
    EXPECT_FALSE(e.mancanza) << c.nome << ": " << *e.mancanza;
  }
}

// A line that ends before its values are read takes them from the next line:
// the finding stands at the next line's token and names this line.
TEST_P(Campi, ALineThatEndsEarlyHasAFindingAtItsLine) {
  const std::vector<caso> cc = casi_di(GetParam(), true);
  ASSERT_FALSE(cc.empty());
  for (const caso& c : cc) {
    const esito_caso e = prova(c);
    EXPECT_FALSE(e.mancanza) << c.nome << ": " << *e.mancanza;
  }
}

INSTANTIATE_TEST_SUITE_P(Sorgenti, Campi, ::testing::Range<std::size_t>(0, tipi().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& i) {
                           return std::string(tipi()[i.param].nome);
                         });

}  // namespace
}  // namespace scen
