// On POSIX systems the real window lives in a module beside the program,
// loaded only when there is a display to show it on: a run without one does
// not pay for loading FLTK and the X libraries. Without the module, or when
// the display cannot be opened, the run goes on with the console.
#include <memory>

#include "platform/folder.h"
#include "platform/window.h"

#ifdef SCENARIO_WINDOW_MODULE
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#endif

namespace scen {
namespace {

#ifdef SCENARIO_WINDOW_MODULE
std::unique_ptr<window> load_graphic_window() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') return nullptr;
  const auto module = program_folder() / SCENARIO_WINDOW_MODULE;
  // Never closed: the window's code must stay until the program ends.
  void* h = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (h == nullptr) return nullptr;
  void* symbol = ::dlsym(h, "scenario_open_window");
  if (symbol == nullptr) return nullptr;
  window* (*open)() = nullptr;
  std::memcpy(&open, &symbol, sizeof open);
  return std::unique_ptr<window>(open());
}
#else
std::unique_ptr<window> load_graphic_window() { return nullptr; }
#endif

}  // namespace

std::unique_ptr<window> open_window(text_sink& console) {
  if (auto w = load_graphic_window()) return w;
  return std::make_unique<console_window>(console);
}

}  // namespace scen
