#include "platform/process.h"

#include <signal.h>
#include <unistd.h>

#include <initializer_list>

#include "cleanup.h"
#include "platform/exit_status.h"

namespace scen {
namespace {

extern "C" void alla_fine(int segnale) {
  posix::remove_registered();
  ::_exit(exit_status::signal_base + segnale);
}

}  // namespace

void prepare_process() {
  // Without this a file over the size limit ends the process at once, with
  // its temporary half written and nothing said.
  ::signal(SIGXFSZ, SIG_IGN);

  struct sigaction azione {};
  azione.sa_handler = alla_fine;
  sigemptyset(&azione.sa_mask);
  sigaddset(&azione.sa_mask, SIGINT);
  sigaddset(&azione.sa_mask, SIGTERM);
  sigaddset(&azione.sa_mask, SIGHUP);
  for (const int segnale : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction prima {};
    // A signal ignored by whoever started us (nohup, a background job) stays ignored.
    if (::sigaction(segnale, nullptr, &prima) == 0 && prima.sa_handler == SIG_IGN) continue;
    ::sigaction(segnale, &azione, nullptr);
  }
}

}  // namespace scen
