// The boundary between scenario-tool and its drawing module. Cairo and
// fontconfig (with the twenty-odd libraries they pull in) are needed only to
// draw a map; the tool loads them with the module when a map is drawn, so
// that every other command starts without them.
//
// Both sides are built together, by the same compiler from the same
// headers, so the objects behind the entry's pointers are laid out alike on
// both sides. No exception crosses: the module carries its own C++ runtime,
// catches what it throws and hands back a status and the reason as text.
#pragma once

#include <string>

#include "mappa.h"

// The module's file name, beside the tool.
#ifndef SCENARIO_MAP_MODULE
#define SCENARIO_MAP_MODULE "scenario_tool_cairo.so"
#endif

// What the entry hands back.
enum scenario_tool_drawn : int {
  scenario_tool_map_drawn = 0,
  scenario_tool_map_failed = 1,
  scenario_tool_map_no_memory = 2,
};

// The entry looked up by name in the module: draws `d` in `formato` into
// `out`. When it fails, `why` says what went wrong.
extern "C" int scenario_tool_draw_map(const scen::tool::dati_mappa* d, scen::tool::formato_mappa formato,
                                       std::string* out, std::string* why);
using scenario_tool_draw_map_fn = decltype(&scenario_tool_draw_map);
