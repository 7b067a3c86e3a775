// Work done on a thread of its own while the caller goes on: a large file
// written while the compile still fills what it holds. The thread never
// takes Ctrl+C or a termination request: those reach the caller's thread,
// whose held sections (a set being renamed, a temporary being created and
// noted) they must respect. When the system gives no thread (a limit on
// processes or on memory), `wait` does the work on the caller's thread:
// later, but done.
#pragma once

#include <exception>
#include <functional>
#include <thread>

namespace scen {

class background_work {
 public:
  explicit background_work(std::function<void()> work);
  // Waits for the work to end; what it threw is dropped. Work that got no
  // thread and was never waited for is not done.
  ~background_work();
  background_work(const background_work&) = delete;
  background_work& operator=(const background_work&) = delete;

  // Waits for the work to end, or does it when it got no thread, and
  // rethrows what it threw.
  void wait();
  // False when the system gave the work no thread.
  bool threaded() const { return threaded_; }

 private:
  void run() noexcept;

  std::function<void()> work_;
  std::exception_ptr failure_;
  bool done_ = false;
  bool threaded_ = false;
  std::thread thread_;
};

}  // namespace scen
