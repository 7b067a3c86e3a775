#include "platform/background.h"

#include <system_error>
#include <utility>

#include "platform/thread_system.h"

namespace scen {

background_work::background_work(std::function<void()> work) : work_(std::move(work)) {
  try {
    thread_ = start_quiet_thread([this] { run(); });
    threaded_ = true;
  } catch (const std::system_error&) {
    // No thread: wait() does the work.
  }
}

background_work::~background_work() {
  if (thread_.joinable()) thread_.join();
}

void background_work::wait() {
  if (thread_.joinable()) thread_.join();
  if (!done_) run();
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void background_work::run() noexcept {
  try {
    work_();
  } catch (...) {
    failure_ = std::current_exception();
  }
  done_ = true;
}

}  // namespace scen
