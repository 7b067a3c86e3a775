#include <algorithm>

#include "platform/folder.h"
#include "platform/folder_system.h"

// What the folder and the set make of the system's steps (stage, replace,
// discard), the same on every system.
namespace scen {

staged_file folder::stage(std::string_view name, const std::function<void(byte_sink&)>& produce, reach how_far) {
  temporary_file file = create_temporary(name, how_far);
  produce(file.sink());
  return file.finish();
}

void folder::write(std::string_view name, std::string_view byte) {
  write_in_pieces(name, [byte](byte_sink& f) { f.write(byte); });
}

void folder::write_in_pieces(std::string_view name, const std::function<void(byte_sink&)>& produce) {
  file_set one(*this);
  one.write_in_pieces(name, produce);
  one.commit();
}

void working_files::write(std::string_view name, std::string_view byte) {
  write_in_pieces(name, [byte](byte_sink& f) { f.write(byte); });
}

void working_files::write_in_pieces(std::string_view name, const std::function<void(byte_sink&)>& produce) {
  if (std::find(written_.begin(), written_.end(), name) == written_.end()) written_.emplace_back(name);
  const staged_file file = dir_.stage(name, produce, reach::cache);
  // No interrupt between the rename and the note that removes the file at one.
  const sys::endings_held held;
  try {
    dir_.replace(std::span(&file, 1), reach::cache);
  } catch (...) {
    dir_.discard(file);
    throw;
  }
  sys::remove_at_ending(dir_.path_of(name));
}

working_files::~working_files() {
  for (const std::string& name : written_) {
    const auto path = dir_.path_of(name);
    sys::remove_file(path);
    sys::keep_at_ending(path);
  }
}

file_set::~file_set() {
  for (const staged_file& f : files_) dir_.discard(f);
}

void file_set::write(std::string_view name, std::string_view byte) {
  write_in_pieces(name, [byte](byte_sink& f) { f.write(byte); });
}

void file_set::write_in_pieces(std::string_view name, const std::function<void(byte_sink&)>& produce) {
  add(dir_.stage(name, produce));
}

void file_set::add(staged_file added) {
  const auto same =
      std::find_if(files_.begin(), files_.end(), [&](const staged_file& f) { return f.name == added.name; });
  if (same != files_.end()) {
    dir_.discard(*same);
    files_.erase(same);
  }
  try {
    files_.push_back(std::move(added));
  } catch (...) {
    dir_.discard(added);
    throw;
  }
}

void file_set::commit() {
  std::vector<staged_file> files = std::move(files_);
  files_.clear();
  // On failure it removes the temporaries, but those a journal keeps.
  dir_.replace_together(files);
}

}  // namespace scen
