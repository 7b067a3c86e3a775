#include "platform/file_identity.h"

#include <sys/stat.h>

namespace scen {

bool same_file(const std::filesystem::path& a, const std::filesystem::path& b) {
  struct stat x {};
  struct stat y {};
  if (::stat(a.c_str(), &x) != 0 || ::stat(b.c_str(), &y) != 0) return false;
  return x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

}  // namespace scen
