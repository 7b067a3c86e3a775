#include "io/output_file.h"

#include <system_error>

#include "platform/path_text.h"
#include "platform/platform_error.h"

namespace scen::tool {

void prepare_folder(const std::filesystem::path& dir) {
  std::error_code ec;
  if (std::filesystem::is_directory(dir, ec)) return;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw platform_error(dir, ec.message());
}

void repair_interrupted_set(folder& dir, std::ostream& err) {
  if (const auto done = dir.repair_interrupted_set()) {
    err << "scenario-tool: " << utf8_of(dir.base().lexically_normal()) << ": " << done->text(true) << '\n';
  }
}

void write_output_file(const std::filesystem::path& file, const std::function<void(byte_sink&)>& produce) {
  const std::filesystem::path dir = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  prepare_folder(dir);
  folder(dir).write_in_pieces(utf8_of(file.filename()), produce);
}

}  // namespace scen::tool
