#include <algorithm>

#include "platform/folder.h"

// What the folder and the set make of the system's steps (stage, replace,
// discard), the same on every system.
namespace scen {

staged_file folder::stage(std::string_view nome, const std::function<void(byte_sink&)>& produci, reach fino) {
  temporary_file file = create_temporary(nome, fino);
  produci(file.sink());
  return file.finish();
}

void folder::write(std::string_view nome, std::string_view byte) {
  write_in_pieces(nome, [byte](byte_sink& f) { f.write(byte); });
}

void folder::write_in_pieces(std::string_view nome, const std::function<void(byte_sink&)>& produci) {
  file_set uno(*this);
  uno.write_in_pieces(nome, produci);
  uno.commit();
}

void working_files::write(std::string_view nome, std::string_view byte) {
  write_in_pieces(nome, [byte](byte_sink& f) { f.write(byte); });
}

void working_files::write_in_pieces(std::string_view nome, const std::function<void(byte_sink&)>& produci) {
  const staged_file file = dir_.stage(nome, produci, reach::cache);
  try {
    dir_.replace(std::span(&file, 1), reach::cache);
  } catch (...) {
    dir_.discard(file);
    throw;
  }
}

file_set::~file_set() {
  for (const staged_file& f : file_) dir_.discard(f);
}

void file_set::write(std::string_view nome, std::string_view byte) {
  write_in_pieces(nome, [byte](byte_sink& f) { f.write(byte); });
}

void file_set::write_in_pieces(std::string_view nome, const std::function<void(byte_sink&)>& produci) {
  add(dir_.stage(nome, produci));
}

void file_set::add(staged_file nuovo) {
  const auto stesso =
      std::find_if(file_.begin(), file_.end(), [&](const staged_file& f) { return f.nome == nuovo.nome; });
  if (stesso != file_.end()) {
    dir_.discard(*stesso);
    file_.erase(stesso);
  }
  try {
    file_.push_back(std::move(nuovo));
  } catch (...) {
    dir_.discard(nuovo);
    throw;
  }
}

void file_set::commit() {
  std::vector<staged_file> file = std::move(file_);
  file_.clear();
  try {
    dir_.replace(file);
  } catch (...) {
    // What was not renamed stays a temporary: remove it.
    for (const staged_file& f : file) dir_.discard(f);
    throw;
  }
}

}  // namespace scen
