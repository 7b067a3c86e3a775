// Whether two paths name one file, told by the file system rather than by
// the paths' spelling: "x", "./x", a symbolic link to x and a hard link of x
// are all the same file. On POSIX the device and inode number (st_dev,
// st_ino); on Windows the volume serial number and file index
// (GetFileInformationByHandle).
#pragma once

#include <filesystem>

namespace scen {

// True when `a` and `b` both exist and are one file (links followed). A
// path that does not exist, or that cannot be looked at, is no file: false.
bool same_file(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace scen
