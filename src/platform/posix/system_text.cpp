#include "platform/posix/system_text.h"

#include <system_error>

namespace scen::posix {

std::string reason(int code) { return std::system_category().message(code); }

}  // namespace scen::posix
