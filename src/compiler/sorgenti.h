// Where the compile step gets the two sources from, and what deleting them
// means. The run reads them from its folder and deletes them where the
// compile says so; the tool hands over bytes it read and deletes nothing.
#pragma once

#include <optional>
#include <string>

#include "model/nomi_file.h"
#include "platform/folder.h"

namespace scen {

class sorgenti {
 public:
  virtual ~sorgenti() = default;
  // The route source's bytes; nothing when there is no such file (code 101).
  virtual std::optional<std::string> leggi_linea() = 0;
  // The train source's bytes; nothing when there is no such file (a run-time
  // failure of the train half).
  virtual std::optional<std::string> leggi_treno() = 0;
  // Delete a source when it still exists.
  virtual void elimina_linea() = 0;
  virtual void elimina_treno() = 0;
};

// Sources held in memory; deleting only marks them gone. The tool and the
// tests compile through this.
class sorgenti_in_memoria final : public sorgenti {
 public:
  sorgenti_in_memoria(std::optional<std::string> linea, std::optional<std::string> treno)
      : linea_(std::move(linea)), treno_(std::move(treno)) {}

  std::optional<std::string> leggi_linea() override { return linea_; }
  std::optional<std::string> leggi_treno() override { return treno_; }
  void elimina_linea() override { linea_.reset(); }
  void elimina_treno() override { treno_.reset(); }

  bool esiste_linea() const { return linea_.has_value(); }
  bool esiste_treno() const { return treno_.has_value(); }

 private:
  std::optional<std::string> linea_;
  std::optional<std::string> treno_;
};

// The two source files of an identity in a folder; deleting removes them.
// A file that cannot be read or deleted is a platform failure
// (platform_error), never an error of the sources.
class sorgenti_in_cartella final : public sorgenti {
 public:
  sorgenti_in_cartella(folder& dir, const identita& id);

  std::optional<std::string> leggi_linea() override;
  std::optional<std::string> leggi_treno() override;
  void elimina_linea() override;
  void elimina_treno() override;

 private:
  folder& dir_;
  std::string nome_linea_;
  std::string nome_treno_;
};

}  // namespace scen
