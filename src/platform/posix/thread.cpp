#include "platform/thread_system.h"

#include <utility>

#include "platform/posix/cleanup.h"

namespace scen {

// A new thread starts with its creator's signal mask: created while the
// signals are held, it holds them for its whole life.
std::thread start_quiet_thread(std::function<void()> body) {
  const posix::ending_held held;
  return std::thread(std::move(body));
}

}  // namespace scen
