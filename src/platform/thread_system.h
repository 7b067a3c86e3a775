// Starting a thread that takes no interrupt or termination request (see
// platform/background.h), one implementation per system.
#pragma once

#include <functional>
#include <thread>

namespace scen {

std::thread start_quiet_thread(std::function<void()> body);

}  // namespace scen
