// The cairo module's entry points (see cairo_module.h).
#include <exception>
#include <new>

#include "canvas/cairo_module.h"
#include "canvas/canvas_cairo.h"

namespace {

class string_bytes final : public scen::byte_sink {
 public:
  explicit string_bytes(std::string& out) : out_(out) {}
  void write(std::string_view bytes) override { out_.append(bytes); }

 private:
  std::string& out_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int scenario_tool_draw_with_cairo(
    int format, double width, double height, void (*draw)(scen::tool::canvas*, void*), void* context, std::string* out,
    std::string* why) {
  using namespace scen::tool;
  try {
    string_bytes sink(*out);
    draw_with_cairo(
        format == 0 ? cairo_format::png : cairo_format::pdf, width, height, [&](canvas& c) { draw(&c, context); },
        sink);
    return scenario_tool_map_drawn;
  } catch (const std::bad_alloc&) {
    return scenario_tool_map_no_memory;
  } catch (const std::exception& e) {
    *why = e.what();
  }
  return scenario_tool_map_failed;
}

extern "C" __attribute__((visibility("default"))) int scenario_tool_cairo_formats() {
  using namespace scen::tool;
  return (cairo_can_write(cairo_format::png) ? 1 : 0) | (cairo_can_write(cairo_format::pdf) ? 2 : 0);
}
