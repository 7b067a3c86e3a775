// The three binary files the simulator loads, each an exact image of one
// model member: the line data file (plan view), the summary file (the 87
// entries) and the track file (the cells).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "formats/piano_in_corso.h"
#include "model/modello.h"
#include "model/nomi_file.h"
#include "platform/folder.h"

namespace scen {

inline constexpr std::size_t byte_cella = 15;
inline constexpr std::size_t byte_voce_minimi = 34;  // an entry is 34 + length of its name

// Each file's bytes as one string.
std::string codifica_linea(const piano& p);
std::string codifica_sommario(const std::array<stazione, numero_stazioni>& s);
std::string codifica_percorso(const std::vector<cella>& celle);

// The same bytes handed to a stream in pieces, so that no file is ever whole
// in memory a second time: the line data file goes out straight from the
// plan view, which holds it already encoded (runs of doubles whole, short
// values gathered), the track file in pieces of at most 1 MiB.
void codifica_linea(const piano& p, byte_sink& sink);
// The same while the compile still fills the plan view: each metre is
// encoded once `avanzamento` says it is final.
void codifica_linea(const piano& p, byte_sink& sink, piano_in_corso& avanzamento);
void codifica_percorso(const std::vector<cella>& celle, byte_sink& sink);

// Writes the line data file (only when `scrivi_linea` is nonzero), then the
// summary file, then the track file. The model must hold its cells, and its
// plan view when `scrivi_linea` is nonzero. Returns the names written.
std::vector<std::string> scrivi_file_binari(const modello& m, const identita& id, file_writer& files);
// The last two alone, for a line data file written already.
std::vector<std::string> scrivi_sommario_e_percorso(const modello& m, const identita& id, file_writer& files);

}  // namespace scen
