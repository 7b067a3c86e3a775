// Encoding the track and line data files of a long route in memory.
#include <benchmark/benchmark.h>

#include "formats/file_binari.h"

namespace {

void BM_EncodeTrack(benchmark::State& state) {
  const std::vector<scen::cella> celle(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(scen::codifica_percorso(celle));
  state.SetBytesProcessed(state.iterations() * state.range(0) * 15);
}
BENCHMARK(BM_EncodeTrack)->Arg(1841)->Arg(20141);

void BM_EncodeLineData(benchmark::State& state) {
  scen::piano p(static_cast<std::int32_t>(state.range(0)));
  for (std::int32_t m = 0; m <= p.ultimo_metro() - 2; ++m) {
    p.poni_reale(m, 0, m * 0.5);
    p.poni_reale(m, 1, m * 0.25);
  }
  for (auto _ : state) benchmark::DoNotOptimize(scen::codifica_linea(p));
}
BENCHMARK(BM_EncodeLineData)->Arg(92000)->Arg(1007000);

}  // namespace
