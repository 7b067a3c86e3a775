// The program's only user interface: the "Attendere" window shown while the
// run works, and the modal message box that reports what ended a run.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/text_sink.h"

namespace scen {

inline constexpr std::string_view waiting_text = "Attendere";

class window {
 public:
  virtual ~window() = default;
  // Shows the window and paints it at once; the run goes on without waiting.
  virtual void show_waiting() = 0;
  // A modal box with `text` and one OK button; returns the button pressed.
  virtual std::int32_t message(std::string_view text) = 0;
};

// Without a display: each text is one line on the given sink.
class console_window final : public window {
 public:
  explicit console_window(text_sink& out) : out_(out) {}
  void show_waiting() override;
  std::int32_t message(std::string_view text) override;

 private:
  text_sink& out_;
};

// The platform's real window when there is a display to show it on,
// otherwise a console window writing to `console`.
std::unique_ptr<window> open_window(text_sink& console);

}  // namespace scen
