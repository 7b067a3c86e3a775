#include "app/uscita.h"

#include <unistd.h>

#include <cerrno>

namespace scen {

void uscita_su_descrittore::scrivi(std::string_view testo) {
  while (!testo.empty()) {
    const ssize_t n = ::write(fd_, testo.data(), testo.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    testo.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace scen
