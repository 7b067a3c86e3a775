#include "platform/process.h"

#include <signal.h>
#include <unistd.h>

#include <initializer_list>

#include "platform/exit_status.h"
#include "platform/posix/cleanup.h"

namespace scen {
namespace {

extern "C" void on_ending(int signal_number) {
  posix::remove_registered();
  ::_exit(exit_status::signal_base + signal_number);
}

}  // namespace

void prepare_process() {
  // Without this a file over the size limit ends the process at once, with
  // its temporary half written and nothing said.
  ::signal(SIGXFSZ, SIG_IGN);

  struct sigaction action {};
  action.sa_handler = on_ending;
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  sigaddset(&action.sa_mask, SIGHUP);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction before {};
    // A signal ignored by whoever started us (nohup, a background job) stays ignored.
    if (::sigaction(signal_number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    ::sigaction(signal_number, &action, nullptr);
  }
}

std::vector<std::string> utf8_arguments(int argc, const argument_char* const* argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace scen
