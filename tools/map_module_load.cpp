// The map drawn through the module beside the tool, loaded the first time a
// map is drawn (see map_module.h).
#include <dlfcn.h>

#include <cstring>
#include <new>
#include <stdexcept>

#include "map_module.h"
#include "platform/folder.h"
#include "platform/platform_error.h"

namespace scen::tool {
namespace {

scenario_tool_draw_map_fn load_map_module() {
  const std::filesystem::path module = program_folder() / SCENARIO_MAP_MODULE;
  // Never closed: cairo keeps state of its own until the process ends.
  void* h = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (h == nullptr) {
    // The loader's text starts with the file's name, which the error names already.
    const char* text = ::dlerror();
    std::string why = text != nullptr ? text : "cannot be loaded";
    const std::string prefix = module.string() + ": ";
    if (why.starts_with(prefix)) why.erase(0, prefix.size());
    throw platform_error(module, why);
  }
  void* symbol = ::dlsym(h, "scenario_tool_draw_map");
  if (symbol == nullptr) throw platform_error(module, "has no entry scenario_tool_draw_map");
  scenario_tool_draw_map_fn draw = nullptr;
  std::memcpy(&draw, &symbol, sizeof draw);
  return draw;
}

}  // namespace

std::string disegna_mappa(const dati_mappa& d, formato_mappa formato) {
  static const scenario_tool_draw_map_fn draw = load_map_module();
  std::string out;
  std::string why;
  switch (draw(&d, formato, &out, &why)) {
    case scenario_tool_map_drawn:
      return out;
    case scenario_tool_map_no_memory:
      throw std::bad_alloc();
    default:
      throw std::runtime_error(why);
  }
}

}  // namespace scen::tool
