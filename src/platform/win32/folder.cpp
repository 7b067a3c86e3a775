// The folder on Windows: wide-character calls throughout, so that a folder
// whose path holds characters outside the code page (or blanks) works.
#include "platform/folder.h"

#include <windows.h>

#include <algorithm>
#include <random>
#include <utility>

#include "platform/folder_system.h"
#include "platform/temporary_name.h"
#include "platform/win32/cleanup.h"
#include "platform/win32/system_text.h"

namespace scen {
namespace {

// Closes a handle on every way out.
class handle {
 public:
  explicit handle(HANDLE h) : h_(h) {}
  ~handle() { close(); }
  handle(const handle&) = delete;
  handle& operator=(const handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  void reset(HANDLE h) {
    close();
    h_ = h;
  }
  bool close() {
    if (!valid()) return true;
    return ::CloseHandle(std::exchange(h_, INVALID_HANDLE_VALUE)) != 0;
  }

 private:
  HANDLE h_;
};

constexpr DWORD not_regular = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;

// What stands at a name, in words.
std::string what_is_at(const std::filesystem::path& p) {
  const DWORD attr = ::GetFileAttributesW(p.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return "something";
  if ((attr & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return "a link";
  if ((attr & FILE_ATTRIBUTE_DIRECTORY) != 0) return "a folder";
  return "a file";
}

// Why a file could not be replaced or deleted. Windows says "access denied"
// both for a read-only file and for one another program holds open; the
// user needs to know which.
std::string why_not_changed(const std::filesystem::path& file, DWORD code) {
  if (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) return win32::reason(code);
  const DWORD attr = ::GetFileAttributesW(file.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY) != 0) return "the file is read-only";
  handle probe(::CreateFileW(file.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!probe.valid() && ::GetLastError() == ERROR_SHARING_VIOLATION) return win32::reason(ERROR_SHARING_VIOLATION);
  return win32::reason(code);
}

// Another program (an indexer, an antivirus) may hold a file for a moment:
// a replacement that meets such a hold is tried again for a short while.
bool transient(DWORD code) { return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED; }

// The pieces of one file, written to its temporary file as they come.
class file_sink final : public byte_sink {
 public:
  file_sink(HANDLE h, const std::filesystem::path& file, std::optional<std::size_t> fail_after)
      : h_(h), file_(file), fail_after_(fail_after) {}
  void write(std::string_view byte) override {
    while (!byte.empty()) {
      std::size_t amount = byte.size() > 0x1000000 ? 0x1000000 : byte.size();
      if (fail_after_ && written_ + amount > *fail_after_) {
        amount = *fail_after_ - written_;
        if (amount == 0) throw platform_error(file_, win32::reason(ERROR_DISK_FULL));
      }
      DWORD n = 0;
      if (!::WriteFile(h_, byte.data(), static_cast<DWORD>(amount), &n, nullptr)) {
        throw platform_error(file_, win32::reason(::GetLastError()));
      }
      written_ += n;
      byte.remove_prefix(n);
    }
  }

 private:
  HANDLE h_;
  const std::filesystem::path& file_;
  std::optional<std::size_t> fail_after_;
  std::size_t written_ = 0;
};

// Renames `from` over `to`, waiting a little for a program that holds the
// file a moment; WRITE_THROUGH: the rename is on the disk when the call returns.
void rename_with_retries(const std::filesystem::path& from, const std::filesystem::path& to, reach how_far) {
  DWORD code = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 10; ++attempt) {
    const DWORD through = how_far == reach::disk ? MOVEFILE_WRITE_THROUGH : 0;
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | through)) return;
    code = ::GetLastError();
    if (!transient(code)) break;
    const DWORD now = ::GetFileAttributesW(to.c_str());
    if (now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_READONLY) != 0) break;
    ::Sleep(50);
  }
  throw platform_error(to, why_not_changed(to, code));
}

std::filesystem::path utf8_path(std::string_view name) {
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

}  // namespace

folder::folder(std::filesystem::path base) : base_(std::move(base)) {}

// A name is UTF-8, as std::filesystem's narrow form of a path is here
// (path::string()); the narrow constructor would read it as Latin-1, so the
// name is handed over as UTF-8 explicitly. The system's own names are ASCII.
std::filesystem::path folder::path_of(std::string_view name) const { return base_ / utf8_path(name); }

struct temporary_file::state {
  state(std::string name_, std::filesystem::path final_path_, std::filesystem::path temporary_, HANDLE h_,
        std::optional<std::size_t> fail_after, reach how_far_)
      : name(std::move(name_)),
        final_path(std::move(final_path_)),
        temporary(std::move(temporary_)),
        h(h_),
        how_far(how_far_),
        sink(h_, final_path, fail_after) {}
  // Unfinished: the temporary goes.
  ~state() {
    if (!h.valid()) return;
    h.close();
    ::DeleteFileW(temporary.c_str());
    win32::unregister_cleanup(temporary);
  }
  state(const state&) = delete;
  state& operator=(const state&) = delete;

  std::string name;
  std::filesystem::path final_path;
  std::filesystem::path temporary;
  handle h;
  reach how_far;
  file_sink sink;
};

temporary_file::temporary_file(std::unique_ptr<state> s) : s_(std::move(s)) {}
temporary_file::temporary_file(temporary_file&&) noexcept = default;
temporary_file& temporary_file::operator=(temporary_file&&) noexcept = default;
temporary_file::~temporary_file() = default;

byte_sink& temporary_file::sink() { return s_->sink; }

staged_file temporary_file::finish() {
  state& s = *s_;
  // On the disk before it takes the final name: after a power cut the
  // final name holds the old file or the new one, never a hole.
  if (s.how_far == reach::disk && !::FlushFileBuffers(s.h.get())) {
    throw platform_error(s.final_path, win32::reason(::GetLastError()));
  }
  // The handle is gone whatever the close says: on failure only the temporary is left to remove.
  if (!s.h.close()) {
    const DWORD code = ::GetLastError();
    ::DeleteFileW(s.temporary.c_str());
    win32::unregister_cleanup(s.temporary);
    throw platform_error(s.final_path, win32::reason(code));
  }
  staged_file done{std::move(s.name), std::move(s.temporary)};
  s_.reset();
  return done;
}

temporary_file folder::create_temporary(std::string_view name, reach how_far) {
  const auto final_path = path_of(name);
  // Only a regular file (or nothing) is ever replaced: a folder, a link or a
  // device under the name stays as it is.
  const DWORD attr = ::GetFileAttributesW(final_path.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES) {
    if ((attr & not_regular) != 0) throw platform_error(final_path, "exists and is not a regular file");
    if ((attr & FILE_ATTRIBUTE_READONLY) != 0) throw platform_error(final_path, "the file is read-only");
  }

  std::filesystem::path temporary;
  HANDLE created = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < temporary_name_attempts; ++attempt) {
    temporary = base_ / utf8_path(temporary_name_of(name, name_source_ ? name_source_() : sys::random_suffix()));
    // No interrupt between the creation and the registration.
    const win32::ending_held held;
    // CREATE_NEW never opens what is there already, and with
    // FILE_FLAG_OPEN_REPARSE_POINT never follows a link planted there.
    created = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (created != INVALID_HANDLE_VALUE) {
      win32::register_cleanup(temporary);
      break;
    }
    const DWORD code = ::GetLastError();
    // A folder at the name answers "access denied".
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS && code != ERROR_ACCESS_DENIED) {
      throw platform_error(final_path, win32::reason(code));
    }
  }
  if (created == INVALID_HANDLE_VALUE) {
    throw platform_error(
        temporary, "the temporary name is taken by " + what_is_at(temporary) + ", and so was every other name tried");
  }
  const bool failing = fail_only_.empty() || fail_only_ == name;
  try {
    return temporary_file(std::make_unique<temporary_file::state>(std::string(name), final_path, temporary, created,
                                                                  failing ? fail_after_ : std::nullopt, how_far));
  } catch (...) {
    ::CloseHandle(created);
    ::DeleteFileW(temporary.c_str());
    win32::unregister_cleanup(temporary);
    throw;
  }
}

void folder::replace(std::span<const staged_file> files, reach how_far) {
  // Ctrl+C waits until the whole set has its final names.
  const win32::ending_held held;
  for (const staged_file& f : files) {
    rename_with_retries(f.temporary, path_of(f.name), how_far);
    win32::unregister_cleanup(f.temporary);
  }
}

void folder::discard(const staged_file& file) noexcept {
  ::DeleteFileW(file.temporary.c_str());
  win32::unregister_cleanup(file.temporary);
}

std::vector<std::string> folder::remove_stale_temporaries(std::span<const std::string> names,
                                                          std::chrono::seconds age) {
  std::vector<std::string> removed;
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW((base_ / L"*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return removed;
  FILETIME now_ft;
  ::GetSystemTimeAsFileTime(&now_ft);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  const unsigned long long limit = ticks(now_ft) - static_cast<unsigned long long>(age.count()) * 10000000ULL;
  const std::vector<std::string> spared = names_in_journal();
  const bool spare_all = std::find(spared.begin(), spared.end(), "*") != spared.end();
  do {
    const std::wstring name(entry.cFileName);
    if (spare_all || std::find(spared.begin(), spared.end(), win32::utf8(name)) != spared.end()) continue;
    bool ours = false;
    for (const std::string& owner : names) {
      const std::wstring prefix = utf8_path(temporary_name_of(owner, "")).wstring();
      if (name.starts_with(prefix)) {
        const std::string rest = win32::utf8(std::wstring_view(name).substr(prefix.size()));
        if (is_our_temporary_suffix(rest)) ours = true;
      }
    }
    if (!ours || (entry.dwFileAttributes & not_regular) != 0 || ticks(entry.ftLastWriteTime) > limit) continue;
    if (::DeleteFileW((base_ / name).c_str())) removed.push_back(win32::utf8(name));
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
  return removed;
}

bool folder::exists(std::string_view name) const {
  const auto file = path_of(name);
  const DWORD attr = ::GetFileAttributesW(file.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES) return (attr & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
  const DWORD code = ::GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return false;
  throw platform_error(file, win32::reason(code));
}

std::optional<std::string> folder::read(std::string_view name, std::size_t limit) const {
  const auto file = path_of(name);
  if (!exists(name)) return std::nullopt;
  handle h(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!h.valid()) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return std::nullopt;
    throw platform_error(file, win32::reason(code));
  }
  if (::GetFileType(h.get()) != FILE_TYPE_DISK) return std::nullopt;
  const bool failing = !failing_reads_.empty() && failing_reads_ == name;
  std::string byte;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(h.get(), &size)) {
    byte.reserve(std::min(static_cast<std::size_t>(size.QuadPart), limit));
  }
  char block[1 << 16];
  for (;;) {
    DWORD n = 0;
    if (failing) throw platform_error(file, win32::reason(ERROR_CRC));
    if (!::ReadFile(h.get(), block, sizeof block, &n, nullptr))
      throw platform_error(file, win32::reason(::GetLastError()));
    if (n == 0) break;
    if (byte.size() + n > limit) throw platform_error(file, "file is larger than " + std::to_string(limit) + " bytes");
    byte.append(block, n);
  }
  return byte;
}

void folder::remove(std::string_view name) {
  const auto file = path_of(name);
  if (!exists(name)) return;
  if (::DeleteFileW(file.c_str())) return;
  const DWORD code = ::GetLastError();
  if (code == ERROR_FILE_NOT_FOUND) return;
  throw platform_error(file, why_not_changed(file, code));
}

std::filesystem::path program_folder() {
  std::wstring exe(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
    if (n == 0) throw platform_error("scenario.exe", win32::reason(::GetLastError()));
    if (n < exe.size()) {
      exe.resize(n);
      break;
    }
    exe.resize(exe.size() * 2);  // the path was cut short: try again with room for it
  }
  return std::filesystem::path(exe).parent_path();
}

namespace sys {

// 64 bits from the system's random source, as 16 hex digits.
std::string random_suffix() {
  static std::random_device source;
  static const char* const hex = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < 2; ++i) {
    const unsigned r = source();
    for (int k = 0; k < 8; ++k) s.push_back(hex[(r >> (4 * k)) & 0xF]);
  }
  return s;
}

void pause_for(int ms) { ::Sleep(static_cast<DWORD>(ms)); }

void rename_over(const std::filesystem::path& from, const std::filesystem::path& to) {
  rename_with_retries(from, to, reach::disk);
}

bool hard_link(const std::filesystem::path& existing, const std::filesystem::path& link) {
  if (::CreateHardLinkW(link.c_str(), existing.c_str(), nullptr)) return true;
  const DWORD code = ::GetLastError();
  // FAT and some network shares have no hard links.
  if (code == ERROR_INVALID_FUNCTION || code == ERROR_NOT_SUPPORTED || code == ERROR_TOO_MANY_LINKS ||
      code == ERROR_NOT_SAME_DEVICE) {
    return false;
  }
  throw platform_error(existing, why_not_changed(existing, code));
}

// Each rename was written through to the disk (MOVEFILE_WRITE_THROUGH);
// Windows has no flush of a folder's entries for an ordinary user.
void flush_folder(const std::filesystem::path&) {}

std::optional<std::string> why_not_replaceable(const std::filesystem::path& file) {
  const DWORD attr = ::GetFileAttributesW(file.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES || (attr & not_regular) != 0) return std::nullopt;
  if ((attr & FILE_ATTRIBUTE_READONLY) != 0) return "is read-only";
  // A rename over a file needs to delete it: the access a program holding it
  // open without sharing deletion refuses. A short hold (an indexer, an
  // antivirus) is waited for, as the rename itself would.
  DWORD code = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 10; ++attempt) {
    handle probe(::CreateFileW(file.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (probe.valid()) return std::nullopt;
    code = ::GetLastError();
    if (code != ERROR_SHARING_VIOLATION) break;
    ::Sleep(50);
  }
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return std::nullopt;
  if (code == ERROR_SHARING_VIOLATION) return "is open in another program";
  return "cannot be replaced: " + win32::reason(code);
}

bool regular_file_at(const std::filesystem::path& file) {
  const DWORD attr = ::GetFileAttributesW(file.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & not_regular) == 0;
}

bool remove_file(const std::filesystem::path& file) noexcept {
  if (::DeleteFileW(file.c_str())) return true;
  const DWORD code = ::GetLastError();
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

struct endings_held::state {
  win32::ending_held held;
};
endings_held::endings_held() : s_(std::make_unique<state>()) {}
endings_held::~endings_held() = default;

void remove_at_ending(const std::filesystem::path& file) { win32::register_cleanup(file); }
void keep_at_ending(const std::filesystem::path& file) { win32::unregister_cleanup(file); }

}  // namespace sys
}  // namespace scen
