// The drawing module's entry point (see map_module.h).
#include <exception>
#include <new>

#include "map_module.h"

extern "C" __attribute__((visibility("default"))) int scenario_tool_draw_map(const scen::tool::dati_mappa* d,
                                                                             scen::tool::formato_mappa formato,
                                                                             std::string* out, std::string* why) {
  try {
    *out = scen::tool::disegna_mappa(*d, formato);
    return scenario_tool_map_drawn;
  } catch (const std::bad_alloc&) {
    return scenario_tool_map_no_memory;
  } catch (const std::exception& e) {
    *why = e.what();
  }
  return scenario_tool_map_failed;
}
