// The line data file, written on a thread of its own while the compile
// still fills the plan view: the longest route's 20 MB go to the file (and
// on to the disk) while the metres after them are computed, where one after
// the other the copy would only start once the last metre is done.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "compiler/compilatore.h"
#include "formats/piano_in_corso.h"
#include "model/modello.h"
#include "platform/background.h"
#include "platform/folder.h"

namespace scen {

// Handed to the compile as its progress listener. At the compile's first
// report (the plan view exists then and stays where it is), or in
// `completa` when the compile never reported, the file is created and the
// writer's thread started. Destroyed before its file is taken, it gives the
// file up and removes it, whether written or not.
class linea_in_scrittura final : public avanzamento_piano {
 public:
  linea_in_scrittura(folder& dir, std::string nome);
  ~linea_in_scrittura() override;
  linea_in_scrittura(const linea_in_scrittura&) = delete;
  linea_in_scrittura& operator=(const linea_in_scrittura&) = delete;

  void metri_pronti(const piano& p, std::int64_t metri) override;

  // The compile is over: every metre of `m`'s plan view is final. Without
  // a plan view there is no file to write (the run ends without track).
  void completa(const modello& m);

  // Waits for the complete file and hands it over, for a set to rename;
  // throws what kept it from being written (platform_error).
  staged_file prendi();

 private:
  void avvia(const piano& p);
  void scrivi();

  folder& dir_;
  std::string nome_;
  const piano* piano_ = nullptr;
  std::exception_ptr mancato_;
  piano_in_corso avanzamento_;
  std::optional<temporary_file> file_;
  std::optional<staged_file> scritto_;
  std::optional<background_work> lavoro_;  // last: it ends before what it uses goes
};

}  // namespace scen
