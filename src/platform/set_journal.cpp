// A set of files replaced as one transaction, the same on every system: the
// design of a database's rollback journal, for renames.
//
// The journal, ".scenario.journal" in the folder, is a small text file:
//
//   scenario set journal 1
//   undo                      (only once an undo has begun)
//   file <TAB> final name <TAB> temporary <TAB> backup (empty: no earlier file)
//   ...
//   end
//
// It reaches the disk (written under a temporary name, flushed, renamed,
// the folder flushed) before the first backup is made, and the backups
// reach it before the first rename. Whatever ends the process after that,
// the journal tells the next run what to do:
// - a temporary it names still exists: that file never got its final name,
//   so the set is undone: each renamed file's backup goes back over it (a
//   file that had no predecessor is removed), and the journal goes;
// - no temporary exists any more: every new file is in place, and only the
//   backups and the journal are left to remove.
// An undo first marks the journal ("undo", the journal rewritten whole), so
// that a repair cut short goes on undoing even once it has removed the
// temporaries; the journal goes last, after the leftovers.
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/folder.h"
#include "platform/folder_system.h"
#include "platform/path_text.h"
#include "platform/temporary_name.h"

namespace scen {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view journal_header = "scenario set journal 1";
constexpr std::string_view journal_end = "end";
// Only a file of this size or less is read as a journal.
constexpr std::size_t journal_limit = 64 * 1024;

// One file of the set.
struct entry {
  std::string name;       // final name
  std::string temporary;  // the new file, until renamed
  std::string backup;     // second name of the earlier file; empty when there was none
};

constexpr std::string_view undo_mark = "undo";

// What a journal holds: the set's files, and whether an undo has begun.
struct journal {
  std::vector<entry> entries;
  bool undoing = false;
};

std::string journal_text(const journal& j) {
  std::string t(journal_header);
  t += '\n';
  if (j.undoing) {
    t += undo_mark;
    t += '\n';
  }
  const std::vector<entry>& entries = j.entries;
  for (const entry& e : entries) t += "file\t" + e.name + '\t' + e.temporary + '\t' + e.backup + '\n';
  t += journal_end;
  t += '\n';
  return t;
}

// A name a journal may hold: one name of the folder, nothing that leads
// out of it or breaks a line.
bool plain_name(std::string_view n) {
  if (n.empty() || n == "." || n == "..") return false;
  return std::none_of(n.begin(), n.end(), [](char c) {
    return c == '/' || c == '\\' || c == '\t' || c == '\n' || c == '\r' || c == '\0' || c == ':';
  });
}

// A temporary or backup name this program makes for `owner`.
bool our_temporary_of(std::string_view n, std::string_view owner) {
  const std::string prefix = temporary_name_of(owner, "");
  return n.starts_with(prefix) && is_our_temporary_suffix(n.substr(prefix.size()));
}

std::vector<std::string_view> split(std::string_view line, char sep) {
  std::vector<std::string_view> parts;
  for (;;) {
    const auto at = line.find(sep);
    parts.push_back(line.substr(0, at));
    if (at == std::string_view::npos) return parts;
    line.remove_prefix(at + 1);
  }
}

// The journal's entries; throws platform_error naming the journal when it
// is not one this program wrote whole. A planted journal cannot make a
// repair touch anything but the set's own names and their temporaries.
journal parse_journal(const std::string& text, const fs::path& file) {
  const auto bad = [&](const std::string& why) {
    return platform_error(
        file, "is not a journal of this program (" + why + "); look at it, then remove it to let runs go on");
  };
  std::vector<std::string_view> lines = split(text, '\n');
  if (lines.size() < 3 || lines.front() != journal_header)
    throw bad("its first line is not \"" + std::string(journal_header) + "\"");
  if (!lines.back().empty() || lines[lines.size() - 2] != journal_end) throw bad("it does not end with \"end\"");
  journal j;
  std::vector<entry>& entries = j.entries;
  std::size_t first = 1;
  if (lines[1] == undo_mark) {
    j.undoing = true;
    first = 2;
  }
  for (std::size_t i = first; i + 2 < lines.size(); ++i) {
    const auto f = split(lines[i], '\t');
    if (f.size() != 4 || f[0] != "file") throw bad("line " + std::to_string(i + 1) + " is not a file line");
    entry e{std::string(f[1]), std::string(f[2]), std::string(f[3])};
    if (!plain_name(e.name) || !our_temporary_of(e.temporary, e.name) ||
        (!e.backup.empty() && !our_temporary_of(e.backup, e.name))) {
      throw bad("line " + std::to_string(i + 1) + " names files that are not the set's own");
    }
    entries.push_back(std::move(e));
  }
  if (entries.empty()) throw bad("it names no file");
  return j;
}

std::string listed(const std::vector<std::string>& names) {
  std::string s;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) s += i + 1 == names.size() ? " and " : ", ";
    s += names[i];
  }
  return s;
}

// Test seams, read from the environment at each replacement so that tests
// of whole processes reach them on every system: the Nth rename of a set
// fails (SCENARIO_TEST_FAIL_RENAME=N), the Nth rename that puts an earlier
// file back fails (SCENARIO_TEST_FAIL_UNDO=N), every rename of a set waits
// M milliseconds first (SCENARIO_TEST_RENAME_PAUSE_MS=M, to widen the
// window a kill can fall into), the process ends at once, as a kill ends
// it, after the Kth step of a replacement or a repair
// (SCENARIO_TEST_CRASH_AT=K; the steps: the journal on disk, each backup,
// the backups on disk, each rename, the renames on disk, each backup
// removed, the journal removed; in a repair each file put back or removed,
// the folder flushed, the journal removed). Unset, they cost a getenv each.
int seam(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return 0;
  char* end = nullptr;
  const long n = std::strtol(v, &end, 10);
  return *end == '\0' && n > 0 && n < 1000000 ? static_cast<int>(n) : 0;
}

struct seams {
  int fail_rename = seam("SCENARIO_TEST_FAIL_RENAME");
  int fail_undo = seam("SCENARIO_TEST_FAIL_UNDO");
  int pause_ms = seam("SCENARIO_TEST_RENAME_PAUSE_MS");
  int crash_at = seam("SCENARIO_TEST_CRASH_AT");
};

// The exit status of a process ended by SCENARIO_TEST_CRASH_AT.
constexpr int crash_status = 86;

// A rename of the set, through the seams.
void rename_step(const fs::path& from, const fs::path& to, int pause_ms, bool fail) {
  if (pause_ms > 0) sys::pause_for(pause_ms);
  if (fail) throw platform_error(to, "input/output error (a failure made by SCENARIO_TEST_FAIL_RENAME)");
  sys::rename_over(from, to);
}

std::vector<std::string> names_of(const std::vector<entry>& entries) {
  std::vector<std::string> n;
  for (const entry& e : entries) n.push_back(e.name);
  return n;
}

// True when every new file has its final name: no undo has begun, and no
// temporary is left.
bool new_files_in_place(const folder& dir, const journal& j) {
  return !j.undoing && std::none_of(j.entries.begin(), j.entries.end(),
                                    [&](const entry& e) { return sys::regular_file_at(dir.path_of(e.temporary)); });
}

// The steps of one replacement in a folder, and of the repair of one.
class transaction {
 public:
  transaction(folder& dir, journal j) : dir_(dir), journal_(std::move(j)) {}

  // One step done: where SCENARIO_TEST_CRASH_AT says, the process ends as if killed.
  void step() {
    if (++steps_ == seams_.crash_at) std::_Exit(crash_status);
  }

  fs::path at(const std::string& name) const { return dir_.path_of(name); }
  fs::path journal_path() const { return dir_.path_of(folder::journal_name); }

  void write_journal() {
    const std::string text = journal_text(journal_);
    const staged_file staged = dir_.stage(folder::journal_name, [&](byte_sink& s) { s.write(text); });
    try {
      dir_.replace(std::span(&staged, 1));
    } catch (...) {
      dir_.discard(staged);
      throw;
    }
    step();
  }

  // The second names of the earlier files. On failure nothing of the set is
  // left but its temporaries (which the caller discards).
  void make_backups() {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      entry& e = entries_[i];
      if (e.backup.empty()) continue;
      try {
        make_backup(e);
        step();
      } catch (const platform_error& failed) {
        for (std::size_t k = 0; k < i; ++k) sys::remove_file(at(entries_[k].backup));
        sys::remove_file(journal_path());
        throw platform_error(failed.file(),
                             failed.reason() + "; nothing was replaced: the folder keeps its earlier files");
      }
    }
    sys::flush_folder(dir_.base());
    step();
  }

  // Renames the files in order; a failure puts the earlier files back.
  void rename_all() {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      const entry& e = entries_[i];
      try {
        rename_step(at(e.temporary), at(e.name), seams_.pause_ms, static_cast<int>(i) + 1 == seams_.fail_rename);
      } catch (const platform_error& failed) {
        undo_after_failure(failed, i);
      }
      sys::keep_at_ending(at(e.temporary));
      step();
    }
    sys::flush_folder(dir_.base());
    step();
  }

  // Once the new names are on disk: the backups and the journal go. What
  // cannot be removed is left to the next run's repair, which finds every
  // new file in place.
  void finish() {
    for (const entry& e : entries_) {
      if (e.backup.empty()) continue;
      sys::remove_file(at(e.backup));
      step();
    }
    sys::remove_file(journal_path());
    step();
  }

  bool new_files_in_place() const { return scen::new_files_in_place(dir_, journal_); }
  // True when a failure left the journal for the next run's repair.
  bool journal_stays() const { return journal_stays_; }

  // The earlier file back at each name whose new file was renamed; then the
  // journal goes, then the leftovers. Throws platform_error when a step
  // fails, leaving the journal.
  void undo() {
    if (!journal_.undoing) {
      journal_.undoing = true;
      write_journal();
    }
    int renames = 0;
    for (auto e = entries_.rbegin(); e != entries_.rend(); ++e) {
      if (sys::regular_file_at(at(e->temporary))) continue;  // never renamed
      if (e->backup.empty()) {
        if (!sys::remove_file(at(e->name))) throw platform_error(at(e->name), "cannot be removed");
      } else if (sys::regular_file_at(at(e->backup))) {
        ++renames;
        if (renames == seams_.fail_undo) {
          throw platform_error(at(e->name), "input/output error (a failure made by SCENARIO_TEST_FAIL_UNDO)");
        }
        sys::rename_over(at(e->backup), at(e->name));
      }
      // A backup already gone was put back by an earlier repair.
      step();
    }
    sys::flush_folder(dir_.base());
    step();
    for (const entry& e : entries_) {
      sys::remove_file(at(e.temporary));
      if (!e.backup.empty()) sys::remove_file(at(e.backup));
      sys::keep_at_ending(at(e.temporary));
    }
    step();
    if (!sys::remove_file(journal_path())) throw platform_error(journal_path(), "cannot be removed");
    step();
  }

  std::vector<std::string> names() const { return names_of(entries_); }

 private:
  void make_backup(entry& e) {
    const fs::path earlier = at(e.name);
    if (sys::hard_link(earlier, at(e.backup))) return;
    // No links on this file system: a copy of the earlier file, on disk.
    const std::optional<std::string> byte = dir_.read(e.name);
    if (!byte) throw platform_error(earlier, "disappeared while the set was replaced");
    const staged_file copy = dir_.stage(e.name, [&](byte_sink& s) { s.write(*byte); });
    try {
      sys::rename_over(copy.temporary, at(e.backup));
    } catch (...) {
      dir_.discard(copy);
      throw;
    }
    sys::keep_at_ending(copy.temporary);
  }

  [[noreturn]] void undo_after_failure(const platform_error& failed, std::size_t renamed) {
    try {
      undo();
    } catch (const platform_error& undo_failed) {
      journal_stays_ = true;
      std::vector<std::string> fresh;
      for (std::size_t k = 0; k < renamed; ++k) fresh.push_back(entries_[k].name);
      throw platform_error(failed.file(), failed.reason() + "; putting the earlier files back failed too (" +
                                              undo_failed.what() + "): the folder holds a mixed set (new " +
                                              listed(fresh) + ") until the next run repairs it from " +
                                              std::string(folder::journal_name));
    }
    throw platform_error(failed.file(),
                         failed.reason() + "; nothing was replaced: the earlier files were put back in place");
  }

  folder& dir_;
  journal journal_;
  std::vector<entry>& entries_ = journal_.entries;
  seams seams_;
  int steps_ = 0;
  bool journal_stays_ = false;
};

}  // namespace

std::string interrupted_set::text(bool done) const {
  if (new_files_in_place) {
    return std::string(done ? "completed" : "to complete") + " an interrupted replacement of " + listed(names) +
           (done ? ": the folder holds the new files" : ": every new file is in place");
  }
  return std::string(done ? "undid" : "to undo") + " an interrupted replacement of " + listed(names) +
         (done ? ": the folder holds the earlier files again" : ": the folder holds a mixed set until then");
}

void folder::replace_together(std::span<const staged_file> files) {
  const sys::endings_held held;
  std::optional<transaction> t;
  try {
    // One file is replaced at once by its rename alone.
    if (files.size() < 2) {
      replace(files);
      return;
    }
    std::vector<entry> entries;
    for (const staged_file& f : files) {
      const fs::path final_path = path_of(f.name);
      if (const auto why = sys::why_not_replaceable(final_path)) {
        throw platform_error(final_path, *why + "; nothing was replaced: the folder keeps its earlier files");
      }
      if (!plain_name(f.name)) throw platform_error(final_path, "cannot be named in a journal");
      std::string backup;
      if (sys::regular_file_at(final_path)) backup = temporary_name_of(f.name, sys::random_suffix());
      entries.push_back({f.name, utf8_of(f.temporary.filename()), std::move(backup)});
    }
    t.emplace(*this, journal{std::move(entries), false});
    t->write_journal();
    t->make_backups();
    t->rename_all();
  } catch (...) {
    // The temporaries a journal left for the repair are its evidence: they
    // stay, even through an interrupt. Otherwise none may stay.
    for (const staged_file& f : files) {
      if (t && t->journal_stays()) {
        sys::keep_at_ending(f.temporary);
      } else {
        discard(f);
      }
    }
    throw;
  }
  t->finish();
}

std::optional<interrupted_set> folder::interrupted() const {
  const std::optional<std::string> text = read(journal_name, journal_limit);
  if (!text) return std::nullopt;
  const journal j = parse_journal(*text, path_of(journal_name));
  return interrupted_set{names_of(j.entries), new_files_in_place(*this, j)};
}

std::optional<interrupted_set> folder::repair_interrupted_set() {
  const std::optional<std::string> text = read(journal_name, journal_limit);
  if (!text) return std::nullopt;
  const sys::endings_held held;
  transaction t(*this, parse_journal(*text, path_of(journal_name)));
  interrupted_set found{t.names(), t.new_files_in_place()};
  try {
    if (found.new_files_in_place) {
      t.finish();
    } else {
      t.undo();
    }
  } catch (const platform_error& failed) {
    throw platform_error(failed.file(), failed.reason() + "; an interrupted replacement of " + listed(found.names) +
                                            " could not be " + (found.new_files_in_place ? "completed" : "undone") +
                                            ": its journal " + std::string(journal_name) + " stays for the next run");
  }
  return found;
}

std::vector<std::string> folder::names_in_journal() const {
  std::vector<std::string> names;
  try {
    const std::optional<std::string> text = read(journal_name, journal_limit);
    if (!text) return names;
    for (const entry& e : parse_journal(*text, path_of(journal_name)).entries) {
      names.push_back(e.temporary);
      if (!e.backup.empty()) names.push_back(e.backup);
    }
  } catch (const platform_error&) {
    // A journal that cannot be read spares every temporary: nothing is removed.
    names.push_back("*");
  }
  return names;
}

}  // namespace scen
