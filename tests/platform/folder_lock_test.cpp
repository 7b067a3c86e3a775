// One run per folder: the lock a run holds on its folder, waited for in
// vain while another holds it, and never left behind by a process that died.
#include <gtest/gtest.h>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "platform/folder_lock.h"
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

}  // namespace
}  // namespace scen
