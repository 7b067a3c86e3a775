// The folder a run reads and writes: the program's own folder for the main
// program, any folder for the tool. Every file is written whole under a
// temporary name in the same folder and renamed over its final name, so a
// final name never holds a half-written file or bytes of an earlier run.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace scen {

// A failure of the platform (a file that cannot be created, written, read or
// deleted). Nothing traps it but the program's top level, which names the
// file and the reason and exits with status 3.
class guasto_piattaforma : public std::runtime_error {
 public:
  guasto_piattaforma(std::filesystem::path file, std::string motivo);
  const std::filesystem::path& file() const { return file_; }
  const std::string& motivo() const { return motivo_; }

 private:
  std::filesystem::path file_;
  std::string motivo_;
};

// Receives the bytes of one file piece by piece, in order.
class flusso_byte {
 public:
  virtual ~flusso_byte() = default;
  virtual void scrivi(std::string_view byte) = 0;
};

class cartella {
 public:
  explicit cartella(std::filesystem::path base);

  const std::filesystem::path& base() const { return base_; }
  std::filesystem::path percorso_di(std::string_view nome) const;

  // Replaces the file `nome` with exactly `byte`.
  void scrivi(std::string_view nome, std::string_view byte);
  // Replaces the file `nome` with the bytes that `produci` hands to the
  // stream, piece by piece, so that a large file is never whole in memory.
  // The same guarantees as `scrivi`: the final name gets the file only once
  // it is complete; when a write fails, or `produci` throws, the old file
  // stays as it was and no temporary file is left.
  void scrivi_a_pezzi(std::string_view nome, const std::function<void(flusso_byte&)>& produci);
  // True when `nome` is a regular file of the folder.
  bool esiste(std::string_view nome) const;
  // The whole file, or nothing when it does not exist. Throws
  // guasto_piattaforma when it exists but cannot be read, or when it is
  // larger than `limite` bytes.
  std::optional<std::string> leggi(std::string_view nome,
                                   std::size_t limite = static_cast<std::size_t>(-1)) const;
  // Deletes `nome` when it exists; throws guasto_piattaforma when it cannot.
  void elimina(std::string_view nome);

  // Test seam: the next writes fail once they have written `n` bytes of a
  // file (counted over all its pieces), as a full disk would. Nothing by default.
  void guasta_dopo_byte(std::optional<std::size_t> n) { guasto_dopo_ = n; }

 private:
  std::filesystem::path base_;
  std::optional<std::size_t> guasto_dopo_;
};

// The folder that holds the running executable.
std::filesystem::path cartella_programma();

}  // namespace scen
