#include "platform/thread_system.h"

#include <utility>

namespace scen {

// Ctrl+C and the console's close come on a thread the system starts for
// them (see cleanup.h), never on this one.
std::thread start_quiet_thread(std::function<void()> body) { return std::thread(std::move(body)); }

}  // namespace scen
