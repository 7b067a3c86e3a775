// scenario_peak KM [FOLDER]: one generated route of KM kilometres run the way
// the program runs its own scenario, in a process of its own so that its
// peak resident memory is its alone: the two sources are written into the
// folder (a fresh temporary one when none is given), then compiled, coded,
// stamped and written as binary files. Prints one line of figures:
//   km, time of that last step in ms, peak resident memory, the bytes of the
//   three binary files, and the peak over its limit of 1.5 x output + 8 MiB.
//
// Two helpers for bench/compare.sh:
//   scenario_peak --sources KM FOLDER   writes the two sources of that route
//     into FOLDER, under the names the run gives them, and nothing else;
//   scenario_peak --rss PROGRAM [ARGS]  runs PROGRAM (fork and exec, no
//     shell) and prints its peak resident memory in KiB and its exit status.
#include <fcntl.h>
#include <fmt/format.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>

#include "compiler/sorgenti.h"
#include "comune.h"
#include "model/nomi_file.h"
#include "platform/folder.h"
#include "run/pipeline.h"

namespace {

long picco_kib() {
  struct rusage uso {};
  ::getrusage(RUSAGE_SELF, &uso);
  return uso.ru_maxrss;  // KiB on Linux
}

// The writers' step: both sources on disk, nothing of them kept in memory.
int scrivi_sorgenti(std::int32_t km, const std::filesystem::path& base) {
  using namespace scen;
  const identita id = identita_incorporata();
  folder dove(base);
  const banco::sorgenti_generate s = banco::genera_percorso(km);
  dove.write(nome_sorgente_linea(id), s.linea);
  dove.write(nome_sorgente_treno(id), s.treno);
  return 0;
}

int esegui(std::int32_t km, const std::filesystem::path& base) {
  using namespace scen;
  const identita id = identita_incorporata();
  folder dove(base);
  scrivi_sorgenti(km, base);
  const long prima = picco_kib();

  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  sorgenti_in_cartella sorgenti(dove, id);
  const auto t0 = std::chrono::steady_clock::now();
  const esito_percorso esito = memorizza_percorso(m, 1, id, sorgenti, dove);
  const auto t1 = std::chrono::steady_clock::now();
  if (m.codice_errore != 0) {
    std::cerr << fmt::format("scenario_peak: error {} at {} m\n", m.codice_errore, m.posizione_errore);
    return 1;
  }

  std::uintmax_t uscita = 0;
  for (const std::string& nome : esito.scritti) uscita += std::filesystem::file_size(dove.path_of(nome));
  const long picco = picco_kib();
  const double limite_kib = (1.5 * static_cast<double>(uscita) + 8.0 * 1024 * 1024) / 1024.0;
  fmt::print("km {:5}  time_ms {:8.2f}  peak_kib {:7}  before_kib {:6}  output_bytes {:9}  peak/limit {:.2f}\n", km,
             std::chrono::duration<double, std::milli>(t1 - t0).count(), picco, prima, uscita,
             static_cast<double>(picco) / limite_kib);
  return 0;
}

int misura_processo(char** argv) {
  const pid_t figlio = ::fork();
  if (figlio < 0) return 2;
  if (figlio == 0) {
    // Only the figures on standard output: the program's own output goes nowhere.
    const int nulla = ::open("/dev/null", O_WRONLY);
    if (nulla >= 0) {
      ::dup2(nulla, STDOUT_FILENO);
      ::dup2(nulla, STDERR_FILENO);
    }
    ::execv(argv[0], argv);
    ::_exit(127);
  }
  int stato = 0;
  struct rusage uso {};
  if (::wait4(figlio, &stato, 0, &uso) != figlio) return 2;
  const int uscita = WIFEXITED(stato) ? WEXITSTATUS(stato) : 128 + WTERMSIG(stato);
  fmt::print("peak_kib {} status {}\n", uso.ru_maxrss, uscita);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "--rss") return misura_processo(argv + 2);
  if (argc == 4 && std::string(argv[1]) == "--sources") {
    try {
      return scrivi_sorgenti(std::stoi(argv[2]), argv[3]);
    } catch (const std::exception& e) {
      std::cerr << "scenario_peak: " << e.what() << '\n';
      return 2;
    }
  }
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: scenario_peak KM [FOLDER] | --sources KM FOLDER | --rss PROGRAM [ARGS]...\n";
    return 2;
  }
  try {
    const std::int32_t km = std::stoi(argv[1]);
    if (argc == 3) return esegui(km, argv[2]);
    scen::banco::cartella_di_prova prova;
    return esegui(km, prova.path());
  } catch (const std::exception& e) {
    std::cerr << "scenario_peak: " << e.what() << '\n';
    return 1;
  }
}
