// A folder's three binary files as the tool's commands read them: each file
// within a size limit, the identities the folder's file names show, and the
// set decoded into the model's own types. `check`, `map`, `diff` and `dump`
// all read through here.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "formats/verifica.h"
#include "model/misure.h"
#include "model/modello.h"
#include "model/nomi_file.h"

namespace scen {

// No input file is read beyond this size: sources and binary files of the
// longest route stay far below it.
inline constexpr std::size_t limite_file = std::size_t{64} * 1024 * 1024;

// The whole file at `file`; nothing when there is no such file. Throws
// platform_error when it is not a regular file, cannot be read or is larger
// than `limite_file`.
std::optional<std::string> leggi_file(const std::filesystem::path& file);

// The three binary files of an identity in `dir`, as far as they exist.
// Throws platform_error when `dir` is not a folder.
file_scenario leggi_file_scenario(const std::filesystem::path& dir, const identita& id);

// The identities the folder's summary files name ("<route>_<train>.sim"; the
// route name may hold "_", the train number is what follows the last one),
// in the order of their names; with `linea` or `treno` given, those that
// agree with it alone.
std::vector<identita> identita_in_cartella(const std::filesystem::path& dir, const std::optional<std::string>& linea,
                                           const std::optional<std::string>& treno);

// The summary and track files decoded, and the plan view when the line data
// file is there and decodes: what the map draws and the comparison compares.
struct scenario_decodificato {
  identita id;
  std::array<stazione, numero_stazioni> voci{};
  std::vector<cella> celle;
  std::optional<piano> planimetria;
  std::string senza_piano;  // why there is no plan view, when there is none
};

// The set decoded; nothing, with `perche` set, when the summary or the track
// file is missing or does not decode. A missing or damaged line data file
// leaves the plan view out and says why in `senza_piano`. `dir` names the
// files in the reasons.
std::optional<scenario_decodificato> decodifica_scenario(file_scenario f, const std::filesystem::path& dir,
                                                         const identita& id, std::string& perche);

// The route length of entry 84, or the track's own end when that is out of reach.
double lunghezza_percorso(const scenario_decodificato& d);

// The metres of a point feature's cell: one declared at p lies in cell p / 50 + 1.
inline double metri_punto(std::size_t cella) { return metri_punto_in_cella(static_cast<std::int64_t>(cella)); }

}  // namespace scen
