// Whole-file replacement through a temporary name, and the failures of the platform.
#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/folder.h"
#include "support/files.h"

namespace scen {
namespace {

namespace fs = std::filesystem;

TEST(Folder, ReplacingALongerFileLeavesExactlyTheNewBytes) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  dove.write("a.dat", std::string(1000, 'x'));
  dove.write("a.dat", "abc");
  EXPECT_EQ(test_util::read_file(tmp.path() / "a.dat"), "abc");
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 1)
      << "no temporary file is left behind";
}

TEST(Folder, AWriteFailingHalfWayKeepsTheOldFileWholeAndNamesTheFile) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  dove.write("a.dat", "old content");
  dove.fail_after_bytes(5);
  try {
    dove.write("a.dat", std::string(100, 'n'));
    FAIL() << "the write should fail";
  } catch (const platform_error& g) {
    EXPECT_EQ(g.file(), tmp.path() / "a.dat");
    EXPECT_FALSE(g.reason().empty());
  }
  EXPECT_EQ(test_util::read_file(tmp.path() / "a.dat"), "old content");
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 1);
}

TEST(Folder, AFolderThatCannotBeWrittenIsAPlatformFailure) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  test_util::temp_folder tmp;
  fs::permissions(tmp.path(), fs::perms::owner_read | fs::perms::owner_exec);
  folder dove(tmp.path());
  EXPECT_THROW(dove.write("a.dat", "x"), platform_error);
}

TEST(Folder, AMissingFolderIsAPlatformFailureNamingTheFile) {
  folder dove("/nonexistent-folder-of-scenario-tests");
  try {
    dove.write("a.dat", "x");
    FAIL();
  } catch (const platform_error& g) {
    EXPECT_NE(std::string(g.what()).find("a.dat"), std::string::npos);
  }
}

TEST(Folder, NeverReplacesWhatIsNotARegularFile) {
  test_util::temp_folder tmp;
  fs::create_directory(tmp.path() / "sub");
  fs::create_symlink("/dev/null", tmp.path() / "link.dat");
  folder dove(tmp.path());
  EXPECT_THROW(dove.write("sub", "x"), platform_error);
  EXPECT_THROW(dove.write("link.dat", "x"), platform_error);
  EXPECT_TRUE(fs::is_directory(tmp.path() / "sub"));
  EXPECT_TRUE(fs::is_symlink(tmp.path() / "link.dat"));
  folder dev("/dev");
  EXPECT_THROW(dev.write("null", "x"), platform_error);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST(Folder, ReadAndDelete) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  EXPECT_EQ(dove.read("none.txt"), std::nullopt);
  EXPECT_NO_THROW(dove.remove("none.txt")) << "deleting a missing file is nothing to do";
  dove.write("s.txt", "abc");
  EXPECT_EQ(dove.read("s.txt"), std::optional<std::string>("abc"));
  EXPECT_THROW(dove.read("s.txt", 2), platform_error) << "over the size limit";
  dove.remove("s.txt");
  EXPECT_FALSE(dove.exists("s.txt"));
}

}  // namespace
}  // namespace scen
