#include "platform/folder_lock.h"

#include <windows.h>

#include <algorithm>
#include <thread>

#include "platform/win32/cleanup.h"
#include "platform/win32/system_text.h"

namespace scen {

// The lock file is opened sharing reading, writing and deletion, so that a
// waiting run can open it too, and locked with LockFileEx: Windows lets go
// of the lock when the process ends, however it ends.
folder_lock::folder_lock(const std::filesystem::path& dir, std::chrono::milliseconds wait)
    : file_(dir / std::string(file_name)) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  auto delay = std::chrono::milliseconds(2);
  for (;;) {
    const DWORD attr = ::GetFileAttributesW(file_.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES &&
        (attr & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0) {
      throw platform_error(file_, "exists and is not a regular file");
    }
    HANDLE h = ::CreateFileW(file_.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD code = ::GetLastError();
      // A run letting go deletes the file; the name may be pending deletion a moment.
      if (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) {
        throw platform_error(file_, win32::reason(code));
      }
    } else {
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
