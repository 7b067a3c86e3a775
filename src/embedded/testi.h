// The bytes each writer puts into its file, built in memory: for the tool's
// export and for checking the embedded scenario without touching a disk.
#pragma once

#include <string>

namespace scen {

std::string testo_linea();          // route source
std::string testo_treno();          // train source
std::string testo_note();           // notes
std::string testo_rallentamenti();  // slowdown order
std::string testo_scheda();         // timetable sheet

}  // namespace scen
