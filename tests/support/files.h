// Small helpers shared by the tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace scen::test_util {

// A fresh folder under the system's temporary folder, removed afterwards.
class cartella_temporanea {
 public:
  cartella_temporanea() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("scenario-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~cartella_temporanea() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  cartella_temporanea(const cartella_temporanea&) = delete;
  cartella_temporanea& operator=(const cartella_temporanea&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string leggi_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void scrivi_file(const std::filesystem::path& p, const std::string& byte) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << byte;
}

}  // namespace scen::test_util
