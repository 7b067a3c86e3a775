// Work on a thread of its own: what it throws comes back at the wait, and
// it never takes the signals the run handles.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#endif

#include <atomic>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "platform/background.h"
#include "platform/platform_error.h"

namespace scen {
namespace {

namespace fs = std::filesystem;

TEST(BackgroundWork, WaitGivesBackWhatTheWorkThrew) {
  std::atomic<bool> fatto = false;
  background_work riuscito([&] { fatto = true; });
  riuscito.wait();
  EXPECT_TRUE(fatto);

  background_work fallito([] { throw platform_error("x.dat", "disk full"); });
  try {
    fallito.wait();
    FAIL() << "wait should rethrow";
  } catch (const platform_error& g) {
    EXPECT_EQ(g.file(), fs::path("x.dat"));
  }
  EXPECT_NO_THROW(fallito.wait()) << "told once";

  // Destroyed without a wait: it ends, and what it threw goes nowhere.
  std::atomic<bool> finito = false;
  {
    background_work lasciato([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      finito = true;
      throw std::runtime_error("dropped");
    });
  }
  EXPECT_TRUE(finito) << "the destructor waits for the work";
}

#ifndef _WIN32
// Interrupts and termination requests must reach the thread that holds them
// while a set is renamed: never the writer's.
TEST(BackgroundWork, TheWorkNeverTakesAnInterruptOrATerminationRequest) {
  sigset_t sul_lavoro;
  sigemptyset(&sul_lavoro);
  background_work lavoro([&] { ::pthread_sigmask(SIG_BLOCK, nullptr, &sul_lavoro); });
  lavoro.wait();
  for (const int s : {SIGINT, SIGTERM, SIGHUP}) EXPECT_EQ(sigismember(&sul_lavoro, s), 1) << s;
  sigset_t qui;
  ::pthread_sigmask(SIG_BLOCK, nullptr, &qui);
  EXPECT_EQ(sigismember(&qui, SIGTERM), 0) << "the caller's own mask is as it was";
}
#endif

}  // namespace
}  // namespace scen
