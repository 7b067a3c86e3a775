// Work done on a thread of its own while the caller goes on: a large file
// written while the compile still fills what it holds. The thread never
// takes Ctrl+C or a termination request: those reach the caller's thread,
// whose held sections (a set being renamed, a temporary being created and
// noted) they must respect.
#pragma once

#include <exception>
#include <functional>
#include <thread>

namespace scen {

class background_work {
 public:
  explicit background_work(std::function<void()> work);
  // Waits for the work to end; what it threw is dropped.
  ~background_work();
  background_work(const background_work&) = delete;
  background_work& operator=(const background_work&) = delete;

  // Waits for the work to end and rethrows what it threw.
  void wait();

 private:
  std::function<void()> work_;
  std::exception_ptr failure_;
  std::thread thread_;
};

}  // namespace scen
