// The run's only user interface: the "Attendere" window shown while the run
// works, and the modal message box of a fatal error.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "app/uscita.h"

namespace scen {

inline constexpr std::string_view testo_attendere = "Attendere";

class finestra {
 public:
  virtual ~finestra() = default;
  // Shows the window and paints it at once; the run goes on without waiting.
  virtual void mostra_attendere() = 0;
  // A modal box with `testo` and one OK button; returns the button pressed.
  virtual std::int32_t messaggio(std::string_view testo) = 0;
};

// Without a display: each text is one line on the given output.
class finestra_console final : public finestra {
 public:
  explicit finestra_console(uscita_testo& uscita) : uscita_(uscita) {}
  void mostra_attendere() override;
  std::int32_t messaggio(std::string_view testo) override;

 private:
  uscita_testo& uscita_;
};

}  // namespace scen
