// The fixed lines of the scenario's five text files, one text per line in
// file order, without line ends. The writers put them into their tables.
#pragma once

#include <span>
#include <string_view>

namespace scen {

std::span<const std::string_view> righe_linea();          // route source, 75 lines
std::span<const std::string_view> righe_treno();          // train source, 99 lines
std::span<const std::string_view> righe_note();           // notes, 8 lines
std::span<const std::string_view> righe_rallentamenti();  // slowdown order, 46 lines
std::span<const std::string_view> righe_scheda();         // timetable sheet, 42 lines

}  // namespace scen
