// Starting the programs from a Windows test: a child with its standard error
// in a file, waited for or terminated.
#pragma once

#include <windows.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/folder.h"

namespace scen::test_win32 {

// The executables built beside the tests; the build gives their place
// relative to the test executable's folder.
inline std::filesystem::path built(const char* relative) { return program_folder() / relative; }

class child {
 public:
  // Starts `exe` with the command-line tail `args`, its standard error
  // written to `err` (when not empty).
  child(const std::filesystem::path& exe, const std::wstring& args, const std::filesystem::path& err = {}) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    STARTUPINFOW si{};
    si.cb = sizeof si;
    HANDLE err_file = INVALID_HANDLE_VALUE;
    if (!err.empty()) {
      err_file = ::CreateFileW(err.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
      if (err_file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + err.string());
      si.dwFlags = STARTF_USESTDHANDLES;
      si.hStdInput = nullptr;
      si.hStdOutput = err_file;
      si.hStdError = err_file;
    }
    std::wstring line = L"\"" + exe.wstring() + L"\" " + args;
    const BOOL ok = ::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, err_file != INVALID_HANDLE_VALUE, 0,
                                     nullptr, nullptr, &si, &pi_);
    if (err_file != INVALID_HANDLE_VALUE) ::CloseHandle(err_file);
    if (!ok) throw std::runtime_error("cannot start " + exe.string() + ": error " + std::to_string(::GetLastError()));
  }
  ~child() {
    if (pi_.hProcess != nullptr) {
      ::TerminateProcess(pi_.hProcess, 1);
      ::WaitForSingleObject(pi_.hProcess, INFINITE);
      ::CloseHandle(pi_.hProcess);
      ::CloseHandle(pi_.hThread);
    }
  }
  child(const child&) = delete;
  child& operator=(const child&) = delete;

  // Waits for the end; the exit status.
  DWORD wait() {
    ::WaitForSingleObject(pi_.hProcess, INFINITE);
    DWORD status = 0;
    ::GetExitCodeProcess(pi_.hProcess, &status);
    return status;
  }
  DWORD pid() const { return pi_.dwProcessId; }
  bool ended() const { return ::WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0; }
  // True when it had ended on its own before being stopped.
  bool terminate() {
    const bool ended = ::WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0;
    if (!ended) ::TerminateProcess(pi_.hProcess, 99);
    ::WaitForSingleObject(pi_.hProcess, INFINITE);
    return ended;
  }

 private:
  PROCESS_INFORMATION pi_{};
};

}  // namespace scen::test_win32
