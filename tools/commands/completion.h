// The bash completion script, made from the command table (every command
// and option) and the warnings' registry (the names -W and explain take),
// so that it never lags behind the command line.
#pragma once

#include <string>

namespace scen::tool {

std::string completion_bash();

}  // namespace scen::tool
