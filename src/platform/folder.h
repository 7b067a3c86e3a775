// The folder a run reads and writes: the program's own folder for the main
// program, any folder for the tool. Every file is written whole under a
// temporary name in the same folder and renamed over its final name, so a
// final name never holds a half-written file or bytes of an earlier run.
//
// A temporary is created exclusively under an unpredictable name and never
// through a link: whatever stands at a name the run picks (a link, a pipe, a
// folder, another process's file) is left alone and another name is taken.
// Each file reaches the disk before its rename, and the folder after it, so
// that a completed run survives a power loss.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform_error.h"

namespace scen {

// Receives the bytes of one file piece by piece, in order.
class byte_sink {
 public:
  virtual ~byte_sink() = default;
  virtual void write(std::string_view byte) = 0;
};

// Where whole files can be written: a folder, where each file replaces its
// predecessor at once, or a file_set, whose files replace theirs together.
class file_writer {
 public:
  virtual ~file_writer() = default;
  // Replaces the file `name` with exactly `byte`.
  virtual void write(std::string_view name, std::string_view byte) = 0;
  // Replaces the file `name` with the bytes that `produce` hands to the
  // stream, piece by piece, so that a large file is never whole in memory.
  virtual void write_in_pieces(std::string_view name, const std::function<void(byte_sink&)>& produce) = 0;
};

// How far a replacement reaches: the disk, before the call returns, or only
// the system's cache, for a working file that the run deletes again before
// it ends (flushing it would cost the run time and protect nothing).
enum class reach : std::uint8_t { disk, cache };

// What a replacement of a set that did not end left in the folder.
struct interrupted_set {
  std::vector<std::string> names;  // the set's final names, in order
  // True when every new file had its final name (the repair completes the
  // replacement), false when some had not (the repair puts back the
  // earlier files).
  bool new_files_in_place = false;
  // The user's words for the repair, "done" or only "to do".
  std::string text(bool done) const;
};

// A complete file under its temporary name, waiting to be renamed.
struct staged_file {
  std::string name;                 // the final name in the folder
  std::filesystem::path temporary;  // full path of the temporary
};

// A file being written under a temporary name of its folder: created by
// folder::create_temporary, handed its bytes in order through `sink()` (by
// one thread at a time, which need not be the one that created it), then
// closed by `finish`, ready to be renamed. One destroyed unfinished, or whose
// `finish` fails, removes its temporary.
class temporary_file {
 public:
  struct state;  // each system's own: the open file and its names

  explicit temporary_file(std::unique_ptr<state> s);
  temporary_file(temporary_file&&) noexcept;
  temporary_file& operator=(temporary_file&&) noexcept;
  ~temporary_file();

  byte_sink& sink();
  // Flushes the file to disk (when it was created to reach it) and closes
  // it; throws platform_error when either fails.
  staged_file finish();

 private:
  std::unique_ptr<state> s_;
};

class folder : public file_writer {
 public:
  explicit folder(std::filesystem::path base);

  const std::filesystem::path& base() const { return base_; }
  std::filesystem::path path_of(std::string_view name) const;

  // The final name gets the file only once it is complete and on disk; when
  // a write fails, or `produce` throws, the old file stays as it was and no
  // temporary file is left.
  void write(std::string_view name, std::string_view byte) override;
  void write_in_pieces(std::string_view name, const std::function<void(byte_sink&)>& produce) override;
  // True when `name` is a regular file of the folder, false when there is
  // nothing (or something else) under that name. Throws platform_error when
  // the folder cannot tell.
  bool exists(std::string_view name) const;
  // The whole file, or nothing when it does not exist. Throws
  // platform_error when it exists but cannot be read, or when it is
  // larger than `limit` bytes.
  std::optional<std::string> read(std::string_view name, std::size_t limit = static_cast<std::size_t>(-1)) const;
  // Deletes `name` when it exists; throws platform_error when it cannot.
  void remove(std::string_view name);

  // The steps of a replacement, for file_set. `stage` writes the complete
  // file under a fresh temporary name and flushes it to disk; on failure it
  // leaves nothing. `replace` renames each temporary over its final name, in
  // order, then flushes the folder; Ctrl+C and termination requests wait
  // until it is done, so that they never split a set. `discard` removes a
  // temporary that will not be renamed, quietly.
  // With reach::cache neither flushes anything.
  staged_file stage(std::string_view name, const std::function<void(byte_sink&)>& produce, reach how_far = reach::disk);
  // The first step of `stage` alone: a fresh temporary for `name`, created
  // and noted for removal on Ctrl+C or termination before this returns.
  // With reach::disk its bytes start on their way to the disk as they come,
  // so that the flush at the end waits for little more than the last ones.
  temporary_file create_temporary(std::string_view name, reach how_far = reach::disk);
  void replace(std::span<const staged_file> files, reach how_far = reach::disk);
  void discard(const staged_file& file) noexcept;

  // Renames the temporaries over their final names as one transaction, so
  // that the folder holds either every earlier file or every new one, even
  // when a rename fails or the process dies part way (see set_journal.cpp):
  // - first every final name is checked for whether it can be replaced
  //   (a file open in another program, read-only, immutable): if one
  //   cannot, nothing is touched;
  // - then a journal naming each file, its temporary and a backup of the
  //   earlier file reaches the disk, and the backups are made (second names
  //   of the earlier files, copies where the file system has no links);
  // - the renames follow; one that fails puts the earlier files back;
  // - the journal and the backups go once the new names are on disk.
  // A failure throws platform_error saying what the folder holds, and
  // removes the temporaries. When even putting back fails, the journal and
  // the temporaries it names stay for `repair_interrupted_set`.
  void replace_together(std::span<const staged_file> files);

  static constexpr std::string_view journal_name = ".scenario.journal";
  // The state a replacement left that did not end (the process was killed,
  // the power cut, putting back failed), and what its repair does. Nothing
  // when the folder holds no journal. Changes nothing; throws
  // platform_error when the journal cannot be read or is not one of ours.
  std::optional<interrupted_set> interrupted() const;
  // Finishes that replacement: completes it when every new file had its
  // final name, undoes it otherwise, and removes the journal. Call it under
  // the folder's lock. Throws platform_error, leaving the journal, when a
  // step fails.
  std::optional<interrupted_set> repair_interrupted_set();

  // Removes the temporaries that runs which ended without cleaning up left
  // behind: only names a run makes for one of `names` (".NAME.tmp-" and its
  // suffix), only regular files, only those untouched for at least `age`,
  // never one that a journal names.
  // Returns the names removed; what cannot be removed is left quietly.
  std::vector<std::string> remove_stale_temporaries(std::span<const std::string> names, std::chrono::seconds age);

  // Test seams. The next writes fail once they have written `n` bytes of a
  // file (counted over all its pieces), as a full disk would; with `only`,
  // only the writes of that file. Nothing by default.
  void fail_after_bytes(std::optional<std::size_t> n, std::string only = {}) {
    fail_after_ = n;
    fail_only_ = std::move(only);
  }
  // Reads of `name` fail as a failing disk fails them (an input/output
  // error); empty: none.
  void fail_reads_of(std::string name) { failing_reads_ = std::move(name); }
  // The suffixes of temporary names come from `source` instead of the
  // system's random source, so that a test can put things in their way.
  void temporary_names_from(std::function<std::string()> source) { name_source_ = std::move(source); }

 private:
  // The temporaries and backups a journal in the folder names ("*" when a
  // journal is there but cannot be read: every temporary is spared).
  std::vector<std::string> names_in_journal() const;

  std::filesystem::path base_;
  std::optional<std::size_t> fail_after_;
  std::string fail_only_;
  std::string failing_reads_;
  std::function<std::string()> name_source_;
};

// Files that replace their predecessors together: each is written whole
// under a temporary name as it comes, and `commit` renames them all. Until
// then the folder keeps its earlier files untouched; a set destroyed without
// a commit (a failure, an exception) removes its temporaries.
class file_set final : public file_writer {
 public:
  explicit file_set(folder& dir) : dir_(dir) {}
  ~file_set() override;
  file_set(const file_set&) = delete;
  file_set& operator=(const file_set&) = delete;

  // A name written twice keeps its second content.
  void write(std::string_view name, std::string_view byte) override;
  void write_in_pieces(std::string_view name, const std::function<void(byte_sink&)>& produce) override;
  // A file staged elsewhere (see folder::create_temporary) joins the set as
  // if written now; the set removes it unless committed.
  void add(staged_file file);
  folder& dir() { return dir_; }
  // Renames every file written, in the order written, as one transaction
  // (folder::replace_together); the set is empty after.
  void commit();

 private:
  folder& dir_;
  std::vector<staged_file> files_;
};

// A run's working files (the sources it writes, reads back and deletes):
// each replaces its predecessor at once and whole, as in a folder, but is
// never flushed to disk. None outlives the run that can still run code: an
// interrupt or a termination request removes them, and so does the
// destructor, on every other way out (an error, an exception, running out
// of memory). Only a crash or a kill can leave one behind, stale or empty;
// the next run writes it again before reading it.
class working_files final : public file_writer {
 public:
  explicit working_files(folder& dir) : dir_(dir) {}
  ~working_files() override;
  working_files(const working_files&) = delete;
  working_files& operator=(const working_files&) = delete;
  void write(std::string_view name, std::string_view byte) override;
  void write_in_pieces(std::string_view name, const std::function<void(byte_sink&)>& produce) override;

 private:
  folder& dir_;
  std::vector<std::string> written_;
};

// The folder that holds the running executable.
std::filesystem::path program_folder();

}  // namespace scen
