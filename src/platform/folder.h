// The folder a run reads and writes: the program's own folder for the main
// program, any folder for the tool. Every file is written whole under a
// temporary name in the same folder and renamed over its final name, so a
// final name never holds a half-written file or bytes of an earlier run.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform_error.h"

namespace scen {

// Receives the bytes of one file piece by piece, in order.
class byte_sink {
 public:
  virtual ~byte_sink() = default;
  virtual void write(std::string_view byte) = 0;
};

class folder {
 public:
  explicit folder(std::filesystem::path base);

  const std::filesystem::path& base() const { return base_; }
  std::filesystem::path path_of(std::string_view nome) const;

  // Replaces the file `nome` with exactly `byte`.
  void write(std::string_view nome, std::string_view byte);
  // Replaces the file `nome` with the bytes that `produci` hands to the
  // stream, piece by piece, so that a large file is never whole in memory.
  // The same guarantees as `scrivi`: the final name gets the file only once
  // it is complete; when a write fails, or `produci` throws, the old file
  // stays as it was and no temporary file is left.
  void write_in_pieces(std::string_view nome, const std::function<void(byte_sink&)>& produci);
  // True when `nome` is a regular file of the folder.
  bool exists(std::string_view nome) const;
  // The whole file, or nothing when it does not exist. Throws
  // platform_error when it exists but cannot be read, or when it is
  // larger than `limite` bytes.
  std::optional<std::string> read(std::string_view nome,
                                   std::size_t limite = static_cast<std::size_t>(-1)) const;
  // Deletes `nome` when it exists; throws platform_error when it cannot.
  void remove(std::string_view nome);

  // Test seam: the next writes fail once they have written `n` bytes of a
  // file (counted over all its pieces), as a full disk would. Nothing by default.
  void fail_after_bytes(std::optional<std::size_t> n) { guasto_dopo_ = n; }

 private:
  std::filesystem::path base_;
  std::optional<std::size_t> guasto_dopo_;
};

// The folder that holds the running executable.
std::filesystem::path program_folder();

}  // namespace scen
