// The benchmarks' main: by default every benchmark runs five times, the
// repetitions of all benchmarks interleaved in random order so that a burst of
// load on the machine falls on all of them alike, and only the aggregates are
// shown. At the end it prints the ratios the performance targets are stated
// in, from the medians of this one run. Any --benchmark_* flag given on the
// command line overrides these defaults.
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <unistd.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

// The console report, keeping each benchmark's median real time in ns.
class raccoglitore final : public benchmark::ConsoleReporter {
 public:
  raccoglitore() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Color : OO_None) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      const bool mediana = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      const bool unica = r.run_type == Run::RT_Iteration && r.repetitions <= 1;
      if (mediana || unica) {
        const double ns = 1e9 / benchmark::GetTimeUnitMultiplier(r.time_unit);
        tempi_[r.run_name.str()] = {r.GetAdjustedRealTime() * ns, r.GetAdjustedCPUTime() * ns};
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  struct tempi {
    double reale;
    double cpu;
  };
  std::optional<tempi> tempo(const std::string& nome) const {
    const auto it = tempi_.find(nome);
    if (it == tempi_.end()) return std::nullopt;
    return it->second;
  }

 private:
  std::map<std::string, tempi> tempi_;
};

// One ratio of medians, in wall-clock time (what the targets are about) and
// in CPU time (steadier on a busy machine).
void rapporto(const raccoglitore& r, const std::string& cosa, const std::string& a, double per_a, const std::string& b,
              double per_b, double obiettivo) {
  const auto ta = r.tempo(a);
  const auto tb = r.tempo(b);
  if (!ta || !tb) return;
  const double reale = (ta->reale / per_a) / (tb->reale / per_b);
  const double cpu = (ta->cpu / per_a) / (tb->cpu / per_b);
  fmt::print("{:<56} {:6.2f} {:6.2f}   <= {:.2f}  {}\n", cosa, reale, cpu, obiettivo,
             reale <= obiettivo ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> argomenti{argv[0]};
  std::string ripetizioni = "--benchmark_repetitions=5";
  std::string alternate = "--benchmark_enable_random_interleaving=true";
  std::string aggregati = "--benchmark_display_aggregates_only=true";
  argomenti.push_back(ripetizioni.data());
  argomenti.push_back(alternate.data());
  argomenti.push_back(aggregati.data());
  for (int i = 1; i < argc; ++i) argomenti.push_back(argv[i]);
  int n = static_cast<int>(argomenti.size());
  benchmark::Initialize(&n, argomenti.data());
  if (benchmark::ReportUnrecognizedArguments(n, argomenti.data())) return 1;

  raccoglitore r;
  benchmark::RunSpecifiedBenchmarks(&r);
  benchmark::Shutdown();

  fmt::print("\nRatios of medians from this run:{:>33} {:>6}   target\n", "wall", "CPU");
  rapporto(r, "longest route: compile+pass+encode / plain write", "BM_All/1000", 1, "BM_PlainWrite/1000", 1, 2.0);
  rapporto(r, "longest route: compile+pass+encode / replacing write", "BM_All/1000", 1, "BM_PlainWriteReplace/1000", 1,
           2.0);
  rapporto(r, "longest route: encode+write / plain write", "BM_EncodeAndWrite/1000", 1, "BM_PlainWrite/1000", 1, 2.0);
  rapporto(r, "time per km, 1000 km / 100 km (compile+pass+encode)", "BM_All/1000", 1000, "BM_All/100", 100, 1.25);
  rapporto(r, "time per km, 1000 km / 100 km (compile)", "BM_Compile/1000", 1000, "BM_Compile/100", 100, 1.25);
  return 0;
}
