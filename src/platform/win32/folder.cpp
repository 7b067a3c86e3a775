// The folder on Windows: wide-character calls throughout, so that a folder
// whose path holds characters outside the code page (or blanks) works.
#include "platform/folder.h"

#include <windows.h>

#include <atomic>
#include <random>
#include <utility>

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

// A name nobody can guess in advance, so that no other program can put
// something in its way; created with CREATE_NEW, it is always a new file.
std::filesystem::path temporary_name(const std::filesystem::path& finale) {
  static std::atomic<unsigned> counter{0};
  static std::random_device source;
  static const char* const hex = "0123456789abcdef";
  std::wstring nome = L".";
  nome += finale.filename().wstring();
  nome += L".tmp-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(counter++) + L"-";
  for (int i = 0; i < 4; ++i) {
    const unsigned r = source();
    for (int k = 0; k < 8; ++k) nome += static_cast<wchar_t>(hex[(r >> (4 * k)) & 0xF]);
  }
  return finale.parent_path() / nome;
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

}  // namespace

folder::folder(std::filesystem::path base) : base_(std::move(base)) {}

// A name is UTF-8, as std::filesystem's narrow form of a path is here
// (path::string()); the narrow constructor would read it as Latin-1, so the
// name is handed over as UTF-8 explicitly. The system's own names are ASCII.
std::filesystem::path folder::path_of(std::string_view nome) const {
  return base_ / std::filesystem::path(std::u8string(nome.begin(), nome.end()));
}

void folder::write(std::string_view nome, std::string_view byte) {
  write_in_pieces(nome, [byte](byte_sink& f) { f.write(byte); });
}

void folder::write_in_pieces(std::string_view nome, const std::function<void(byte_sink&)>& produci) {
  const auto finale = path_of(nome);
  // Only a regular file (or nothing) is ever replaced: a folder, a link or a
  // device under the name stays as it is.
  const DWORD attr = ::GetFileAttributesW(finale.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES) {
    if ((attr & not_regular) != 0) throw platform_error(finale, "exists and is not a regular file");
    if ((attr & FILE_ATTRIBUTE_READONLY) != 0) throw platform_error(finale, "the file is read-only");
  }

  std::filesystem::path temporary;
  handle h(INVALID_HANDLE_VALUE);
  for (int attempt = 0; attempt < 16 && !h.valid(); ++attempt) {
    temporary = temporary_name(finale);
    h.reset(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!h.valid()) {
      const DWORD code = ::GetLastError();
      if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) throw platform_error(finale, win32::reason(code));
    }
  }
  if (!h.valid()) throw platform_error(finale, "no temporary name could be created beside it");

  try {
    file_sink sink(h.get(), finale, guasto_dopo_);
    produci(sink);
    // On the disk before it takes the final name: after a power cut the
    // final name holds the old file or the new one, never a hole.
    if (!::FlushFileBuffers(h.get())) throw platform_error(finale, win32::reason(::GetLastError()));
    if (!h.close()) throw platform_error(finale, win32::reason(::GetLastError()));
    DWORD code = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 10; ++attempt) {
      if (::MoveFileExW(temporary.c_str(), finale.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        code = ERROR_SUCCESS;
        break;
      }
      code = ::GetLastError();
      if (!transient(code)) break;
      const DWORD now = ::GetFileAttributesW(finale.c_str());
      if (now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_READONLY) != 0) break;
      ::Sleep(50);
    }
    if (code != ERROR_SUCCESS) throw platform_error(finale, why_not_changed(finale, code));
  } catch (...) {
    h.close();
    ::DeleteFileW(temporary.c_str());
    throw;
  }
}

bool folder::exists(std::string_view nome) const {
  const DWORD attr = ::GetFileAttributesW(path_of(nome).c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

std::optional<std::string> folder::read(std::string_view nome, std::size_t limite) const {
  const auto file = path_of(nome);
  if (!exists(nome)) return std::nullopt;
  handle h(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!h.valid()) throw platform_error(file, win32::reason(::GetLastError()));
  std::string byte;
  char block[1 << 16];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(h.get(), block, sizeof block, &n, nullptr)) throw platform_error(file, win32::reason(::GetLastError()));
    if (n == 0) break;
    if (byte.size() + n > limite) throw platform_error(file, "file is larger than " + std::to_string(limite) + " bytes");
    byte.append(block, n);
  }
  return byte;
}

void folder::remove(std::string_view nome) {
  const auto file = path_of(nome);
  if (!exists(nome)) return;
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

}  // namespace scen
