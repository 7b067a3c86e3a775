// How a program's process meets the system's events. After
// `prepare_process`:
// - a limit on file size makes a write fail with its reason ("File too
//   large") instead of ending the process without a word;
// - an interrupt (Ctrl+C) or a termination request removes the temporary
//   files and the folder lock of the run and ends the process with
//   exit_status::signal_base + the signal's number (130, 143).
#pragma once

#include <string>
#include <vector>

namespace scen {

void prepare_process();

// The characters of a command-line argument as the system hands them over:
// wide on Windows (the narrow ones there are the ANSI code page's, which
// turns most names outside it into "?"), bytes elsewhere.
#ifdef _WIN32
using argument_char = wchar_t;
#else
using argument_char = char;
#endif

// The program's arguments as UTF-8, argv[0] included (on Linux the bytes as
// given): a program that takes paths starts from these.
std::vector<std::string> utf8_arguments(int argc, const argument_char* const* argv);

}  // namespace scen
