#include <algorithm>

#include "platform/folder.h"

// What the folder and the set make of the system's steps (stage, replace,
// discard), the same on every system.
namespace scen {

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
  const staged_file file = dove_.stage(nome, produci, reach::cache);
  try {
    dove_.replace(std::span(&file, 1), reach::cache);
  } catch (...) {
    dove_.discard(file);
    throw;
  }
}

file_set::~file_set() {
  for (const staged_file& f : file_) dove_.discard(f);
}

void file_set::write(std::string_view nome, std::string_view byte) {
  write_in_pieces(nome, [byte](byte_sink& f) { f.write(byte); });
}

void file_set::write_in_pieces(std::string_view nome, const std::function<void(byte_sink&)>& produci) {
  staged_file nuovo = dove_.stage(nome, produci);
  const auto stesso = std::find_if(file_.begin(), file_.end(), [&](const staged_file& f) { return f.nome == nome; });
  if (stesso != file_.end()) {
    dove_.discard(*stesso);
    file_.erase(stesso);
  }
  file_.push_back(std::move(nuovo));
}

void file_set::commit() {
  std::vector<staged_file> file = std::move(file_);
  file_.clear();
  try {
    dove_.replace(file);
  } catch (...) {
    // What was not renamed stays a temporary: remove it.
    for (const staged_file& f : file) dove_.discard(f);
    throw;
  }
}

}  // namespace scen
