// Texts between the system's wide characters and the program's bytes, and
// Windows' error codes as reasons a user understands. Internal to the Win32
// side of the platform.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace scen::win32 {

// UTF-16 as UTF-8, for messages and paths (platform/path_text.h); an
// unpaired surrogate becomes U+FFFD.
std::string utf8(std::wstring_view text);

// The program's bytes as wide text: UTF-8 when they are valid UTF-8 (a path
// as the program's text), otherwise Windows-1252 (the scenario's own texts). Plain
// ASCII reads the same either way.
std::wstring wide_for_display(std::string_view byte);

// Why `code` (a GetLastError value) happened, in the words of a user.
std::string reason(DWORD code);

}  // namespace scen::win32
