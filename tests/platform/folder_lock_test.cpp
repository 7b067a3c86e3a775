// One run per folder: the lock a run holds on its folder, waited for in
// vain while another holds it, and never left behind by a process that died.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/folder_lock.h"
#include "platform/platform_error.h"
#include "support/files.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::temp_folder;

TEST(FolderLock, ASecondRunWaitsItsTimeThenFindsTheFolderBusy) {
  temp_folder dir;
  {
    folder_lock primo(dir.path());
    EXPECT_TRUE(fs::is_regular_file(dir.path() / std::string(folder_lock::file_name)));
    EXPECT_THROW(folder_lock(dir.path(), std::chrono::milliseconds(30)), folder_busy);
  }
  EXPECT_FALSE(fs::exists(dir.path() / std::string(folder_lock::file_name))) << "an ended run leaves no lock file";
  EXPECT_NO_THROW(folder_lock(dir.path(), std::chrono::milliseconds(0)));
}

TEST(FolderLock, TheLockOfAProcessThatDiedNeverBlocksTheNextRun) {
  temp_folder dir;
  const pid_t figlio = ::fork();
  ASSERT_GE(figlio, 0);
  if (figlio == 0) {
    // Takes the lock and dies without letting go: the lock file stays.
    new folder_lock(dir.path());
    ::_exit(0);
  }
  int stato = 0;
  ASSERT_EQ(::waitpid(figlio, &stato, 0), figlio);
  ASSERT_TRUE(fs::exists(dir.path() / std::string(folder_lock::file_name)));
  EXPECT_NO_THROW(folder_lock(dir.path(), std::chrono::milliseconds(0)));
}

// A lock file that cannot be opened for writing is no run holding the
// folder: the lock fails at once with a platform failure naming the file
// and the reason, never waits, never says busy. Root writes whatever the
// permissions say, so the lock is taken in a child that has given root up.
TEST(FolderLock, ALockFileThatCannotBeOpenedForWritingFailsAtOnceAndIsNotBusy) {
  struct caso {
    const char* come;
    bool lock_in_sola_lettura;  // else: no lock file, and a folder nobody may write
    const char* detto;
  };
  const std::vector<caso> casi{
      {"a read-only lock file", true, "the lock file cannot be opened for writing (it is read-only)"},
      {"a folder that may not be written", false, "the lock file cannot be created"},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.come);
    temp_folder dir;
    const fs::path lock = dir.path() / std::string(folder_lock::file_name);
    if (c.lock_in_sola_lettura) {
      test_util::write_file(lock, "");
      ASSERT_EQ(::chmod(lock.c_str(), 0444), 0);
    } else {
      ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    }
    EXPECT_EXIT(
        {
          if (::geteuid() == 0 && (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0)) {
            std::_Exit(100);
          }
          try {
            // A whole minute: a lock that waited would be seen, not measured.
            folder_lock l(dir.path(), std::chrono::minutes(1));
            std::_Exit(101);
          } catch (const folder_busy&) {
            std::_Exit(102);
          } catch (const platform_error& e) {
            std::fprintf(stderr, "%s\n", e.what());
            std::exit(e.file() == lock && e.reason().find(c.detto) != std::string::npos ? 0 : 103);
          }
        },
        ::testing::ExitedWithCode(0), "\\.scenario\\.lock: Permission denied; the lock file cannot be");
    ::chmod(dir.path().c_str(), 0755);
  }
}

}  // namespace
}  // namespace scen
