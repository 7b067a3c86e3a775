// The work of one run, in memory and on disk: the embedded scenario and the
// generated routes up to the longest the format allows, step by step
// (compile, code pass, encoding) and together, and the writing of the longest
// route's files beside a plain write of the same bytes from memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <system_error>

#include "comune.h"
#include "formats/file_binari.h"
#include "model/nomi_file.h"
#include "passes/marcatori.h"
#include "passes/passo_codici.h"
#include "platform/folder.h"

namespace scen::banco {
namespace {

const sorgenti_generate& sorgenti_per(const benchmark::State& state) {
  return state.range(0) == 0 ? sorgenti_incorporate() : sorgenti_percorso(static_cast<std::int32_t>(state.range(0)));
}

void etichetta(benchmark::State& state, const modello& m) {
  state.SetLabel(std::to_string(m.lunghezza_totale) + " m of plan view, " + std::to_string(m.ultima_cella + 1) +
                 " cells");
}

// Compile step alone: both sources read field by field into a fresh model.
void BM_Compile(benchmark::State& state) {
  const sorgenti_generate& s = sorgenti_per(state);
  for (auto _ : state) {
    modello m = compila(s);
    benchmark::DoNotOptimize(m.percorso->data());
  }
  etichetta(state, compila(s));
}

// The cab-signal code pass alone, each time on a fresh copy of the compiled
// cells (the copy is not timed).
void BM_CodePass(benchmark::State& state) {
  const modello base = compila(sorgenti_per(state));
  modello m;
  for (auto _ : state) {
    m.percorso = base.percorso;
    m.codice_errore = 0;
    const auto t0 = std::chrono::steady_clock::now();
    passo_codici(m);
    const auto t1 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(m.percorso->data());
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  if (m.codice_errore != 0) state.SkipWithError("the code pass recorded an error");
}

// Encoding of the three files into memory.
void BM_Encode(benchmark::State& state) {
  const modello m = compila_completo(sorgenti_per(state));
  std::size_t byte = 0;
  for (auto _ : state) {
    file_codificati f = codifica(m);
    byte = f.byte();
    benchmark::DoNotOptimize(f.linea.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(byte));
}

// Encoding as the run does it: in pieces of 1 MiB handed to the writer, here
// to a stream that keeps nothing.
void BM_EncodePieces(benchmark::State& state) {
  const modello m = compila_completo(sorgenti_per(state));
  std::size_t byte = 0;
  for (auto _ : state) benchmark::DoNotOptimize(byte = codifica_a_pezzi_nel_vuoto(m));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(byte));
}

// Everything a run does between its sources and its files, in memory:
// compile, code pass, marker step, encoding in pieces.
void BM_All(benchmark::State& state) {
  const sorgenti_generate& s = sorgenti_per(state);
  std::size_t byte = 0;
  for (auto _ : state) {
    modello m = compila_completo(s);
    benchmark::DoNotOptimize(byte = codifica_a_pezzi_nel_vuoto(m));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(byte));
}

// The three files encoded and written into a folder, as the run's last step.
void BM_EncodeAndWrite(benchmark::State& state) {
  const modello m = compila_completo(sorgenti_per(state));
  const identita id = identita_incorporata();
  cartella_di_prova prova;
  folder dove(prova.path());
  for (auto _ : state) benchmark::DoNotOptimize(scrivi_file_binari(m, id, dove));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(codifica(m).byte()));
}

// The physical limit: the same bytes, already in memory, written into three
// files of the same folder with open, write and close (the old file truncated).
void scrivi_piano(const std::filesystem::path& file, const std::string& byte) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::system_error(errno, std::system_category(), file.string());
  std::size_t scritti = 0;
  while (scritti < byte.size()) {
    const ssize_t n = ::write(fd, byte.data() + scritti, byte.size() - scritti);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw std::system_error(errno, std::system_category(), file.string());
    scritti += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

void BM_PlainWrite(benchmark::State& state) {
  const file_codificati f = codifica(compila_completo(sorgenti_per(state)));
  const identita id = identita_incorporata();
  cartella_di_prova prova;
  for (auto _ : state) {
    scrivi_piano(prova.path() / nome_file_linea(id), f.linea);
    scrivi_piano(prova.path() / nome_file_sommario(id), f.sommario);
    scrivi_piano(prova.path() / nome_file_percorso(id), f.percorso);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(f.byte()));
}

// The same bytes from memory through the folder layer: temporary name, write,
// close, rename over the old file, as every file of a run is written.
void BM_PlainWriteReplace(benchmark::State& state) {
  const file_codificati f = codifica(compila_completo(sorgenti_per(state)));
  const identita id = identita_incorporata();
  cartella_di_prova prova;
  folder dove(prova.path());
  for (auto _ : state) {
    dove.write(nome_file_linea(id), f.linea);
    dove.write(nome_file_sommario(id), f.sommario);
    dove.write(nome_file_percorso(id), f.percorso);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(f.byte()));
}

// Argument 0 is the embedded scenario; any other is a generated route of
// that many kilometres.
void percorsi(benchmark::internal::Benchmark* b) {
  b->Arg(0);
  for (const int km : {100, 250, 500, 1000}) b->Arg(km);
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Compile)->Apply(percorsi);
BENCHMARK(BM_CodePass)->Apply(percorsi)->UseManualTime();
BENCHMARK(BM_Encode)->Apply(percorsi);
BENCHMARK(BM_EncodePieces)->Apply(percorsi);
BENCHMARK(BM_All)->Apply(percorsi);
BENCHMARK(BM_EncodeAndWrite)->Arg(0)->Arg(chilometri_massimi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWrite)->Arg(0)->Arg(chilometri_massimi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWriteReplace)->Arg(0)->Arg(chilometri_massimi)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace scen::banco
