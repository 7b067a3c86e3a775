// Whether two paths name one file, told by the file system: every spelling
// and link of a file is the file; a copy, another file or a missing one is
// not.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/file_identity.h"
#include "support/files.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::temp_folder;
using test_util::write_file;

TEST(FileIdentity, SpellingsAndLinksAreTheFileCopiesAreNot) {
  temp_folder dir;
  const fs::path d = dir.path();
  fs::create_directory(d / "sub");
  write_file(d / "x.txt", "bytes");
  write_file(d / "copy.txt", "bytes");
  std::error_code ec;
  fs::create_hard_link(d / "x.txt", d / "hard.txt", ec);
  const bool fisico = !ec;
  fs::create_symlink(d / "x.txt", d / "link.txt", ec);
  const bool simbolico = !ec;
  const struct {
    fs::path a, b;
    bool stesso;
    bool possibile;
  } casi[] = {
      {d / "x.txt", d / "x.txt", true, true},
      {d / "x.txt", d / "." / "x.txt", true, true},
      {d / "x.txt", d / "sub" / ".." / "x.txt", true, true},
      {d / "x.txt", d / "hard.txt", true, fisico},
      {d / "link.txt", d / "x.txt", true, simbolico},
      {d / "sub", d / "sub" / ".", true, true},
      {d / "x.txt", d / "copy.txt", false, true},
      {d / "x.txt", d / "sub", false, true},
      {d / "x.txt", d / "missing.txt", false, true},
      {d / "missing.txt", d / "missing.txt", false, true},
  };
  for (const auto& c : casi) {
    if (!c.possibile) continue;  // no such link on this system
    EXPECT_EQ(same_file(c.a, c.b), c.stesso) << c.a << " " << c.b;
    EXPECT_EQ(same_file(c.b, c.a), c.stesso) << c.b << " " << c.a;
  }
}

}  // namespace
}  // namespace scen
