#include "platform/window.h"

#include <string>

namespace scen {

void console_window::show_waiting() { out_.write(std::string(waiting_text) + '\n'); }

std::int32_t console_window::message(std::string_view text) {
  out_.write(std::string(text) + '\n');
  return 1;  // the one button, OK
}

}  // namespace scen
