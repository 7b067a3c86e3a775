// A file written by another thread than the one that created it, and the
// thread that writes it: a temporary's steps one by one, a staged file
// joining a set, work on a thread of its own.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#endif

#include <atomic>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/background.h"
#include "platform/folder.h"
#include "platform/platform_error.h"
#include "support/files.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::folder_entries;
using test_util::temp_folder;

TEST(TemporaryFile, WrittenByAnotherThreadItTakesItsNameOnlyWithTheSet) {
  temp_folder tmp;
  folder dove(tmp.path());
  dove.write("a.dat", "earlier");
  temporary_file t = dove.create_temporary("a.dat");
  std::thread scrittore([&] {
    t.sink().write("new ");
    t.sink().write("bytes");
  });
  scrittore.join();
  const staged_file fatto = t.finish();
  EXPECT_EQ(fatto.nome, "a.dat");
  EXPECT_EQ(test_util::read_file(tmp.path() / "a.dat"), "earlier") << "not renamed before the set commits";
  EXPECT_EQ(test_util::read_file(fatto.temporary), "new bytes");
  {
    file_set set(dove);
    set.write("b.dat", "b");
    set.add(fatto);
    set.commit();
  }
  EXPECT_EQ(folder_entries(tmp.path()), (std::map<std::string, std::string>{{"a.dat", "new bytes"}, {"b.dat", "b"}}));
}

TEST(TemporaryFile, EveryWayOutButCommitLeavesTheFolderAsItWas) {
  temp_folder tmp;
  folder dove(tmp.path());
  dove.write("a.dat", "earlier");
  const auto prima = folder_entries(tmp.path());
  {
    // Created and left unfinished.
    temporary_file t = dove.create_temporary("a.dat");
    t.sink().write("half");
  }
  EXPECT_EQ(folder_entries(tmp.path()), prima);
  {
    // Finished, added to a set that is never committed.
    temporary_file t = dove.create_temporary("a.dat");
    t.sink().write("whole");
    file_set set(dove);
    set.add(t.finish());
  }
  EXPECT_EQ(folder_entries(tmp.path()), prima);
  {
    // A write that fails half way (a full disk), then the temporary dropped.
    dove.fail_after_bytes(3);
    temporary_file t = dove.create_temporary("a.dat");
    try {
      t.sink().write("too long");
      ADD_FAILURE() << "the write should fail";
    } catch (const platform_error& g) {
      EXPECT_EQ(g.file(), tmp.path() / "a.dat");
    }
    dove.fail_after_bytes(std::nullopt);
  }
  EXPECT_EQ(folder_entries(tmp.path()), prima);
}

TEST(TemporaryFile, ASetGivenTheSameNameTwiceKeepsTheLaterFile) {
  temp_folder tmp;
  folder dove(tmp.path());
  file_set set(dove);
  set.write("a.dat", "first");
  temporary_file t = dove.create_temporary("a.dat");
  t.sink().write("second");
  set.add(t.finish());
  set.commit();
  EXPECT_EQ(folder_entries(tmp.path()), (std::map<std::string, std::string>{{"a.dat", "second"}}));
}

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
