// Files written piece by piece: the folder's streaming write keeps the
// whole-file guarantees of a write in one go. A temporary written by another
// thread than the one that created it: its steps one by one, a staged file
// joining a set.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/folder.h"
#include "platform/platform_error.h"
#include "support/files.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::folder_entries;
using test_util::temp_folder;

std::ptrdiff_t file_nella_cartella(const fs::path& p) {
  return std::distance(fs::directory_iterator(p), fs::directory_iterator());
}

// Hands the given pieces over in order.
auto pezzi(std::vector<std::string> v) {
  return [v = std::move(v)](byte_sink& f) {
    for (const std::string& pezzo : v) f.write(pezzo);
  };
}

TEST(FolderPieces, ThePiecesMakeTheFileAndReplaceALongerOne) {
  struct caso {
    const char* nome;
    std::vector<std::string> pezzi;
    std::string atteso;
  };
  const std::vector<caso> casi = {
      {"no piece", {}, ""},
      {"one piece", {"abc"}, "abc"},
      {"several pieces, empty ones among them", {"ab", "", "cde", "f"}, "abcdef"},
      {"bytes of every value", {std::string("\0\xFF\r\n", 4), "\x80"}, std::string("\0\xFF\r\n\x80", 5)},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    test_util::temp_folder tmp;
    folder dove(tmp.path());
    dove.write("a.dat", std::string(5000, 'x'));
    dove.write_in_pieces("a.dat", pezzi(c.pezzi));
    EXPECT_EQ(test_util::read_file(tmp.path() / "a.dat"), c.atteso);
    EXPECT_EQ(file_nella_cartella(tmp.path()), 1) << "no temporary file is left behind";
  }
}

TEST(FolderPieces, TheFailureSeamCountsTheBytesOfAllPieces) {
  struct caso {
    std::size_t dopo;
    bool fallisce;
  };
  // Pieces of 3, 3 and 4 bytes: 10 in all.
  for (const caso c : {caso{0, true}, caso{3, true}, caso{5, true}, caso{9, true}, caso{10, false}}) {
    SCOPED_TRACE(c.dopo);
    test_util::temp_folder tmp;
    folder dove(tmp.path());
    dove.write("a.dat", "old content");
    dove.fail_after_bytes(c.dopo);
    if (c.fallisce) {
      try {
        dove.write_in_pieces("a.dat", pezzi({"abc", "def", "ghij"}));
        FAIL() << "the write should fail";
      } catch (const platform_error& g) {
        EXPECT_EQ(g.file(), tmp.path() / "a.dat");
      }
      EXPECT_EQ(test_util::read_file(tmp.path() / "a.dat"), "old content");
    } else {
      dove.write_in_pieces("a.dat", pezzi({"abc", "def", "ghij"}));
      EXPECT_EQ(test_util::read_file(tmp.path() / "a.dat"), "abcdefghij");
    }
    EXPECT_EQ(file_nella_cartella(tmp.path()), 1);
  }
}

TEST(FolderPieces, AProducerThatThrowsLeavesTheOldFileAndNoTemporary) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  dove.write("a.dat", "old content");
  EXPECT_THROW(dove.write_in_pieces("a.dat",
                                    [](byte_sink& f) {
                                      f.write("half of it");
                                      throw std::length_error("cannot encode");
                                    }),
               std::length_error);
  EXPECT_EQ(test_util::read_file(tmp.path() / "a.dat"), "old content");
  EXPECT_EQ(file_nella_cartella(tmp.path()), 1);
}

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
  EXPECT_EQ(fatto.name, "a.dat");
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

}  // namespace
}  // namespace scen
