// How every writer turns its lines into a file: the lines go into a table of
// 1001 text slots, followed by the end marker; the file is each slot's text
// with CR LF, from slot 0 up to the first slot that equals the marker. The
// bytes stand as they are (Windows-1252), nothing is converted.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "platform/folder.h"

namespace scen {

inline constexpr std::size_t posti_tabella = 1001;
inline constexpr std::string_view fine_del_file = "riferimento fine del file";
inline constexpr std::string_view fine_riga = "\r\n";

using tabella_righe = std::array<std::string_view, posti_tabella>;

// The lines in slots 0 up, the end marker right after them, later slots
// empty. Throws std::length_error for more than 1000 lines, which would leave
// no slot for the marker.
tabella_righe riempi_tabella(std::span<const std::string_view> righe);

// The file a table stands for: every slot's text followed by CR LF, up to the
// first slot whose text is exactly the end marker, which is not written. A
// table without the marker is written to its last slot.
std::string testo_tabella(const tabella_righe& tabella);

// Replaces the file `nome` in `files` whole with the table's text; a missing
// file is created, a longer one leaves nothing of its old bytes.
void scrivi_tabella(file_writer& files, std::string_view nome, const tabella_righe& tabella);

}  // namespace scen
