#include "platform/text_sink.h"

#include <windows.h>

namespace scen {

// The program is a GUI-subsystem executable: standard error is a handle only
// when whoever started it gave one (a redirection, a test); otherwise there
// is none and the text is dropped, as the box has shown it.
void stderr_sink::write(std::string_view text) {
  const HANDLE h = ::GetStdHandle(STD_ERROR_HANDLE);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
  while (!text.empty()) {
    const DWORD piece = text.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(text.size());
    DWORD written = 0;
    if (!::WriteFile(h, text.data(), piece, &written, nullptr) || written == 0) return;
    text.remove_prefix(written);
  }
}

}  // namespace scen
