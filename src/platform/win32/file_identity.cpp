#include "platform/file_identity.h"

#include <windows.h>

#include <optional>

namespace scen {
namespace {

struct identity {
  DWORD volume = 0;
  DWORD index_high = 0;
  DWORD index_low = 0;
};

// The file `p` names, links followed; opened for no access and sharing
// everything, so that a file another program holds open is looked at too.
// FILE_FLAG_BACKUP_SEMANTICS lets a folder be opened as well.
std::optional<identity> identity_of(const std::filesystem::path& p) {
  const HANDLE h = ::CreateFileW(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const BOOL ok = ::GetFileInformationByHandle(h, &info);
  ::CloseHandle(h);
  if (!ok) return std::nullopt;
  return identity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

}  // namespace

bool same_file(const std::filesystem::path& a, const std::filesystem::path& b) {
  const auto x = identity_of(a);
  const auto y = identity_of(b);
  return x && y && x->volume == y->volume && x->index_high == y->index_high && x->index_low == y->index_low;
}

}  // namespace scen
