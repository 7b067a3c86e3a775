#include "platform/process.h"

#include <windows.h>

#include "platform/exit_status.h"
#include "platform/win32/cleanup.h"
#include "platform/win32/system_text.h"

namespace scen {
namespace {

// Ctrl+C and Ctrl+Break end a run as SIGINT does elsewhere (130); the
// console closed, a logoff or a shutdown as SIGTERM does (143). Either way
// the run's temporaries and its lock go first.
BOOL WINAPI on_ending(DWORD event) {
  win32::remove_registered();
  const int signal_number = (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) ? 2 : 15;
  ::ExitProcess(static_cast<UINT>(exit_status::signal_base + signal_number));
  return TRUE;
}

}  // namespace

void prepare_process() { ::SetConsoleCtrlHandler(on_ending, TRUE); }

std::vector<std::string> utf8_arguments(int argc, const argument_char* const* argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(win32::utf8(argv[i]));
  return arguments;
}

}  // namespace scen
