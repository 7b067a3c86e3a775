#include "platform/win32/system_text.h"

namespace scen::win32 {

std::string utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int n =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  }
  return out;
}

std::wstring wide_for_display(std::string_view byte) {
  if (byte.empty()) return {};
  const int size = static_cast<int>(byte.size());
  UINT code_page = CP_UTF8;
  int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, byte.data(), size, nullptr, 0);
  if (n <= 0) {
    code_page = 1252;
    n = ::MultiByteToWideChar(code_page, 0, byte.data(), size, nullptr, 0);
  }
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) ::MultiByteToWideChar(code_page, 0, byte.data(), size, out.data(), n);
  return out;
}

std::string reason(DWORD code) {
  switch (code) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return "the file is open in another program";
    case ERROR_ACCESS_DENIED:
      return "access denied (the file or its folder is read-only, or you may not change it)";
    case ERROR_FILE_NOT_FOUND:
      return "no such file";
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return "the folder does not exist";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "the disk is full";
    case ERROR_WRITE_PROTECT:
      return "the disk is write-protected";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return "out of memory";
    default:
      break;
  }
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string out;
  if (n > 0 && text != nullptr) {
    out = utf8(std::wstring_view(text, n));
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.')) {
      out.pop_back();
    }
  }
  if (text != nullptr) ::LocalFree(text);
  if (out.empty()) out = "system error";
  return out + " (Windows error " + std::to_string(code) + ")";
}

}  // namespace scen::win32
