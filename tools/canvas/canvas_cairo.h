// The cairo backend: PNG, and PDF where cairo has it. Built only with
// cairo (SCENARIO_WITH_CAIRO); it depends on nothing of the map but the
// canvas interface, so that it can live in a module of its own.
#pragma once

#include <functional>

#include "canvas/canvas.h"
#include "platform/folder.h"

namespace scen::tool {

enum class cairo_format { png, pdf };

// True when this build can write `f`.
bool cairo_can_write(cairo_format f);

// Makes a page of the given size, hands it to `draw`, then writes it to
// `out` in format `f`. Raises std::runtime_error when cairo fails.
void draw_with_cairo(cairo_format f, double width, double height, const std::function<void(canvas&)>& draw,
                     byte_sink& out);

}  // namespace scen::tool
