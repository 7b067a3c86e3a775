#include "platform/background.h"

#include <utility>

#include "platform/thread_system.h"

namespace scen {

background_work::background_work(std::function<void()> work) : work_(std::move(work)) {
  thread_ = start_quiet_thread([this] {
    try {
      work_();
    } catch (...) {
      failure_ = std::current_exception();
    }
  });
}

background_work::~background_work() {
  if (thread_.joinable()) thread_.join();
}

void background_work::wait() {
  if (thread_.joinable()) thread_.join();
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

}  // namespace scen
