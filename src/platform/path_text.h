// Paths as the program's text. Everything the programs handle as text is
// bytes, and a path among them (a command-line argument, a file name found
// in a folder, one built from the scenario's identity) is UTF-8 on every
// system. A path is made from such text, and turned back into it to be
// printed, through these two alone: on Windows std::filesystem reads and
// writes a narrow string in a code page of its own choosing, which cannot
// hold most of the names a user may give a folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace scen {

// The path named by `utf8`. On Linux the bytes as they are (a name there is
// bytes); on Windows the UTF-8 read into the system's wide names, bytes that
// are not UTF-8 read as Windows-1252, the scenario's own code page.
std::filesystem::path path_from_utf8(std::string_view utf8);

// The path as UTF-8 text, for a message or an output line: never throws,
// whatever the name holds (on Linux its bytes as they are).
std::string utf8_of(const std::filesystem::path& p);

}  // namespace scen
