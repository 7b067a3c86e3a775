// A failure of the platform: a file that cannot be created, written, read or
// deleted, the program's folder that cannot be found. Nothing traps it but a
// program's top level, which names the file and the reason and ends with the
// status of a platform failure.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/path_text.h"

namespace scen {

class platform_error : public std::runtime_error {
 public:
  platform_error(std::filesystem::path file, std::string reason)
      : std::runtime_error(utf8_of(file) + ": " + reason), file_(std::move(file)), reason_(std::move(reason)) {}
  const std::filesystem::path& file() const { return file_; }
  const std::string& reason() const { return reason_; }

 private:
  std::filesystem::path file_;
  std::string reason_;
};

}  // namespace scen
