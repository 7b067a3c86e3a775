// The field reader's throughput on a large generated source.
#include <benchmark/benchmark.h>

#include "compiler/lettore.h"
#include "generatore.h"

namespace scen::banco {
namespace {

// Reads every line of the text as the compiler would: the key as text, then
// the numbers its format names, then the closing text field if any.
void BM_FieldReader(benchmark::State& state) {
  const std::string testo = genera_righe_campi(static_cast<std::size_t>(state.range(0)) << 20);
  std::int64_t somma = 0;
  for (auto _ : state) {
    lettore_campi l(testo);
    while (!l.fine_file()) {
      const std::string chiave = l.leggi_testo();
      const forma_riga f = campi_dopo_chiave(chiave);
      for (int i = 0; i < f.numeri; ++i) somma += l.leggi_32();
      if (f.testo_finale) somma += static_cast<std::int64_t>(l.leggi_testo().size());
    }
    benchmark::DoNotOptimize(somma);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(testo.size()));
}
BENCHMARK(BM_FieldReader)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace scen::banco
