// The few steps of the system that replacing a set of files needs, under the
// same names on every system (posix/folder.cpp, win32/folder.cpp). Internal
// to the platform layer: the set's design, its journal and its repair, is
// written once on top of them (set_journal.cpp).
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace scen::sys {

// Renames `from` over `to`, replacing a regular file there. Throws
// platform_error naming `to` and the reason when it cannot.
void rename_over(const std::filesystem::path& from, const std::filesystem::path& to);

// Makes `link` a second name of the regular file `existing`. False when the
// folder's file system has no hard links (the caller copies instead);
// throws platform_error naming `existing` for any other failure.
bool hard_link(const std::filesystem::path& existing, const std::filesystem::path& link);

// The renames, links and removals made in `dir` reach the disk.
void flush_folder(const std::filesystem::path& dir);

// Why the file at `file` could not be replaced by a rename now, in a user's
// words ("is open in another program", "is read-only", "is immutable"), or
// nothing when it can (or when nothing is there).
std::optional<std::string> why_not_replaceable(const std::filesystem::path& file);

// True when a regular file stands at `file`, without following a link.
bool regular_file_at(const std::filesystem::path& file);

// Removes the file; true when it is gone afterwards (or was never there).
bool remove_file(const std::filesystem::path& file) noexcept;

// 64 bits from the system's random source, as 16 hex digits.
std::string random_suffix();

// Waits `ms` milliseconds (a test seam's pause).
void pause_for(int ms);

// Interrupts and termination requests wait while one lives (nested ones
// too), and the file noted with `remove_at_ending` is removed if the
// process is ended by one.
class endings_held {
 public:
  endings_held();
  ~endings_held();
  endings_held(const endings_held&) = delete;
  endings_held& operator=(const endings_held&) = delete;

 private:
  struct state;
  std::unique_ptr<state> s_;
};
void remove_at_ending(const std::filesystem::path& file);
void keep_at_ending(const std::filesystem::path& file);

}  // namespace scen::sys
