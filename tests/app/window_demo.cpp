// Test-only: the program's window and error box without a run, to look at
// them (and take screenshots) at leisure. Shows "Attendere", keeps it up for
// the seconds given (default 5) while the thread is busy, as a run keeps it,
// then the box of a fatal end, and exits as a fatal run does.
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/exit_status.h"
#include "platform/text_sink.h"
#include "platform/window.h"
#include "run/pipeline.h"

int main(int argc, char** argv) {
  scen::stderr_sink err;
  const auto w = scen::open_window(err);
  w->show_waiting();
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
  std::this_thread::sleep_for(std::chrono::seconds(seconds));  // busy, never back to the event loop
  w->message(scen::testo_fatale("1250"));
  return scen::exit_status::fatal;
}
