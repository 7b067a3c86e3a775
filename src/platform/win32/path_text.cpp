#include "platform/path_text.h"

#include "platform/win32/system_text.h"

namespace scen {

// Through the system's own conversions: the C++ library's would throw on a
// name that is no valid UTF-16 (an unpaired surrogate, which Windows allows
// in a file name), and read a narrow string in a code page of its own.
std::filesystem::path path_from_utf8(std::string_view utf8) {
  return std::filesystem::path(win32::wide_for_display(utf8));
}

std::string utf8_of(const std::filesystem::path& p) { return win32::utf8(p.native()); }

}  // namespace scen
