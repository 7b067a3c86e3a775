// Files the tool writes for an author (a map, a comparison page): each in a
// folder created when missing, whole or not at all.
#pragma once

#include <filesystem>
#include <functional>
#include <ostream>

#include "platform/folder.h"

namespace scen::tool {

// The folder a command writes into, created when missing.
void prepare_folder(const std::filesystem::path& dir);

// Repairs what a replacement of a set that did not end left in `dir` (the
// caller holds the folder's lock) and says on `err` what it did.
void repair_interrupted_set(folder& dir, std::ostream& err);

// Writes `file` (its folder created when missing) from what `produce` hands
// to the sink, whole or not at all.
void write_output_file(const std::filesystem::path& file, const std::function<void(byte_sink&)>& produce);

}  // namespace scen::tool
