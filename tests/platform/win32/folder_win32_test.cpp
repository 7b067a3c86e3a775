// The folder on Windows: replacement through a temporary name, what another
// program or a read-only attribute puts in the way, and folder paths beyond
// ASCII.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/folder.h"
#include "platform/folder_lock.h"
#include "support/files.h"

namespace scen {
namespace {

namespace fs = std::filesystem;

std::size_t files_in(const fs::path& dir) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// A platform failure whose message names the file and gives `reason`.
template <typename F>
void expect_failure(F&& f, const fs::path& file, std::string_view reason) {
  try {
    f();
    ADD_FAILURE() << "no platform failure for " << file.string();
  } catch (const platform_error& e) {
    EXPECT_EQ(e.file(), file);
    EXPECT_NE(e.reason().find(reason), std::string::npos) << e.reason();
    EXPECT_NE(std::string(e.what()).find(file.filename().string()), std::string::npos) << e.what();
  }
}

TEST(FolderWin32, ReplacingALongerFileLeavesExactlyTheNewBytesAndNoTemporary) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  dove.write("a.dat", std::string(100000, 'x'));
  dove.write("a.dat", "abc");
  EXPECT_EQ(test_util::read_file(tmp.path() / "a.dat"), "abc");
  dove.write_in_pieces("a.dat", [](byte_sink& s) {
    s.write("de");
    s.write(std::string(70000, 'f'));
  });
  EXPECT_EQ(test_util::read_file(tmp.path() / "a.dat"), "de" + std::string(70000, 'f'));
  EXPECT_EQ(files_in(tmp.path()), 1u);
}

TEST(FolderWin32, WhatStandsInTheWayOfAReplacementStaysAsItWas) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  const fs::path file = tmp.path() / "a.dat";

  // A read-only file: neither replaced nor deleted.
  dove.write("a.dat", "old");
  ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  expect_failure([&] { dove.write("a.dat", "new"); }, file, "read-only");
  expect_failure([&] { dove.remove("a.dat"); }, file, "read-only");
  EXPECT_EQ(test_util::read_file(file), "old");
  ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL));

  // A file another program holds open without sharing it (the simulator
  // holding the line data file).
  {
    HANDLE held = ::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    expect_failure([&] { dove.write("a.dat", "new"); }, file, "open in another program");
    expect_failure([&] { dove.remove("a.dat"); }, file, "open in another program");
    ::CloseHandle(held);
  }
  EXPECT_EQ(test_util::read_file(file), "old");

  // A folder under the name, and a write failing half-way.
  fs::create_directory(tmp.path() / "sub");
  expect_failure([&] { dove.write("sub", "x"); }, tmp.path() / "sub", "not a regular file");
  EXPECT_TRUE(fs::is_directory(tmp.path() / "sub"));
  dove.fail_after_bytes(2);
  expect_failure([&] { dove.write("a.dat", "longer"); }, file, "disk is full");
  EXPECT_EQ(test_util::read_file(file), "old");
  EXPECT_EQ(files_in(tmp.path()), 2u) << "no temporary file is left behind";
}

TEST(FolderWin32, AMissingFolderIsAPlatformFailureNamingTheFile) {
  test_util::temp_folder tmp;
  folder dove(tmp.path() / "missing");
  expect_failure([&] { dove.write("a.dat", "x"); }, tmp.path() / "missing" / "a.dat", "folder does not exist");
}

TEST(FolderWin32, AFolderPathWithLettersBeyondAsciiAndBlanksWorks) {
  test_util::temp_folder tmp;
  const fs::path dir = tmp.path() / fs::path(L"Scenari \u00e8 \u0141\u00f3d\u017a \u65e5\u672c");
  fs::create_directory(dir);
  folder dove(dir);
  dove.write("a b.txt", "caff\xE8\r\n");
  EXPECT_TRUE(dove.exists("a b.txt"));
  EXPECT_EQ(dove.read("a b.txt"), std::optional<std::string>("caff\xE8\r\n"));
  // The file is where the wide-character name says, not in a look-alike
  // folder made of the name squeezed into the code page.
  EXPECT_EQ(::GetFileAttributesW((dir / L"a b.txt").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(files_in(tmp.path()), 1u);
  dove.remove("a b.txt");
  EXPECT_FALSE(dove.exists("a b.txt"));
  EXPECT_EQ(files_in(dir), 0u);

  // A name is UTF-8, as a path's narrow form is: what the tool takes from
  // a path comes back to the same file.
  const fs::path accented = dir / fs::path(L"caff\u00e8 \u65e5.txt");
  dove.write(accented.filename().string(), "x");
  EXPECT_TRUE(fs::is_regular_file(accented));
  EXPECT_EQ(dove.path_of(accented.filename().string()), accented);
  dove.remove(accented.filename().string());

  // A failure there names the folder as the user sees it (UTF-8 in the message).
  ASSERT_TRUE(::SetFileAttributesW((dir / L"r.dat").c_str(), FILE_ATTRIBUTE_NORMAL) == FALSE);
  dove.write("r.dat", "x");
  ASSERT_TRUE(::SetFileAttributesW((dir / L"r.dat").c_str(), FILE_ATTRIBUTE_READONLY));
  try {
    dove.write("r.dat", "y");
    ADD_FAILURE();
  } catch (const platform_error& e) {
    EXPECT_NE(std::string(e.what()).find("Scenari \xC3\xA8 \xC5\x81\xC3\xB3"
                                         "d\xC5\xBA \xE6\x97\xA5\xE6\x9C\xAC"),
              std::string::npos)
        << e.what();
  }
  ::SetFileAttributesW((dir / L"r.dat").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FolderWin32, ASetReplacesItsFilesTogetherOrNotAtAll) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  dove.write("a.dat", "old a");
  dove.write("b.dat", "old b");
  {
    file_set set(dove);
    set.write("a.dat", "new a");
    set.write("b.dat", "new b");
    EXPECT_EQ(test_util::read_file(tmp.path() / "a.dat"), "old a") << "nothing replaced before the commit";
  }  // destroyed without a commit
  EXPECT_EQ(test_util::read_file(tmp.path() / "a.dat"), "old a");
  EXPECT_EQ(files_in(tmp.path()), 2u) << "no temporary is left";
  file_set set(dove);
  set.write("a.dat", "new a");
  set.write("b.dat", "new b");
  set.commit();
  EXPECT_EQ(test_util::read_file(tmp.path() / "a.dat"), "new a");
  EXPECT_EQ(test_util::read_file(tmp.path() / "b.dat"), "new b");
  EXPECT_EQ(files_in(tmp.path()), 2u);
}

TEST(FolderWin32, TemporaryNamesTakenByOthersAreLeftAloneAndOldOnesOfRunsRemoved) {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  // Whatever stands at the names a run picks stays as it is.
  fs::create_directory(tmp.path() / ".a.dat.tmp-0000000000000001");
  test_util::write_file(tmp.path() / ".a.dat.tmp-0000000000000002", "someone else's");
  int n = 0;
  dove.temporary_names_from([&] { return "000000000000000" + std::to_string(++n); });
  dove.write("a.dat", "mine");
  EXPECT_EQ(test_util::read_file(tmp.path() / "a.dat"), "mine");
  EXPECT_TRUE(fs::is_directory(tmp.path() / ".a.dat.tmp-0000000000000001"));
  EXPECT_EQ(test_util::read_file(tmp.path() / ".a.dat.tmp-0000000000000002"), "someone else's");

  // An abandoned temporary of a run goes; the folder of the same name stays.
  const std::vector<std::string> nomi{"a.dat"};
  EXPECT_TRUE(dove.remove_stale_temporaries(nomi, std::chrono::hours(1)).empty()) << "too young to be abandoned";
  const auto removed = dove.remove_stale_temporaries(nomi, std::chrono::seconds(0));
  EXPECT_EQ(removed, std::vector<std::string>{".a.dat.tmp-0000000000000002"});
  EXPECT_TRUE(fs::is_directory(tmp.path() / ".a.dat.tmp-0000000000000001"));
}

TEST(FolderWin32, OneRunAtATimeHoldsTheFolder) {
  test_util::temp_folder tmp;
  const fs::path lock_file = tmp.path() / std::string(folder_lock::file_name);
  {
    folder_lock first(tmp.path());
    EXPECT_TRUE(fs::is_regular_file(lock_file));
    EXPECT_THROW(folder_lock(tmp.path(), std::chrono::milliseconds(30)), folder_busy);
  }
  EXPECT_FALSE(fs::exists(lock_file)) << "a run that ends leaves no lock file";
  EXPECT_NO_THROW(folder_lock(tmp.path(), std::chrono::milliseconds(0)));
  // A lock file left by a run that ended without cleaning up holds nothing.
  test_util::write_file(lock_file, "");
  EXPECT_NO_THROW(folder_lock(tmp.path(), std::chrono::milliseconds(0)));
}

// A lock file that cannot be opened for writing holds no run: the lock fails
// at once, naming the file and why, never busy. What another program holds
// unshared is such a file; runs always share it.
TEST(FolderWin32, ALockFileThatCannotBeOpenedForWritingFailsAtOnceAndIsNotBusy) {
  test_util::temp_folder tmp;
  const fs::path lock_file = tmp.path() / std::string(folder_lock::file_name);
  test_util::write_file(lock_file, "");
  // A whole minute: a lock that waited would be seen, not measured.
  const auto take = [&] { folder_lock(tmp.path(), std::chrono::minutes(1)); };

  ASSERT_TRUE(::SetFileAttributesW(lock_file.c_str(), FILE_ATTRIBUTE_READONLY));
  expect_failure(take, lock_file, "read-only; the lock file cannot be opened for writing");
  ASSERT_TRUE(::SetFileAttributesW(lock_file.c_str(), FILE_ATTRIBUTE_NORMAL));

  HANDLE held =
      ::CreateFileW(lock_file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  expect_failure(take, lock_file, "open in another program; the lock file cannot be opened for writing");
  ::CloseHandle(held);

  EXPECT_NO_THROW(take()) << "the same file, writable and unheld, takes the lock";
}

}  // namespace
}  // namespace scen
