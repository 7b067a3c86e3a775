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

#include "formats/cartella_scenario.h"
#include "platform/folder.h"

namespace scen::tool {

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
  // A plain section of text lines (UTF-8) under the list of changes, with
  // its heading; none when the heading is empty.
  std::string titolo_sezione;
  std::vector<std::string> sezione;
};

enum class formato_mappa { svg, png, pdf, html };

// The format named by a file's extension, or nothing.
std::optional<formato_mappa> formato_da_estensione(const std::string& estensione);
// True when this build can write `f` (PNG and PDF need cairo).
bool formato_disponibile(formato_mappa f);
// The format a map file is written in, by its name's extension; refused
// (std::invalid_argument, naming the file) when no format has that
// extension or this build cannot write it.
formato_mappa formato_del_file(const std::filesystem::path& file);

// Writes the map to `out` as it is drawn. What is drawn is simplified to
// what the page can show: objects closer than a pixel are drawn as one, and
// profiles narrower than a pixel as their least and greatest value, so that
// the output's size follows from the page, not from the number of cells.
void scrivi_mappa(const scenario_decodificato& d, const opzioni_mappa& o, formato_mappa f, byte_sink& out);

// A stretch the HTML viewer lists and highlights, in metres.
struct tratto_marcato {
  double da = 0, a = 0;
  std::string testo;  // UTF-8, one line
};
// The HTML viewer of one or more versions of a route (the map shows one, a
// comparison two side by side), with `tratti` listed and highlighted.
void scrivi_pagina_html(const std::string& titolo, const std::vector<const scenario_decodificato*>& versioni,
                        const std::vector<tratto_marcato>& tratti, const opzioni_mappa& o, byte_sink& out);

// Writes the map into `file` (its folder created when missing), whole or not at all.
void scrivi_mappa_in_file(const scenario_decodificato& d, const opzioni_mappa& o, formato_mappa f,
                          const std::filesystem::path& file);

}  // namespace scen::tool
