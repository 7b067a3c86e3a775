// A set replaced as one transaction: whichever rename fails, and whether or
// not putting the earlier files back fails as well, the folder ends with
// exactly the earlier set or exactly the new one (after the repair that the
// next run makes), never a mix, and nothing of the journal is left.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/folder.h"
#include "platform/platform_error.h"
#include "platform/temporary_name.h"
#include "support/files.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::folder_entries;
using test_util::temp_folder;

// Sets an environment variable for the life of the object (the seams are
// read from the environment, so that tests of whole processes reach them).
class seam_set {
 public:
  seam_set(const char* name, int value) : name_(name) { put(std::to_string(value)); }
  ~seam_set() { put(""); }
  seam_set(const seam_set&) = delete;
  seam_set& operator=(const seam_set&) = delete;

 private:
  void put(const std::string& value) {
#ifdef _WIN32
    ::_putenv_s(name_, value.c_str());
#else
    if (value.empty()) {
      ::unsetenv(name_);
    } else {
      ::setenv(name_, value.c_str(), 1);
    }
#endif
  }
  const char* name_;
};

using files = std::map<std::string, std::string>;

// A set of `n` files; `earlier` says which of them the folder holds before.
struct set_case {
  int n;
  std::vector<bool> earlier;
};

std::vector<set_case> set_cases() {
  return {{2, {true, true}},
          {3, {true, true, true}},
          {3, {false, false, false}},
          {3, {false, true, true}},
          {5, {true, false, true, true, false}}};
}

std::string name_of(int i) { return "set_" + std::to_string(i) + ".dat"; }

// The folder's earlier files (and a file of nobody's set, which must stay).
files earlier_files(const set_case& c) {
  files f{{"other.txt", "not ours"}};
  for (int i = 0; i < c.n; ++i) {
    if (c.earlier[static_cast<std::size_t>(i)]) f[name_of(i)] = "earlier " + std::to_string(i);
  }
  return f;
}

files new_files(const set_case& c) {
  files f{{"other.txt", "not ours"}};
  for (int i = 0; i < c.n; ++i) f[name_of(i)] = "new, longer content of file " + std::to_string(i);
  return f;
}

void plant(const fs::path& dir, const files& f) {
  for (const auto& [name, byte] : f) test_util::write_file(dir / name, byte);
}

// Replaces the set with its new files; the failure's text, if it failed.
std::optional<std::string> replace_set(folder& dir, const set_case& c) {
  try {
    file_set set(dir);
    for (int i = 0; i < c.n; ++i) set.write(name_of(i), new_files(c).at(name_of(i)));
    set.commit();
  } catch (const platform_error& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

std::string describe(const set_case& c) {
  std::string s = std::to_string(c.n) + " files, earlier:";
  for (const bool e : c.earlier) s += e ? " yes" : " no";
  return s;
}

TEST(SetTransaction, WithoutFailureTheFolderHoldsExactlyTheNewSet) {
  for (const set_case& c : set_cases()) {
    SCOPED_TRACE(describe(c));
    temp_folder t;
    plant(t.path(), earlier_files(c));
    folder dir(t.path());
    EXPECT_EQ(replace_set(dir, c), std::nullopt);
    EXPECT_EQ(folder_entries(t.path()), new_files(c));
  }
}

TEST(SetTransaction, ARenameFailingAtAnyPositionLeavesExactlyTheEarlierSet) {
  for (const set_case& c : set_cases()) {
    for (int failing = 1; failing <= c.n; ++failing) {
      SCOPED_TRACE(describe(c) + "; rename " + std::to_string(failing) + " fails");
      temp_folder t;
      plant(t.path(), earlier_files(c));
      folder dir(t.path());
      const seam_set seam("SCENARIO_TEST_FAIL_RENAME", failing);
      const std::optional<std::string> failure = replace_set(dir, c);
      ASSERT_TRUE(failure.has_value());
      EXPECT_NE(failure->find(name_of(failing - 1)), std::string::npos) << *failure;
      EXPECT_NE(failure->find("nothing was replaced"), std::string::npos) << *failure;
      EXPECT_EQ(folder_entries(t.path()), earlier_files(c)) << "a mixed set, or leftovers of the journal";
      EXPECT_EQ(dir.interrupted(), std::nullopt);
    }
  }
}

TEST(SetTransaction, WhenPuttingBackFailsTooTheJournalStaysAndTheRepairRestoresTheEarlierSet) {
  for (const set_case& c : set_cases()) {
    // The first rename can fail with nothing to put back.
    for (int failing = 2; failing <= c.n; ++failing) {
      SCOPED_TRACE(describe(c) + "; rename " + std::to_string(failing) + " fails, then the undo");
      temp_folder t;
      plant(t.path(), earlier_files(c));
      folder dir(t.path());
      {
        const seam_set rename("SCENARIO_TEST_FAIL_RENAME", failing);
        const seam_set undo("SCENARIO_TEST_FAIL_UNDO", 1);
        const std::optional<std::string> failure = replace_set(dir, c);
        ASSERT_TRUE(failure.has_value());
        // A file with no earlier version is removed, not put back: only
        // with a backup to rename can the seam fail the undo.
        bool backup_renamed = false;
        for (int i = 0; i < failing - 1; ++i) backup_renamed = backup_renamed || c.earlier[static_cast<std::size_t>(i)];
        if (!backup_renamed) {
          EXPECT_EQ(folder_entries(t.path()), earlier_files(c));
          continue;
        }
        EXPECT_NE(failure->find("mixed set"), std::string::npos) << *failure;
        EXPECT_NE(failure->find(folder::journal_name), std::string::npos) << *failure;
      }
      const std::optional<interrupted_set> found = dir.interrupted();
      ASSERT_TRUE(found.has_value());
      EXPECT_FALSE(found->new_files_in_place);
      EXPECT_EQ(found->names.size(), static_cast<std::size_t>(c.n));
      // The clean-up of stale temporaries spares what the journal names.
      const std::vector<std::string> owners{name_of(0), name_of(1), name_of(2), name_of(3), name_of(4)};
      EXPECT_TRUE(dir.remove_stale_temporaries(owners, std::chrono::seconds(0)).empty());

      const std::optional<interrupted_set> repaired = dir.repair_interrupted_set();
      ASSERT_TRUE(repaired.has_value());
      EXPECT_FALSE(repaired->new_files_in_place);
      EXPECT_EQ(folder_entries(t.path()), earlier_files(c));
      EXPECT_EQ(dir.repair_interrupted_set(), std::nullopt) << "a second repair found something to do";
    }
  }
}

// A journal this program did not write whole is refused, and nothing is
// touched: a planted one must not make a repair rename or remove anything.
TEST(SetTransaction, AJournalThatIsNotOursIsRefusedAndNothingIsTouched) {
  const std::string leftover = temporary_name_of("a.dat", "0123456789abcdef");
  const std::string backup = temporary_name_of("a.dat", "fedcba9876543210");
  const std::vector<std::pair<const char*, std::string>> journals{
      {"empty", ""},
      {"another header", "journal 2\nfile\ta.dat\t" + leftover + "\t\nend\n"},
      {"no end", "scenario set journal 1\nfile\ta.dat\t" + leftover + "\t\n"},
      {"no file", "scenario set journal 1\nend\n"},
      {"a path out of the folder", "scenario set journal 1\nfile\t../a.dat\t" + leftover + "\t\nend\n"},
      {"a temporary of another name", "scenario set journal 1\nfile\tb.dat\t" + leftover + "\t\nend\n"},
      {"a backup not of ours", "scenario set journal 1\nfile\ta.dat\t" + leftover + "\tother.txt\nend\n"},
      {"three fields", "scenario set journal 1\nfile\ta.dat\t" + leftover + "\nend\n"},
  };
  for (const auto& [what, text] : journals) {
    SCOPED_TRACE(what);
    temp_folder t;
    const files before{{"a.dat", "A"},
                       {"other.txt", "O"},
                       {leftover, "new A"},
                       {backup, "A"},
                       {std::string(folder::journal_name), text}};
    plant(t.path(), before);
    folder dir(t.path());
    EXPECT_THROW(dir.interrupted(), platform_error);
    EXPECT_THROW(dir.repair_interrupted_set(), platform_error);
    EXPECT_TRUE(dir.remove_stale_temporaries(std::vector<std::string>{"a.dat"}, std::chrono::seconds(0)).empty());
    EXPECT_EQ(folder_entries(t.path()), before);
  }
}

TEST(SetTransaction, AFolderWithoutJournalHasNothingToRepair) {
  temp_folder t;
  plant(t.path(), {{"a.dat", "A"}});
  folder dir(t.path());
  EXPECT_EQ(dir.interrupted(), std::nullopt);
  EXPECT_EQ(dir.repair_interrupted_set(), std::nullopt);
  EXPECT_EQ(folder_entries(t.path()), (files{{"a.dat", "A"}}));
}

}  // namespace
}  // namespace scen
