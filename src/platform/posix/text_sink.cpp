#include "platform/text_sink.h"

#include <unistd.h>

#include <cerrno>

#include "platform/platform_error.h"
#include "platform/posix/system_text.h"

namespace scen {

void stderr_sink::write(std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(2, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

void stdout_sink::write(std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(1, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw platform_error("standard output", posix::reason(errno));
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace scen
