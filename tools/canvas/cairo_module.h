// The boundary between scenario-tool and its cairo module. Cairo and
// fontconfig (with the twenty-odd libraries they pull in) are needed only to
// draw a PNG or PDF map; the tool loads them with the module when it draws
// one, so that every other command starts without them.
//
// Both sides are built together, by the same compiler from the same
// headers, so the canvas behind the entry's pointers is laid out alike on
// both sides. No exception crosses in either direction: the module hands
// back a status and the reason as text, and the tool's drawing callback
// keeps what it throws until the module has returned.
#pragma once

#include <string>

#include "canvas/canvas.h"

// The module's file name, beside the tool.
#ifndef SCENARIO_CAIRO_MODULE
#define SCENARIO_CAIRO_MODULE "scenario_tool_cairo.so"
#endif

// What the entry hands back.
enum scenario_tool_drawn : int {
  scenario_tool_map_drawn = 0,
  scenario_tool_map_failed = 1,
  scenario_tool_map_no_memory = 2,
};

// The entry looked up by name in the module: a page of `width` x `height`
// in `format` (0 PNG, 1 PDF), drawn by `draw(canvas, context)`, its bytes
// appended to `out`. When it fails, `why` says what went wrong.
extern "C" int scenario_tool_draw_with_cairo(int format, double width, double height,
                                             void (*draw)(scen::tool::canvas*, void*), void* context, std::string* out,
                                             std::string* why);
using scenario_tool_draw_with_cairo_fn = decltype(&scenario_tool_draw_with_cairo);

// The formats this module's cairo writes: bit 0 PNG, bit 1 PDF.
extern "C" int scenario_tool_cairo_formats();
using scenario_tool_cairo_formats_fn = decltype(&scenario_tool_cairo_formats);
