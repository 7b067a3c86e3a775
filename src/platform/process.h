// How a program's process meets the system's events. After
// `prepare_process`:
// - a limit on file size makes a write fail with its reason ("File too
//   large") instead of ending the process without a word;
// - an interrupt (Ctrl+C) or a termination request removes the temporary
//   files and the folder lock of the run and ends the process with
//   exit_status::signal_base + the signal's number (130, 143).
#pragma once

namespace scen {

void prepare_process();

}  // namespace scen
