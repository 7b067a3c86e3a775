// Files the tool writes for an author (a map, a comparison page): each in a
// folder created when missing, whole or not at all.
#pragma once

#include <filesystem>
#include <functional>

#include "platform/folder.h"

namespace scen::tool {

// The folder a command writes into, created when missing.
void prepare_folder(const std::filesystem::path& dir);

// Writes `file` (its folder created when missing) from what `produce` hands
// to the sink, whole or not at all.
void write_output_file(const std::filesystem::path& file, const std::function<void(byte_sink&)>& produce);

}  // namespace scen::tool
