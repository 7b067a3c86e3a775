// Windows-1252 bytes as UTF-8, for the terminal, for JSON and for the map.
#pragma once

#include <string>
#include <string_view>

namespace scen::tool {

std::string utf8_da_1252(std::string_view byte);

}  // namespace scen::tool
