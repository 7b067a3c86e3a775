#!/usr/bin/env bash
# Time and peak memory of generated routes of 100, 250, 500 and 1000 km, each
# run several times in a process of its own by scenario_peak; prints the
# medians as a Markdown table.
#
#   bench/table.sh [SCENARIO_PEAK] [RUNS]
#
# SCENARIO_PEAK defaults to build/bench/scenario_peak (the README's build),
# RUNS to 7.
set -euo pipefail

radice="$(cd "$(dirname "$0")/.." && pwd)"
picco="${1:-$radice/build/bench/scenario_peak}"
giri="${2:-7}"
[[ -x "$picco" ]] || { echo "table.sh: no program at $picco (build it first)" >&2; exit 2; }

mediana() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg); $giri runs per length, medians"
echo
echo "| route | output bytes | time (ms) | time per km (ms) | peak RSS (MiB) | peak / (1.5 x output + 8 MiB) |"
echo "|---:|---:|---:|---:|---:|---:|"
for km in 100 250 500 1000; do
  tempi=() picchi=() rapporti=()
  for ((i = 0; i < giri; i++)); do
    # km N  time_ms T  peak_kib P  before_kib B  output_bytes O  peak/limit R
    read -r _ _ _ t _ p _ _ _ o _ r < <("$picco" "$km")
    tempi+=("$t") picchi+=("$p") rapporti+=("$r")
  done
  t="$(printf '%s\n' "${tempi[@]}" | mediana)"
  p="$(printf '%s\n' "${picchi[@]}" | mediana)"
  r="$(printf '%s\n' "${rapporti[@]}" | mediana)"
  awk -v km="$km" -v o="$o" -v t="$t" -v p="$p" -v r="$r" \
    'BEGIN { printf "| %d km | %d | %.1f | %.3f | %.1f | %.2f |\n", km, o, t, t / km, p / 1024, r }'
done
