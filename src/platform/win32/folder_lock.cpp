#include "platform/folder_lock.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/win32/cleanup.h"
#include "platform/win32/system_text.h"

namespace scen {

namespace {

// What a failed open of the lock file means: a run letting go (its file is
// pending deletion a moment, which Windows reports as access denied), or a
// file that cannot be opened for writing whoever holds the folder.
enum class open_failure : std::uint8_t { letting_go, vanished, refused };

// Access denied tells a file pending deletion, which nothing may open,
// from one that refuses writing only (the read-only attribute, the file's
// permissions) or a folder that refuses a new file.
open_failure why_denied(const std::filesystem::path& file) {
  HANDLE h = ::CreateFileW(file.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    ::CloseHandle(h);
    return open_failure::refused;
  }
  const DWORD code = ::GetLastError();
  if (code == ERROR_FILE_NOT_FOUND) return open_failure::vanished;
  return code == ERROR_ACCESS_DENIED ? open_failure::letting_go : open_failure::refused;
}

// The reason given for a lock file that cannot be opened for writing.
std::string cannot_open(const std::filesystem::path& file, DWORD code) {
  const DWORD attr = ::GetFileAttributesW(file.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return win32::reason(code) + "; the lock file cannot be created";
  if ((attr & FILE_ATTRIBUTE_READONLY) != 0) return "the file is read-only; the lock file cannot be opened for writing";
  return win32::reason(code) + "; the lock file cannot be opened for writing";
}

}  // namespace

// The lock file is opened sharing reading, writing and deletion, so that a
// waiting run can open it too, and locked with LockFileEx: Windows lets go
// of the lock when the process ends, however it ends. Only that lock held
// by another run is waited for: a lock file that cannot be opened for
// writing (read-only, refused, held unshared by another program, whose
// sharing a run never refuses) fails at once.
folder_lock::folder_lock(const std::filesystem::path& dir, std::chrono::milliseconds wait)
    : file_(dir / std::string(file_name)) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  auto delay = std::chrono::milliseconds(2);
  bool vanished_before = false;
  for (;;) {
    const DWORD attr = ::GetFileAttributesW(file_.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES &&
        (attr & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0) {
      throw platform_error(file_, "exists and is not a regular file");
    }
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY) != 0) {
      throw platform_error(file_, cannot_open(file_, ERROR_ACCESS_DENIED));
    }
    HANDLE h = ::CreateFileW(file_.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD code = ::GetLastError();
      const open_failure why = code == ERROR_ACCESS_DENIED ? why_denied(file_) : open_failure::refused;
      // A file gone between the two opens was pending deletion: once. Gone
      // again, the folder refuses the new one.
      if (why == open_failure::refused || (why == open_failure::vanished && vanished_before)) {
        throw platform_error(file_, cannot_open(file_, code));
      }
      vanished_before = why == open_failure::vanished;
      if (vanished_before) continue;
    } else {
      vanished_before = false;
      OVERLAPPED o{};
      if (::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &o)) {
        handle_ = reinterpret_cast<std::intptr_t>(h);
        win32::register_cleanup(file_);
        return;
      }
      const DWORD code = ::GetLastError();
      ::CloseHandle(h);
      if (code != ERROR_LOCK_VIOLATION && code != ERROR_IO_PENDING) throw platform_error(file_, win32::reason(code));
    }
    if (std::chrono::steady_clock::now() >= deadline) throw folder_busy(dir);
    std::this_thread::sleep_for(delay);
    delay = std::min(delay * 2, std::chrono::milliseconds(50));
  }
}

folder_lock::~folder_lock() {
  if (handle_ == -1) return;
  const win32::ending_held held;
  HANDLE h = reinterpret_cast<HANDLE>(handle_);
  // Deleted while still held (the file was opened sharing deletion): a run
  // waiting for it then creates a new one once this handle is closed.
  ::DeleteFileW(file_.c_str());
  win32::unregister_cleanup(file_);
  OVERLAPPED o{};
  ::UnlockFileEx(h, 0, 1, 0, &o);
  ::CloseHandle(h);
}

}  // namespace scen
