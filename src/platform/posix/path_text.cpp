#include "platform/path_text.h"

namespace scen {

// A name here is bytes, and the program's text is the same bytes.
std::filesystem::path path_from_utf8(std::string_view utf8) { return std::filesystem::path(std::string(utf8)); }

std::string utf8_of(const std::filesystem::path& p) { return p.native(); }

}  // namespace scen
