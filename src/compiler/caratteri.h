// Characters an author cannot see or tell apart, named: a no-break space that
// looks like a blank, a minus sign or a dash that looks like "-", a
// byte-order mark, in Windows-1252 or saved as UTF-8. And the Italian number
// habits (a thousands dot, a decimal comma) the number fields do not read.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace scen {

// "U+00A0 NO-BREAK SPACE (byte A0) at byte 3" for the first such character
// in `testo`, with how many there are; empty when there is none.
std::string caratteri_nascosti(std::string_view testo);

// A number written the Italian way, as the field would read it: "43.900"
// (thousands dot) gives "43900"; "7,5" or "7.5" (decimals) gives "8", the
// nearest whole number. None when `testo` is not such a number.
struct numero_italiano {
  std::string scritto;
  std::string inteso;
  std::string perche;  // "a dot as the thousands separator" ...
};
std::optional<numero_italiano> numero_all_italiana(std::string_view testo);

}  // namespace scen
