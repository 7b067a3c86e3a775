#include "platform/text_sink.h"

#include <windows.h>

#include "platform/platform_error.h"
#include "platform/win32/system_text.h"

namespace scen {
namespace {

// The piece written at once: WriteFile takes a 32-bit count.
DWORD piece_of(std::string_view text) {
  return text.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(text.size());
}

}  // namespace

// The program is a GUI-subsystem executable: standard error is a handle only
// when whoever started it gave one (a redirection, a test); otherwise there
// is none and the text is dropped, as the box has shown it.
void stderr_sink::write(std::string_view text) {
  const HANDLE h = ::GetStdHandle(STD_ERROR_HANDLE);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
  while (!text.empty()) {
    DWORD written = 0;
    if (!::WriteFile(h, text.data(), piece_of(text), &written, nullptr) || written == 0) return;
    text.remove_prefix(written);
  }
}

void stdout_sink::write(std::string_view text) {
  const HANDLE h = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) {
    if (text.empty()) return;
    throw platform_error("standard output", "there is no standard output");
  }
  while (!text.empty()) {
    DWORD written = 0;
    if (!::WriteFile(h, text.data(), piece_of(text), &written, nullptr)) {
      throw platform_error("standard output", win32::reason(::GetLastError()));
    }
    text.remove_prefix(written);
  }
}

}  // namespace scen
