// Whole-file replacement through a temporary name, and the failures of the platform.
#include <gtest/gtest.h>

#include <unistd.h>

#include "app/cartella.h"
#include "test_util.h"

namespace scen {
namespace {

namespace fs = std::filesystem;

TEST(Folder, ReplacingALongerFileLeavesExactlyTheNewBytes) {
  test_util::cartella_temporanea tmp;
  cartella dove(tmp.path());
  dove.scrivi("a.dat", std::string(1000, 'x'));
  dove.scrivi("a.dat", "abc");
  EXPECT_EQ(test_util::leggi_file(tmp.path() / "a.dat"), "abc");
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 1)
      << "no temporary file is left behind";
}

TEST(Folder, AWriteFailingHalfWayKeepsTheOldFileWholeAndNamesTheFile) {
  test_util::cartella_temporanea tmp;
  cartella dove(tmp.path());
  dove.scrivi("a.dat", "old content");
  dove.guasta_dopo_byte(5);
  try {
    dove.scrivi("a.dat", std::string(100, 'n'));
    FAIL() << "the write should fail";
  } catch (const guasto_piattaforma& g) {
    EXPECT_EQ(g.file(), tmp.path() / "a.dat");
    EXPECT_FALSE(g.motivo().empty());
  }
  EXPECT_EQ(test_util::leggi_file(tmp.path() / "a.dat"), "old content");
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 1);
}

TEST(Folder, AFolderThatCannotBeWrittenIsAPlatformFailure) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  test_util::cartella_temporanea tmp;
  fs::permissions(tmp.path(), fs::perms::owner_read | fs::perms::owner_exec);
  cartella dove(tmp.path());
  EXPECT_THROW(dove.scrivi("a.dat", "x"), guasto_piattaforma);
}

TEST(Folder, AMissingFolderIsAPlatformFailureNamingTheFile) {
  cartella dove("/nonexistent-folder-of-scenario-tests");
  try {
    dove.scrivi("a.dat", "x");
    FAIL();
  } catch (const guasto_piattaforma& g) {
    EXPECT_NE(std::string(g.what()).find("a.dat"), std::string::npos);
  }
}

TEST(Folder, NeverReplacesWhatIsNotARegularFile) {
  test_util::cartella_temporanea tmp;
  fs::create_directory(tmp.path() / "sub");
  fs::create_symlink("/dev/null", tmp.path() / "link.dat");
  cartella dove(tmp.path());
  EXPECT_THROW(dove.scrivi("sub", "x"), guasto_piattaforma);
  EXPECT_THROW(dove.scrivi("link.dat", "x"), guasto_piattaforma);
  EXPECT_TRUE(fs::is_directory(tmp.path() / "sub"));
  EXPECT_TRUE(fs::is_symlink(tmp.path() / "link.dat"));
  cartella dev("/dev");
  EXPECT_THROW(dev.scrivi("null", "x"), guasto_piattaforma);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST(Folder, ReadAndDelete) {
  test_util::cartella_temporanea tmp;
  cartella dove(tmp.path());
  EXPECT_EQ(dove.leggi("none.txt"), std::nullopt);
  EXPECT_NO_THROW(dove.elimina("none.txt")) << "deleting a missing file is nothing to do";
  dove.scrivi("s.txt", "abc");
  EXPECT_EQ(dove.leggi("s.txt"), std::optional<std::string>("abc"));
  EXPECT_THROW(dove.leggi("s.txt", 2), guasto_piattaforma) << "over the size limit";
  dove.elimina("s.txt");
  EXPECT_FALSE(dove.esiste("s.txt"));
}

}  // namespace
}  // namespace scen
