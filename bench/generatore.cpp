#include "generatore.h"

#include <fmt/format.h>

#include <array>
#include <iterator>
#include <set>
#include <stdexcept>

namespace scen::banco {
namespace {

// Every feature repeats in blocks of 5 km. Offsets within a block, in metres,
// and the cells (from the block's first cell) each one takes:
//   mountain zone 100..600    cells 2..11, markers on 5 and 9
//   signal        650         cell 14 (approach markers 12, 10, 8, 6)
//   speed board   700         cell 15
//   gradient      1000        (profile)
//   curve         2000..3500  (plan view only)
//   slowdown      2500, 500 m warning board 27, cells 23..26 before it,
//                             start 51, end 61
//   signal        1650        cell 34
//   signal        3450        cell 70
//   station       4000        end marker 82 to 87 by type, approach cells before it
//   code line     4500        cell 90
//   board text    4700        cell 95
// The code pass then takes cells 13 (before the signal in 14, ahead of the
// warning board), 46, 40 and 33 (approach groups), 59 (along a slow
// slowdown) and 69 (before the signal after the end): all different cells.
constexpr std::int32_t metri_blocco = 5000;
constexpr int blocchi_per_stazione = 3;  // a station every 15 km
constexpr int blocchi_per_montagna = 3;  // a mountain zone every 15 km (at most 80 zones)
constexpr int blocchi_per_rallentamento = 2;
constexpr int cartelli_indicazione = 8;  // leaves 70 entries of the table to the stations

template <typename... A>
void riga(std::string& s, fmt::format_string<A...> formato, A&&... a) {
  fmt::format_to(std::back_inserter(s), formato, std::forward<A>(a)...);
  s += "\r\n";
}

std::int32_t blocchi_di(std::int32_t chilometri) { return chilometri * 1000 / metri_blocco; }

std::string sorgente_linea(std::int32_t chilometri) {
  const std::int32_t lunghezza = chilometri * 1000;
  const std::int32_t blocchi = blocchi_di(chilometri);
  std::string s;
  s.reserve(static_cast<std::size_t>(blocchi) * 160 + 512);

  riga(s, "[generale]");
  riga(s, "lunghezza percorso,    {}", lunghezza);
  riga(s, "progressiva chilometrica uno,    0,    100000,    1");
  riga(s, "progressiva chilometrica due,    0,    0,    0");
  riga(s, "progressiva chilometrica tre,    0,    0,    0");
  riga(s, "sfondo uno,    33000");
  riga(s, "sfondo due,    1");
  riga(s, "sfondo tre,    0");
  riga(s, "ripetizione segnali 4 codici,    0,    {}", lunghezza);

  riga(s, "[curve]");
  for (std::int32_t i = 0; i < blocchi; ++i) {
    // Both hands and every curvature in turn; each curve ends 1.5 km before
    // its block does, so the last one ends well before metre 1000000.
    const char mano = i % 2 == 0 ? 'd' : 's';
    riga(s, "curva{}{},  {},  1500", mano, 1 + i % 6, i * metri_blocco + 2000);
  }

  riga(s, "[pendenze]");
  static constexpr std::array<int, 6> pendenze{3, -1, 0, 9, -3, 5};
  for (std::int32_t i = 0; i < blocchi; ++i) {
    riga(s, "pendenza,  {},   {}", i * metri_blocco + 1000, pendenze[static_cast<std::size_t>(i % 6)]);
  }

  riga(s, "[montagne]");
  for (std::int32_t i = 1; i < blocchi; i += blocchi_per_montagna) {
    riga(s, "montagna,  {},  {},  12", i * metri_blocco + 100, i * metri_blocco + 600);
  }

  riga(s, "[cartelli]");
  for (std::int32_t i = 0; i < blocchi; ++i) {
    const std::int32_t p = i * metri_blocco + 700;
    if (i % 2 == 0) {
      riga(s, "indicatori_vmax,  {},  125,  135,  145,  0,  50,  55,  55,  0", p);
    } else {
      riga(s, "indicatori_vmax,  {},  140,  150,  160,  2,  ,  ,  ,  0", p);
    }
  }

  riga(s, "[indicazioni]");
  std::set<std::int32_t> con_cartello;
  for (std::int32_t j = 0; j < cartelli_indicazione && blocchi > 0; ++j) {
    con_cartello.insert(j * blocchi / cartelli_indicazione);
  }
  for (const std::int32_t i : con_cartello) {
    riga(s, "cartello indicatore,  {},  \"BIVIO {}, km {}\"", i * metri_blocco + 4700, i, i * 5);
  }

  riga(s, "[fine]");
  return s;
}

void stazione(std::string& s, std::int32_t i, std::int32_t numero) {
  // Types with each extent rule: zone around the position (22, 12, 11, 4),
  // platform before it (5, 8), and a stop left off the track (28).
  struct tipo_stazione {
    int tipo;
    int lunghezza;
    int estesa;
  };
  static constexpr std::array<tipo_stazione, 8> tipi{{
      {22, 400, 1},
      {12, 600, 0},
      {8, 400, 0},
      {11, 400, 1},
      {5, 400, 0},
      {28, 200, 0},
      {4, 600, 0},
      {22, 400, 0},
  }};
  const tipo_stazione& t = tipi[static_cast<std::size_t>(numero % 8)];
  const int minuti = 6 * 60 + numero * 9;
  riga(s, "stazione,  {},  {},  {},  0, 1, {},  1,1,0,  4,1,1,  {},  {},{}, 0, STAZIONE {}", i * metri_blocco + 4000,
       t.tipo, t.lunghezza, t.estesa, numero % 3 == 0 ? 60 : 0, minuti / 60 % 24, minuti % 60, numero + 1);
}

std::string sorgente_treno(std::int32_t chilometri) {
  const std::int32_t blocchi = blocchi_di(chilometri);
  std::string s;
  s.reserve(static_cast<std::size_t>(blocchi) * 320 + 512);

  riga(s, "[generale]");
  riga(s, "numero vetture,    12");
  riga(s, "percentuale massa frenata,    125");
  riga(s, "sabbia,    300");
  riga(s, "orologio,    8               34            15 ");

  riga(s, "[aderenze]");
  static constexpr std::array<int, 4> aderenze{97, 95, 100, 92};
  for (std::int32_t i = 0; i < blocchi; ++i) {
    riga(s, "aderenza,  {},  {}", i * metri_blocco, aderenze[static_cast<std::size_t>(i % 4)]);
  }

  riga(s, "[vel_limite]");
  static constexpr std::array<int, 5> velocita{100, 120, 140, 90, 135};
  for (std::int32_t i = 0; i < blocchi; ++i) {
    riga(s, "velocita,  {},  {}", i * metri_blocco, velocita[static_cast<std::size_t>(i % 5)]);
  }

  riga(s, "[stazioni]");
  for (std::int32_t i = 0, n = 0; i < blocchi; i += blocchi_per_stazione, ++n) stazione(s, i, n);

  riga(s, "[rallentamenti]");
  for (std::int32_t i = 0; i < blocchi; i += blocchi_per_rallentamento) {
    // Slow ones get code points along them; fast ones only around them.
    const bool lento = i % 4 == 0;
    riga(s, "rallentamento,  {},  {},  500, 1,  1,  {}", i * metri_blocco + 2500, lento ? 70 : 120, lento ? 0 : 10);
  }

  riga(s, "[segnali]");
  for (std::int32_t i = 0; i < blocchi; ++i) {
    const std::int32_t b = i * metri_blocco;
    riga(s, "segnale,  {},   2, 4, 0,  0, 0,    0,  0,0,0, 0", b + 650);
    riga(s, "segnale,  {},   2, 3, 1,  0, 0,    2,  2,1,0, 0", b + 1650);
    riga(s, "segnale,  {},   2, 2, 3,  1, 1,    2,  2,1,1, 215", b + 3450);
  }

  riga(s, "[codici]");
  for (std::int32_t i = 1; i < blocchi; i += 2) {
    riga(s, "abbattimento,  {},  {}", i * metri_blocco + 4500, i % 4 == 1 ? 180 : 0);
  }

  riga(s, "[fine]");
  return s;
}

}  // namespace

sorgenti_generate genera_percorso(std::int32_t chilometri) {
  if (chilometri < 1 || chilometri > chilometri_massimi) {
    throw std::invalid_argument(
        fmt::format("a generated route is 1 to {} km long, not {}", chilometri_massimi, chilometri));
  }
  return {sorgente_linea(chilometri), sorgente_treno(chilometri)};
}

std::string genera_righe_campi(std::size_t byte_minimi) {
  std::string s;
  s.reserve(byte_minimi + 512);
  for (std::int64_t n = 0; s.size() < byte_minimi; ++n) {
    const std::int64_t p = n * 5000 % 1000000;
    riga(s, "segnale,  {},   2, 4, 0,  0, 0,    0,  0,0,0, 0", p + 650);
    riga(s, "segnale,  {},   2, 3, 1,  0, 0,    2,  2,1,0, 0", p + 1650);
    riga(s, "indicatori_vmax,  {},  140,  150,  160,  2,  ,  ,  ,  0", p + 700);
    riga(s, "segnale,  {},   2, 2, 3,  1, 1,    2,  2,1,1, 215", p + 3450);
    riga(s, "stazione,  {},  22,  400,  0, 1, 1,  1,1,0,  4,1,1,  60,  8,{}, 0, STAZIONE DI PROVA {}", p + 4000, n % 60,
         n);
    riga(s, "orologio,    8               34            15 ");
  }
  return s;
}

forma_riga campi_dopo_chiave(const std::string& chiave) {
  if (chiave == "segnale") return {11, false};
  if (chiave == "stazione") return {16, true};
  if (chiave == "indicatori_vmax") return {9, false};
  if (chiave == "orologio") return {3, false};
  return {};
}

}  // namespace scen::banco
