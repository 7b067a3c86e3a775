// The temporaries a folder writes through: names from the system's random
// source, and nothing planted at such a name is followed, waited for or
// overwritten.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "platform/folder.h"
#include "platform/platform_error.h"
#include "support/files.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::temp_folder;

// Names handed out in turn; the last one over and over.
std::function<std::string()> nomi_in_fila(std::vector<std::string> nomi) {
  return [nomi = std::move(nomi), i = std::size_t{0}]() mutable { return nomi[std::min(i++, nomi.size() - 1)]; };
}

TEST(Temporaries, WhatIsPlantedAtATemporaryNameIsNeitherFollowedNorWaitedFor) {
  temp_folder dir, fuori;
  const fs::path bersaglio = fuori.path() / "victim";
  test_util::write_file(bersaglio, "not yours");
  const auto temporaneo = [&](const std::string& s) { return dir.path() / (".a.dat.tmp-" + s); };
  fs::create_symlink(bersaglio, temporaneo("link"));
  fs::create_symlink(fuori.path() / "nothing-here", temporaneo("dangling"));
  ASSERT_EQ(::mkfifo(temporaneo("fifo").c_str(), 0644), 0);
  fs::create_directory(temporaneo("dir"));
  test_util::write_file(temporaneo("file"), "another process's file");

  folder dove(dir.path());
  dove.temporary_names_from(nomi_in_fila({"link", "dangling", "fifo", "dir", "file", "free"}));
  dove.write("a.dat", "new");
  EXPECT_EQ(test_util::read_file(dir.path() / "a.dat"), "new");
  EXPECT_EQ(test_util::read_file(bersaglio), "not yours");
  EXPECT_FALSE(fs::exists(fuori.path() / "nothing-here"));
  EXPECT_TRUE(fs::is_symlink(temporaneo("link")));
  EXPECT_TRUE(fs::is_fifo(temporaneo("fifo")));
  EXPECT_TRUE(fs::is_directory(temporaneo("dir")));
  EXPECT_EQ(test_util::read_file(temporaneo("file")), "another process's file");
  EXPECT_FALSE(fs::exists(temporaneo("free"))) << "renamed to its final name";
}

TEST(Temporaries, NamesComeFromTheSystemsRandomSourceAndDiffer) {
  temp_folder dir;
  folder dove(dir.path());
  file_set insieme(dove);
  insieme.write("a.dat", "1");
  insieme.write("b.dat", "2");
  std::vector<std::string> nomi;
  for (const auto& [nome, byte] : test_util::folder_entries(dir.path())) nomi.push_back(nome);
  ASSERT_EQ(nomi.size(), 2u);
  const std::regex forma(R"(\.[ab]\.dat\.tmp-[0-9a-f]{16})");
  for (const std::string& n : nomi) EXPECT_TRUE(std::regex_match(n, forma)) << n;
  EXPECT_NE(nomi[0].substr(nomi[0].size() - 16), nomi[1].substr(nomi[1].size() - 16));
}

TEST(Temporaries, WhenEveryNameIsTakenTheMessageNamesTheTemporaryAndWhatIsThere) {
  temp_folder dir;
  fs::create_directory(dir.path() / ".a.dat.tmp-x");
  folder dove(dir.path());
  dove.temporary_names_from([] { return std::string("x"); });
  try {
    dove.write("a.dat", "new");
    FAIL() << "the write went through";
  } catch (const platform_error& g) {
    EXPECT_EQ(g.file(), dir.path() / ".a.dat.tmp-x");
    EXPECT_NE(g.reason().find("a folder"), std::string::npos) << g.reason();
  }
  EXPECT_FALSE(fs::exists(dir.path() / "a.dat"));
}

}  // namespace
}  // namespace scen
