#!/usr/bin/env bash
# The embedded run as a whole process against the least a process can do to
# leave the same files behind, and against the file work the run's rules ask
# for on their own.
#
#   bench/compare.sh [SCENARIO] [ROUNDS]
#
# SCENARIO is the built program (default: build/src/scenario, the README's
# build); ROUNDS the number of rounds (default 30). The two sources come from
# `scenario-tool export` (default build/tools/scenario-tool; TOOL overrides).
#
# 1. One run of SCENARIO in a scratch folder captures its six files; the
#    tool's export gives the two sources the run writes and deletes.
# 2. Two baseline programs (bench/base_scrittura.cpp) are built with those
#    bytes inside them: when they run they read nothing of their own and only
#    write files into their own folder. "baseline" writes the six files (open,
#    write, close each); "rules" does the run's file work and nothing else
#    (sources and documents under temporary names renamed into place, the
#    sources read back and deleted, then the binary files the same way).
# 3. Each round runs the three programs once, each from a copy in a fresh
#    folder (the copy is not timed), in an order that rotates from round to
#    round, timed with bash's EPOCHREALTIME around the process alone. Every
#    scenario run's files are checked against the captured ones (not timed).
# 4. Prints the median, minimum and maximum of each, the ratio of the
#    medians scenario / baseline (target: at most 1.5), and how that ratio
#    splits: rules / baseline is what the rules' file work costs by itself,
#    scenario / rules what computing the scenario adds to it.
#
# Without a display the program writes "Attendere" to standard error; DISPLAY
# is unset so that no window opens. Needs bash 5 and a C++ compiler (CXX).
set -euo pipefail

radice="$(cd "$(dirname "$0")/.." && pwd)"
scenario="$(realpath "${1:-$radice/build/src/scenario}")"
giri="${2:-30}"
cxx="${CXX:-c++}"
tool="${TOOL:-$radice/build/tools/scenario-tool}"
[[ -x "$scenario" ]] || { echo "compare.sh: no program at $scenario (build it first)" >&2; exit 2; }
[[ -x "$tool" ]] || { echo "compare.sh: no scenario-tool at $tool (build it first, or set TOOL)" >&2; exit 2; }
unset DISPLAY

lavoro="$(mktemp -d "${TMPDIR:-/tmp}/scenario-compare-XXXXXX")"
trap 'rm -rf "$lavoro"' EXIT

# 1. Capture one run's files, in the order the run wrote them.
mkdir "$lavoro/cattura"
cp "$scenario" "$lavoro/cattura/scenario"
(cd "$lavoro/cattura" && ./scenario 2>/dev/null) || { echo "compare.sh: the capture run failed" >&2; exit 1; }
rm "$lavoro/cattura/scenario"
# The order the run writes them in: the three documents, then the three binary files.
nomi=()
for modello in '*_note.txt' '*_rallentamenti.txt' '*_scheda_treno.txt' '*_linea.dat' '*.sim' '*.dat'; do
  for f in "$lavoro/cattura/"$modello; do
    [[ -e "$f" ]] || continue
    n="$(basename "$f")"
    [[ " ${nomi[*]} " == *" $n "* ]] || nomi+=("$n")
  done
done
[[ ${#nomi[@]} -eq 6 ]] || { echo "compare.sh: expected six files, the run left ${#nomi[@]}" >&2; exit 1; }

# The two sources, as the run writes them before it compiles and deletes them.
"$tool" export -o "$lavoro/esportati" >/dev/null
sorgenti=()
for modello in '*_linea.txt' '*-.txt'; do
  for f in "$lavoro/esportati/"$modello; do [[ -e "$f" ]] && sorgenti+=("$(basename "$f")"); done
done
[[ ${#sorgenti[@]} -eq 2 ]] || { echo "compare.sh: the export gave ${#sorgenti[@]} sources, expected two" >&2; exit 1; }
for f in "${nomi[@]:0:3}"; do
  cmp -s "$lavoro/esportati/$f" "$lavoro/cattura/$f" || { echo "compare.sh: the export's $f differs from the run's" >&2; exit 1; }
done

# 2. The two baselines with those bytes built in: sources (kind 0), then
#    documents (1), then binary files (2), in the run's order.
: >"$lavoro/base_file.inc"
i=0
for n in "${sorgenti[@]}"; do
  printf 'FILE_BASE(%d, "%s", "%s", 0)\n' "$i" "$n" "$lavoro/esportati/$n" >>"$lavoro/base_file.inc"; i=$((i + 1))
done
for k in "${!nomi[@]}"; do
  printf 'FILE_BASE(%d, "%s", "%s", %d)\n' "$i" "${nomi[$k]}" "$lavoro/cattura/${nomi[$k]}" $((k < 3 ? 1 : 2)) >>"$lavoro/base_file.inc"
  i=$((i + 1))
done
opzioni=(-std=c++20 -O2 -static-libstdc++ -static-libgcc -I"$lavoro")
"$cxx" "${opzioni[@]}" "$radice/bench/base_scrittura.cpp" -o "$lavoro/base_scrittura"
"$cxx" "${opzioni[@]}" -DBASE_REGOLE "$radice/bench/base_scrittura.cpp" -o "$lavoro/base_regole"

# Runs one program from a copy in a fresh folder; prints its time in µs.
esegui() {
  local programma="$1" cartella
  cartella="$(mktemp -d "$lavoro/giro-XXXXXX")"
  cp "$programma" "$cartella/"
  local eseguibile="$cartella/$(basename "$programma")"
  local t0 t1
  t0=$EPOCHREALTIME
  "$eseguibile" 2>/dev/null
  t1=$EPOCHREALTIME
  echo $(( 10#${t1//[.,]/} - 10#${t0//[.,]/} ))
  ultima_cartella="$cartella"
}

controlla() {
  local f
  for f in "${nomi[@]}"; do
    cmp -s "$lavoro/cattura/$f" "$1/$f" || { echo "compare.sh: $f differs from the captured run" >&2; exit 1; }
  done
  for f in "${sorgenti[@]}"; do
    [[ ! -e "$1/$f" ]] || { echo "compare.sh: the source $f was left behind" >&2; exit 1; }
  done
}

mediana() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

carico="$(cut -d' ' -f1-3 /proc/loadavg)"

# 3. Rotated rounds (one untimed round of each first, to warm the caches).
programmi=("$scenario" "$lavoro/base_scrittura" "$lavoro/base_regole")
for p in "${programmi[@]}"; do
  esegui "$p" >/dev/null
  controlla "$ultima_cartella"
done
tempi=("" "" "")
for ((g = 1; g <= giri; g++)); do
  for ((j = 0; j < 3; j++)); do
    k=$(((g + j) % 3))
    esegui "${programmi[$k]}" >"$lavoro/t"
    tempi[$k]+="$(<"$lavoro/t") "
    ((k == 0)) && controlla "$ultima_cartella"
  done
  rm -rf "$lavoro"/giro-*
done

# 4. Medians and the ratios.
ms() { awk -v x="$1" 'BEGIN { printf "%.2f", x / 1000 }'; }
riga() {
  local nome="$1"; shift
  printf '%-9s median %7s ms   min %7s ms   max %7s ms\n' "$nome" "$(ms "$(printf '%s\n' "$@" | mediana)")" \
    "$(ms "$(printf '%s\n' "$@" | sort -n | head -1)")" "$(ms "$(printf '%s\n' "$@" | sort -n | tail -1)")"
}
byte=0
for f in "${nomi[@]}"; do byte=$((byte + $(stat -c %s "$lavoro/cattura/$f"))); done
echo "$giri rotated rounds; six files, $byte bytes; load average before: $carico"
# shellcheck disable=SC2086  # the lists of times are meant to split
{
  riga scenario ${tempi[0]}
  riga baseline ${tempi[1]}
  riga rules ${tempi[2]}
  s="$(printf '%s\n' ${tempi[0]} | mediana)"
  b="$(printf '%s\n' ${tempi[1]} | mediana)"
  r="$(printf '%s\n' ${tempi[2]} | mediana)"
}
awk -v s="$s" -v b="$b" -v r="$r" 'BEGIN {
  x = s / b
  printf "ratio of medians scenario / baseline: %.2f (target <= 1.50: %s)\n", x, (x <= 1.5 ? "met" : "MISSED")
  printf "  of which rules / baseline: %.2f (the file work the run must do), scenario / rules: %.2f (computing the scenario)\n", r / b, s / r
}'
