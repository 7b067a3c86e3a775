// What the parts of the map share: the route's objects in metres, gathered
// once from the decoded files; the page layout; colours; small helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "canvas/canvas.h"
#include "map/mappa.h"

namespace scen::tool::mappa {

// ---- what is on the line, in metres ----

// A gradient byte of 0: the compile never filled that cell.
inline constexpr int non_riempito = std::numeric_limits<int>::min();

struct stazione_mappa {
  std::size_t voce;  // entry of the summary
  std::string nome;  // UTF-8
  double posizione, inizio, fine;
};

// One object of the line, or several drawn as one when they stand closer
// than the drawing can tell apart: `conta` of them from `da` to `a`; `cella`
// is the first one's cell.
struct oggetto {
  double da, a;
  std::size_t cella;
  std::size_t conta = 1;
};

// A run of a profile. Runs narrower than the drawing's resolution are
// gathered into one with their least and greatest value.
struct tratto {
  double da, a;
  int lo, hi;
};

enum class tipo_oggetto : std::size_t { segnale, cartello, avviso, codice, indicazione, rallentamento, numero };

struct linea_mappa {
  double lunghezza = 0;                  // route length, m
  double da = 0, a = 0;                  // the stretch drawn
  double risoluzione = 0;                // metres below which objects are drawn as one
  std::vector<stazione_mappa> stazioni;  // those whose zone touches the stretch
  std::vector<oggetto> oggetti[static_cast<std::size_t>(tipo_oggetto::numero)];
  std::vector<tratto> pendenza, velocita, efficace, aderenza;
  double ripetizione_da = 0, ripetizione_a = 0;  // cab-signal repetition; a == 0: none
  struct zona_km {
    double inizio, progressiva;
  };
  std::vector<zona_km> zone_km;  // by descending start

  const std::vector<oggetto>& di(tipo_oggetto t) const { return oggetti[static_cast<std::size_t>(t)]; }
};

// Gathers the objects of the stretch [da, a] (the whole route when unset),
// drawing as one what stands closer than `risoluzione` metres.
linea_mappa raccogli(const scenario_decodificato& d, std::optional<double> da, std::optional<double> a,
                     double larghezza_px);

// The line's kilometrage at a route position, when the route has kilometric
// zones. The kilometrage falls along the route, as the timetable's does.
std::optional<double> chilometrica(const linea_mappa& l, double metri);

// "36500 m (km 46.400)": a position with the line's kilometrage.
std::string luogo(const linea_mappa& l, double metri);

// Tooltip text of an object, with its fields.
std::string descrizione(const scenario_decodificato& d, const linea_mappa& l, tipo_oggetto t, const oggetto& o);
std::string descrizione_stazione(const scenario_decodificato& d, const linea_mappa& l, const stazione_mappa& s);
const char* nome_oggetto(tipo_oggetto t, bool plurale);

// ---- page layout (units: pixels of the PNG, points of the SVG) ----

inline constexpr double larghezza_pagina = 2400;
inline constexpr double altezza_pagina = 1760;
inline constexpr double margine = 50;
inline constexpr double sinistra_sezione = 200;

inline constexpr box area_titolo{margine, 30, larghezza_pagina - margine, 140};
inline constexpr box area_piano{margine, 150, larghezza_pagina - margine, 830};
inline constexpr box area_nomi{sinistra_sezione, 860, larghezza_pagina - margine, 1020};
inline constexpr box striscia_oggetti{sinistra_sezione, 1030, larghezza_pagina - margine, 1100};
inline constexpr box striscia_pendenza{sinistra_sezione, 1115, larghezza_pagina - margine, 1275};
inline constexpr box striscia_velocita{sinistra_sezione, 1290, larghezza_pagina - margine, 1450};
inline constexpr box striscia_aderenza{sinistra_sezione, 1465, larghezza_pagina - margine, 1575};
inline constexpr box area_legenda{margine, 1670, larghezza_pagina - margine, 1750};

// ---- colours ----

inline constexpr colour nero{0.12, 0.12, 0.12};
inline constexpr colour grigio{0.45, 0.45, 0.45};
inline constexpr colour grigio_chiaro{0.82, 0.82, 0.82};
inline constexpr colour bianco{1, 1, 1};
inline constexpr colour c_binario{0.2, 0.2, 0.2};
inline constexpr colour c_zona{0.62, 0.79, 0.88};
inline constexpr colour c_segnale{0.84, 0.15, 0.16};
inline constexpr colour c_segnale_tempo{0.55, 0.1, 0.45};
inline constexpr colour c_cartello{0.12, 0.47, 0.71};
inline constexpr colour c_rallentamento{1.0, 0.5, 0.05};
inline constexpr colour c_codice{0.17, 0.63, 0.17};
inline constexpr colour c_indicazione{0.58, 0.4, 0.74};
inline constexpr colour c_salita{0.71, 0.4, 0.11};
inline constexpr colour c_discesa{0.23, 0.53, 0.68};
inline constexpr colour c_velocita{0.12, 0.23, 0.55};
inline constexpr colour c_efficace{0.85, 0.1, 0.1};
inline constexpr colour c_aderenza{0.18, 0.49, 0.2};
inline constexpr colour c_ripetizione{0.6, 0.85, 0.6};
inline constexpr colour c_segno{0.9, 0.0, 0.2};

// ---- helpers ----

// A round step of 1, 2 or 5 times a power of ten, so that `campo` holds at
// most `quanti` steps.
double passo_tondo(double campo, double quanti);
std::string km(double metri);
std::string orario_breve(std::int32_t secondi);

// The parts of the page.
void disegna_titolo(canvas& t, const scenario_decodificato& d, const linea_mappa& l, const opzioni_mappa& o);
void disegna_piano(canvas& t, const scenario_decodificato& d, const linea_mappa& l, const opzioni_mappa& o);
void disegna_sezione(canvas& t, const scenario_decodificato& d, const linea_mappa& l, const opzioni_mappa& o);
void disegna_legenda(canvas& t);

}  // namespace scen::tool::mappa
