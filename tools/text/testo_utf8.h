// Windows-1252 bytes as UTF-8, for the terminal, for JSON and for the map;
// and text from a file made safe to show to a person.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace scen::tool {

std::string utf8_da_1252(std::string_view byte);

// UTF-8 text that holds what a file said, as a person is shown it: every
// control character (U+0000 to U+001F, U+007F, U+0080 to U+009F) and every
// byte that is not UTF-8 written "\x1b" (the code point or byte in two
// lowercase hex digits), and a backslash written "\\", so that a name that
// holds the four characters \x1b reads otherwise than one that holds an ESC.
// From Windows-1252 text the C1 controls come only from its five undefined
// bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D), which utf8_da_1252 keeps as their own
// code points: the escape names the byte. Line ends a command writes itself
// are no file content and do not go through here; JSON carries the text as
// it is and escapes it the JSON way.
std::string testo_leggibile(std::string_view utf8);

// Windows-1252 bytes from a file, as testo_leggibile shows them.
std::string leggibile_da_1252(std::string_view byte);

// The columns `testo_leggibile(utf8)` takes on a terminal: one per code point.
std::size_t colonne(std::string_view utf8);

}  // namespace scen::tool
