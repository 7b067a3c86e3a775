#include "platform/win32/cleanup.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace scen::win32 {
namespace {

std::recursive_mutex& guard() {
  static std::recursive_mutex m;
  return m;
}

std::vector<std::wstring>& registered() {
  static std::vector<std::wstring> paths;
  return paths;
}

}  // namespace

void register_cleanup(const std::filesystem::path& path) {
  const std::lock_guard l(guard());
  registered().push_back(path.wstring());
}

void unregister_cleanup(const std::filesystem::path& path) {
  const std::lock_guard l(guard());
  auto& paths = registered();
  const auto it = std::find(paths.begin(), paths.end(), path.wstring());
  if (it != paths.end()) paths.erase(it);
}

void remove_registered() noexcept {
  const std::lock_guard l(guard());
  for (const std::wstring& p : registered()) ::DeleteFileW(p.c_str());
}

ending_held::ending_held() : lock_(guard()) {}
ending_held::~ending_held() = default;

}  // namespace scen::win32
