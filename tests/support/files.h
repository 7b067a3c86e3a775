// Files and folders for the tests: a fresh folder removed afterwards, and
// whole files read and written as bytes.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>

namespace scen::test_util {

// A fresh folder under the system's temporary folder, removed afterwards.
class temp_folder {
 public:
  temp_folder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("scenario-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~temp_folder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  temp_folder(const temp_folder&) = delete;
  temp_folder& operator=(const temp_folder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string read_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_file(const std::filesystem::path& p, const std::string& byte) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << byte;
}

// Every entry of a folder by name, with the bytes of the regular files.
inline std::map<std::string, std::string> folder_entries(const std::filesystem::path& dir) {
  std::map<std::string, std::string> r;
  for (const auto& voce : std::filesystem::directory_iterator(dir)) {
    const std::string nome = voce.path().filename().string();
    r[nome] = voce.is_regular_file() ? read_file(voce.path()) : std::string("(not a file)");
  }
  return r;
}

}  // namespace scen::test_util
