// The route map: the plan view of the line with its stations and line-side
// objects, and under it a long section along the distance with the gradient,
// the speed limits, the adhesion and the line's kilometrage. Written as SVG
// (always), PNG or PDF (with cairo), or as a self-contained HTML viewer.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "formats/verifica.h"
#include "model/misure.h"
#include "model/modello.h"
#include "model/nomi_file.h"
#include "platform/folder.h"

namespace scen::tool {

// What the map is drawn from: the decoded summary and track files, and the
// plan view when the line data file is there and decodes.
struct dati_mappa {
  identita id;
  std::array<stazione, numero_stazioni> voci{};
  std::vector<cella> celle;
  std::optional<piano> planimetria;
  std::string senza_piano;  // why there is no plan view, when there is none
};

// Helpers shared by the map and the comparison, on the decoded files.
// An entry of 1..80 that holds a station (not empty, not an indication text).
bool e_stazione(const stazione& s);
// The metres of a point feature's cell: one declared at p lies in cell p / 50 + 1.
inline double metri_punto(std::size_t cella) { return metri_punto_in_cella(static_cast<std::int64_t>(cella)); }
// The route length of entry 84, or the track's own end when that is out of reach.
double lunghezza_percorso(const dati_mappa& d);

// A place marked on the map with a note (a compile error, where reading stopped).
struct segno_mappa {
  double posizione = 0;  // metres
  std::string testo;     // UTF-8
};

struct opzioni_mappa {
  // The stretch drawn, in metres of route distance; the whole route when unset.
  std::optional<double> da, a;
  std::vector<segno_mappa> segni;
  // Lines shown under the title (UTF-8), such as the problems check finds.
  std::vector<std::string> problemi;
};

enum class formato_mappa { svg, png, pdf, html };

// The format named by a file's extension, or nothing.
std::optional<formato_mappa> formato_da_estensione(const std::string& estensione);
// True when this build can write `f` (PNG and PDF need cairo).
bool formato_disponibile(formato_mappa f);

// Writes the map to `out` as it is drawn. What is drawn is simplified to
// what the page can show: objects closer than a pixel are drawn as one, and
// profiles narrower than a pixel as their least and greatest value, so that
// the output's size follows from the page, not from the number of cells.
void scrivi_mappa(const dati_mappa& d, const opzioni_mappa& o, formato_mappa f, byte_sink& out);

// The two versions of a diff in one HTML viewer, with the changes listed and
// their stretches highlighted. `cambi` are the change lines, with their range in metres.
struct cambio_mappa {
  double da = 0, a = 0;
  std::string testo;  // UTF-8
};
void scrivi_html_confronto(const dati_mappa& prima, const dati_mappa& dopo, const std::vector<cambio_mappa>& cambi,
                           byte_sink& out);

// The decoded files of an identity (read from `dir`); nothing, with `perche` set,
// when the summary or the track file is missing or does not decode. A
// missing or damaged line data file leaves the plan view out.
std::optional<dati_mappa> carica_dati_mappa(file_scenario f, const std::filesystem::path& dir, const identita& id,
                                            std::string& perche);

// Writes the map into `file` (its folder created when missing), whole or not at all.
void scrivi_mappa_in_file(const dati_mappa& d, const opzioni_mappa& o, formato_mappa f,
                          const std::filesystem::path& file);

}  // namespace scen::tool
