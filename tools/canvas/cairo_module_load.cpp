// The cairo backend as the tool sees it: the module beside the tool, loaded
// the first time a PNG or PDF is asked for (see cairo_module.h).
#include <dlfcn.h>

#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>

#include "canvas/cairo_module.h"
#include "canvas/canvas_cairo.h"
#include "platform/folder.h"
#include "platform/path_text.h"
#include "platform/platform_error.h"

namespace scen::tool {
namespace {

struct cairo_module {
  scenario_tool_draw_with_cairo_fn draw = nullptr;
  scenario_tool_cairo_formats_fn formats = nullptr;
};

template <typename F>
F symbol_of(void* h, const std::filesystem::path& module, const char* name) {
  void* s = ::dlsym(h, name);
  if (s == nullptr) throw platform_error(module, std::string("has no entry ") + name);
  F f = nullptr;
  std::memcpy(&f, &s, sizeof f);
  return f;
}

cairo_module load_cairo_module() {
  const std::filesystem::path module = program_folder() / SCENARIO_CAIRO_MODULE;
  // Never closed: cairo keeps state of its own until the process ends.
  void* h = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (h == nullptr) {
    // The loader's text starts with the file's name, which the error names already.
    const char* text = ::dlerror();
    std::string why = text != nullptr ? text : "cannot be loaded";
    const std::string prefix = utf8_of(module) + ": ";
    if (why.starts_with(prefix)) why.erase(0, prefix.size());
    throw platform_error(module, why);
  }
  return {symbol_of<scenario_tool_draw_with_cairo_fn>(h, module, "scenario_tool_draw_with_cairo"),
          symbol_of<scenario_tool_cairo_formats_fn>(h, module, "scenario_tool_cairo_formats")};
}

const cairo_module& module() {
  static const cairo_module m = load_cairo_module();
  return m;
}

// The tool's drawing, called from inside the module: what it throws is kept
// here and thrown again once the module has returned.
struct drawing {
  const std::function<void(canvas&)>* draw;
  std::exception_ptr failure;
};

void draw_in_tool(canvas* c, void* context) {
  auto* d = static_cast<drawing*>(context);
  if (d->failure) return;
  try {
    (*d->draw)(*c);
  } catch (...) {
    d->failure = std::current_exception();
  }
}

}  // namespace

bool cairo_can_write(cairo_format f) { return (module().formats() & (f == cairo_format::png ? 1 : 2)) != 0; }

void draw_with_cairo(cairo_format f, double width, double height, const std::function<void(canvas&)>& draw,
                     byte_sink& out) {
  drawing d{&draw, nullptr};
  std::string bytes;
  std::string why;
  const int status = module().draw(f == cairo_format::png ? 0 : 1, width, height, draw_in_tool, &d, &bytes, &why);
  if (d.failure) std::rethrow_exception(d.failure);
  switch (status) {
    case scenario_tool_map_drawn:
      out.write(bytes);
      return;
    case scenario_tool_map_no_memory:
      throw std::bad_alloc();
    default:
      throw std::runtime_error(why);
  }
}

}  // namespace scen::tool
