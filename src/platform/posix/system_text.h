// The system's error numbers as reasons a user understands. Internal to the
// POSIX side of the platform.
#pragma once

#include <string>

namespace scen::posix {

// Why `code` (an errno value) happened, in the system's words.
std::string reason(int code);

}  // namespace scen::posix
