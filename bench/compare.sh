#!/usr/bin/env bash
# Whole processes against the least a process can do to leave the same files
# behind: the program's embedded run, and scenario-tool's start-up and
# compiles of generated routes of 10, 100 and 1000 km.
#
#   bench/compare.sh [SCENARIO] [ROUNDS]
#
# SCENARIO is the built program (default: BUILD/src/scenario, BUILD being
# the build folder, default build/, the README's build); ROUNDS the number of
# rounds (default 30). Also taken from BUILD: tools/scenario-tool (TOOL
# overrides), bench/scenario_min_writer, bench/scenario_peak and
# bench/scenario_time_processes (building scenario_peak builds all three).
#
# The yardstick is scenario_min_writer (bench/scrittore_minimo.cpp): it
# writes files of the given names and sizes the way the folder layer writes
# them (temporary name, pieces of 1 MiB from one reused buffer, rename) and
# does nothing else; like the folder layer, it flushes each file to disk
# before its rename and the folder after the last (--fsync). FSYNC=0 leaves
# the flushes out of the yardstick (not of the programs), to see what they cost.
#
# The program (first half). One run of SCENARIO in a scratch folder captures its
# six files; the tool's export gives the two sources the run writes and
# deletes. Two more baselines are built with those bytes inside them
# (bench/base_scrittura.cpp): "baseline" writes the six files (open, write,
# close each); "rules" does the run's file work and nothing else (sources and
# documents under temporary names renamed into place, the sources read back
# and deleted, then the binary files the same way). Each round runs the four
# programs once, each from a copy in a fresh folder (the copy is not timed).
#
# The tool (second half). Sources of 10, 100 and 1000 km are generated
# (scenario_peak --sources); one untimed compile of each gives the three
# files' names and sizes. Each round runs, in a fresh output folder each:
# /bin/true, `scenario-tool --version`, and for each length the tool's
# compile and the minimal writer of its three files. Then the peak resident
# memory of the 1000 km compile (scenario_peak --rss, untimed runs). The
# tool and the minimal writer run from copies made once with cp, as an
# installed program runs (and as /bin/true does). The same bytes start
# with fewer page faults from a copy: `--version` from the build folder took
# 124, from a copy 112 (most likely the file cache holds a file the linker
# wrote in small pieces in small pages, a copied one in larger ones; not
# proven). TOOL_AS_BUILT=1 runs them where they were built.
#
# In both parts the order of the programs rotates from round to round, every
# process starts with the file system's writeback of earlier runs done
# (sync -f, not timed), and every run's files are checked (not timed).
#
# How a process is timed. The figures that count come from
# scenario_time_processes (bench/process_timer.h), started once for each
# process: it starts the process with posix_spawn, waits for it with wait4
# and reads CLOCK_MONOTONIC just before the one and just after the other,
# so that neither a shell nor the timer's own start is inside the interval;
# it also gives the process's CPU time and page faults. For comparison,
# every process also runs a second time in the same slot of the round, in a
# fresh folder of its own, timed as this script did before: bash's
# EPOCHREALTIME read around `PROGRAM ARGS`, which puts bash's fork of
# itself, the exec and bash's wait inside the interval and adds the same
# fraction of a millisecond to both sides of every ratio, pulling the ratio
# towards 1. The two runs of a slot swap order from round to round.
# SHELL_TIMES=0 leaves the second runs out. Only the figures without a
# shell are judged against the targets; the shell's are printed beside them,
# labelled "bash".
#
# Prints medians, minimum and maximum, the median CPU time (user + system)
# and page faults, every ratio of medians with its target and, beside it,
# the ratio of the minima, then the same two ratios through bash. Time per
# km (without a shell): what the 10 km compile takes (the start and every
# cost a compile has whatever its length) is taken out, and each of the 100
# and 1000 km compiles is charged only what it adds to that.
#
# DISPLAY is unset, so no window opens. Needs bash 5 and a C++ compiler (CXX).
set -euo pipefail

radice="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath "${BUILD:-$radice/build}")"
scenario="$(realpath "${1:-$build/src/scenario}")"
giri="${2:-30}"
cxx="${CXX:-c++}"
tool="$(realpath "${TOOL:-$build/tools/scenario-tool}")"
minimo="$build/bench/scenario_min_writer"
sincrono=()
[[ "${FSYNC:-1}" == 1 ]] && sincrono=(--fsync)
picco="$build/bench/scenario_peak"
timer="$build/bench/scenario_time_processes"
modes=(harness shell)
[[ "${SHELL_TIMES:-1}" == 1 ]] || modes=(harness)
[[ -x "$scenario" ]] || { echo "compare.sh: no program at $scenario (build it first)" >&2; exit 2; }
[[ -x "$tool" ]] || { echo "compare.sh: no scenario-tool at $tool (build it first, or set TOOL)" >&2; exit 2; }
for p in "$minimo" "$picco" "$timer"; do
  [[ -x "$p" ]] || {
    echo "compare.sh: no $p (build the targets scenario_min_writer, scenario_time_processes and scenario_peak)" >&2
    exit 2
  }
done
unset DISPLAY

lavoro="$(mktemp -d "${TMPDIR:-/tmp}/scenario-compare-XXXXXX")"
trap 'rm -rf "$lavoro"' EXIT
if [[ "${TOOL_AS_BUILT:-0}" != 1 ]]; then
  mkdir "$lavoro/installati"
  cp "$tool" "$minimo" "$lavoro/installati/"
  tool="$lavoro/installati/$(basename "$tool")"
  minimo="$lavoro/installati/$(basename "$minimo")"
fi

mediana() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ms() { awk -v x="$1" 'BEGIN { printf "%.2f", x / 1000 }'; }
minimum() { sort -n | head -1; }
header() {
  printf '%-14s %s   %s\n' "" "--------------- without a shell ---------------" "------ bash -------"
  printf '%-14s %9s %9s %9s %9s %7s  %9s %9s\n' "" median min max "CPU" faults median min
}
# riga NAME "WALL TIMES" "CPU TIMES" "PAGE FAULTS" "BASH TIMES": one process's
# figures, times in µs, printed in ms; CPU and faults are medians.
# shellcheck disable=SC2086  # the lists of figures are meant to split
riga() {
  local shell_median="-" shell_min="-"
  if [[ -n "$5" ]]; then
    shell_median="$(ms "$(printf '%s\n' $5 | mediana)")" shell_min="$(ms "$(printf '%s\n' $5 | minimum)")"
  fi
  printf '%-14s %9s %9s %9s %9s %7s  %9s %9s\n' "$1" "$(ms "$(printf '%s\n' $2 | mediana)")" \
    "$(ms "$(printf '%s\n' $2 | minimum)")" "$(ms "$(printf '%s\n' $2 | sort -n | tail -1)")" \
    "$(ms "$(printf '%s\n' $3 | mediana)")" "$(printf '%s\n' $4 | mediana)" "$shell_median" "$shell_min"
}
# rapporto LABEL "NUMERATOR TIMES" "DENOMINATOR TIMES" LIMIT (- for none)
#   ["NUMERATOR BASH TIMES" "DENOMINATOR BASH TIMES"]: the ratio of the
# medians without a shell, judged against its target, and beside it the
# ratio of the minima (on a loaded machine the fastest run of each is the
# one least disturbed); then the same two ratios of the times through bash,
# for comparison only.
# shellcheck disable=SC2086  # the lists of times are meant to split
rapporto() {
  local a b am bm sa=0 sb=0 sam=0 sbm=0
  a="$(printf '%s\n' $2 | mediana)" b="$(printf '%s\n' $3 | mediana)"
  am="$(printf '%s\n' $2 | minimum)" bm="$(printf '%s\n' $3 | minimum)"
  if [[ -n "${5:-}" ]]; then
    sa="$(printf '%s\n' $5 | mediana)" sb="$(printf '%s\n' $6 | mediana)"
    sam="$(printf '%s\n' $5 | minimum)" sbm="$(printf '%s\n' $6 | minimum)"
  fi
  awk -v l="$1" -v a="$a" -v b="$b" -v am="$am" -v bm="$bm" -v t="$4" \
    -v sa="$sa" -v sb="$sb" -v sam="$sam" -v sbm="$sbm" 'BEGIN {
    x = a / b
    if (t == "-") printf "%-52s %5.2f  %-27s  minima: %.2f", l, x, "(no target)", am / bm
    else printf "%-52s %5.2f  (target <= %.2f: %-6s)  minima: %.2f", l, x, t, (x <= t ? "met" : "MISSED"), am / bm
    if (sb > 0) printf "   bash: %.2f (minima %.2f)", sa / sb, sam / sbm
    printf "\n" }'
}

# Times one process: `cronometra MODE PROGRAM ARGS...`; stdout and stderr go
# nowhere. Before it (not timed) the file system of the scratch folder writes
# back what earlier runs left in the page cache, so that no process waits on
# another's data. MODE harness: scenario_time_processes starts and times it
# and its line of figures goes to $lavoro/t. MODE shell: bash starts it
# between two readings of EPOCHREALTIME, and the µs go to $lavoro/t.
cronometra() {
  local mode="$1" t0 t1; shift
  sync -f "$lavoro"
  if [[ "$mode" == harness ]]; then
    "$timer" -- "$@" >"$lavoro/t" || { echo "compare.sh: $* failed" >&2; exit 1; }
  else
    t0=$EPOCHREALTIME
    "$@" >/dev/null 2>&1 || { echo "compare.sh: $* failed" >&2; exit 1; }
    t1=$EPOCHREALTIME
    echo $((10#${t1//[.,]/} - 10#${t0//[.,]/})) >"$lavoro/t"
  fi
}
# The order of the two timings of a slot in round G: they swap every round.
order() {
  local i
  if (($1 % 2)); then
    for ((i = 0; i < ${#modes[@]}; i++)); do echo "${modes[i]}"; done
  else
    for ((i = ${#modes[@]} - 1; i >= 0; i--)); do echo "${modes[i]}"; done
  fi
}
# record SET K MODE: the figures of the run just timed, added to the lists of
# program K of SET (1: the program's half, 2: the tool's), as µs (the
# harness's wall time rounded to the µs), CPU µs and page faults.
declare -A wall cpu faults shell_wall
record() {
  local key="$1.$2" w u s f
  if [[ "$3" == harness ]]; then
    read -r _ w _ u _ s _ _ _ f _ <"$lavoro/t"
    wall[$key]+="$(printf '%.0f' "$w") " cpu[$key]+="$((u + s)) " faults[$key]+="$f "
  else
    shell_wall[$key]+="$(<"$lavoro/t") "
  fi
}

carico="$(cut -d' ' -f1-3 /proc/loadavg)"

# ---------------------------------------------------------------- the program

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
sei=()
for n in "${nomi[@]}"; do sei+=("$n" "$(stat -c %s "$lavoro/cattura/$n")"); done

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

# The two baselines with those bytes built in: sources (kind 0), then
# documents (1), then binary files (2), in the run's order.
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

# Runs program K of the first half from a copy in a fresh folder, timed as
# MODE says; the figures go to $lavoro/t.
programmi1=("$scenario" "$lavoro/base_scrittura" "$lavoro/base_regole" "$minimo")
esegui1() {
  local programma="${programmi1[$1]}" cartella
  cartella="$(mktemp -d "$lavoro/giro-XXXXXX")"
  cp "$programma" "$cartella/"
  local eseguibile="$cartella/$(basename "$programma")"
  if (($1 == 3)); then
    cronometra "$2" "$eseguibile" "${sincrono[@]}" "$cartella" "${sei[@]}"
  else
    cronometra "$2" "$eseguibile"
  fi
  ultima_cartella="$cartella"
}

controlla1() {
  local f
  for f in "${nomi[@]}"; do
    cmp -s "$lavoro/cattura/$f" "$1/$f" || { echo "compare.sh: $f differs from the captured run" >&2; exit 1; }
  done
  for f in "${sorgenti[@]}"; do
    [[ ! -e "$1/$f" ]] || { echo "compare.sh: the source $f was left behind" >&2; exit 1; }
  done
}

for k in 0 1 2 3; do for mode in "${modes[@]}"; do esegui1 $k "$mode"; done; done  # warm the caches
for ((g = 1; g <= giri; g++)); do
  for ((j = 0; j < 4; j++)); do
    k=$(((g + j) % 4))
    for mode in $(order $g); do
      esegui1 $k "$mode"
      record 1 $k "$mode"
      ((k == 0)) && controlla1 "$ultima_cartella"
    done
  done
  rm -rf "$lavoro"/giro-*
done

byte=0
for f in "${nomi[@]}"; do byte=$((byte + $(stat -c %s "$lavoro/cattura/$f"))); done
# rapporto_di SET LABEL K_NUMERATOR K_DENOMINATOR LIMIT
rapporto_di() {
  rapporto "$2" "${wall[$1.$3]}" "${wall[$1.$4]}" "$5" "${shell_wall[$1.$3]:-}" "${shell_wall[$1.$4]:-}"
}
# riga_di NAME SET K: riga for program K of SET.
riga_di() { riga "$1" "${wall[$2.$3]}" "${cpu[$2.$3]}" "${faults[$2.$3]}" "${shell_wall[$2.$3]:-}"; }

echo "load average before: $carico"
echo
echo "== The program's embedded run: $giri rotated rounds; six files, $byte bytes; times in ms"
header
riga_di scenario 1 0
riga_di min_writer 1 3
riga_di baseline 1 1
riga_di rules 1 2
rapporto_di 1 "scenario / min_writer of its six files" 0 3 1.2
# The baseline and the rules flush nothing to disk; the run does, so these
# three ratios show where its time goes rather than judge it.
rapporto_di 1 "scenario / baseline (open, write, close; no temporaries)" 0 1 -
rapporto_di 1 "  of which rules / baseline (the rules' file work)" 2 1 -
rapporto_di 1 "  and scenario / rules (computing the scenario)" 0 2 -

# ---------------------------------------------------------------- the tool

lunghezze=(10 100 1000)
declare -A uscite  # km -> "name bytes name bytes name bytes"
declare -A totale  # km -> bytes of the three files
for km in "${lunghezze[@]}"; do
  mkdir -p "$lavoro/sorgenti-$km"
  "$picco" --sources "$km" "$lavoro/sorgenti-$km"
  sl=("$lavoro/sorgenti-$km/"*_linea.txt) st=("$lavoro/sorgenti-$km/"*-.txt)
  printf -v "linea_$km" '%s' "${sl[0]}"
  printf -v "treno_$km" '%s' "${st[0]}"
  "$tool" compile "${sl[0]}" "${st[0]}" -o "$lavoro/cattura-$km" >"$lavoro/scritti-$km"
  elenco="" n=0
  while read -r f; do
    elenco+="$(basename "$f") $(stat -c %s "$f") "
    n=$((n + $(stat -c %s "$f")))
  done <"$lavoro/scritti-$km"
  uscite[$km]="$elenco"
  totale[$km]=$n
done

# Program K of the second half into a fresh folder, timed as MODE says; the
# figures go to $lavoro/t.
nomi2=(true version compile_10 writer_10 compile_100 writer_100 compile_1000 writer_1000)
esegui2() {
  local cartella km
  cartella="$(mktemp -d "$lavoro/giro-XXXXXX")"
  ultima_cartella="$cartella"
  case $1 in
    0) cronometra "$2" /bin/true ;;
    1) cronometra "$2" "$tool" --version ;;
    *)
      km=${lunghezze[$((($1 - 2) / 2))]}
      if (($1 % 2 == 0)); then
        local l="linea_$km" t="treno_$km"
        cronometra "$2" "$tool" compile "${!l}" "${!t}" -o "$cartella"
      else
        # shellcheck disable=SC2086  # names and sizes are meant to split
        cronometra "$2" "$minimo" "${sincrono[@]}" "$cartella" ${uscite[$km]}
      fi
      ;;
  esac
}

controlla2() {
  local km=${lunghezze[$((($1 - 2) / 2))]} f
  while read -r f; do
    cmp -s "$f" "$2/$(basename "$f")" || { echo "compare.sh: $(basename "$f") of $km km differs" >&2; exit 1; }
  done <"$lavoro/scritti-$km"
}

for k in "${!nomi2[@]}"; do for mode in "${modes[@]}"; do esegui2 "$k" "$mode"; done; done  # warm the caches
rm -rf "$lavoro"/giro-*
quanti=${#nomi2[@]}
for ((g = 1; g <= giri; g++)); do
  for ((j = 0; j < quanti; j++)); do
    k=$(((g + j) % quanti))
    for mode in $(order $g); do
      esegui2 $k "$mode"
      record 2 $k "$mode"
      ((k >= 2 && k % 2 == 0)) && controlla2 $k "$ultima_cartella"
    done
  done
  rm -rf "$lavoro"/giro-*
done

# Peak resident memory of the longest route's compile, in untimed runs.
picchi=()
for ((g = 1; g <= 5; g++)); do
  cartella="$(mktemp -d "$lavoro/giro-XXXXXX")"
  read -r _ p _ _ < <("$picco" --rss "$tool" compile "$linea_1000" "$treno_1000" -o "$cartella")
  picchi+=("$p")
  rm -rf "$cartella"
done
picco_kib="$(printf '%s\n' "${picchi[@]}" | mediana)"

echo
echo "== scenario-tool: $giri rotated rounds; output bytes: 10 km ${totale[10]}, 100 km ${totale[100]}," \
  "1000 km ${totale[1000]}; times in ms"
header
declare -A med
for k in "${!nomi2[@]}"; do
  riga_di "${nomi2[$k]}" 2 "$k"
  # shellcheck disable=SC2086
  med[${nomi2[$k]}]="$(printf '%s\n' ${wall[2.$k]} | mediana)"
done
rapporto_di 2 "scenario-tool --version / /bin/true" 1 0 1.5
rapporto_di 2 "compile 10 km / min_writer of its three files" 2 3 1.5
rapporto_di 2 "compile 100 km / min_writer of its three files" 4 5 -
rapporto_di 2 "compile 1000 km / min_writer of its three files" 6 7 1.3
awk -v p="$picco_kib" -v o="${totale[1000]}" 'BEGIN {
  l = (1.5 * o + 8 * 1048576) / 1024
  printf "%-52s %5.2f  (target <= 1.00: %s)\n", sprintf("compile 1000 km: peak RSS %.1f MiB / (1.5 x out + 8 MiB)", p / 1024), p / l, (p <= l ? "met" : "MISSED")
}'
# Time per km, from the times without a shell. What a compile costs
# whatever the length (the process's start, reading two sources, creating
# three files) is taken out as the 10 km compile's time: the cost per km at
# 100 and at 1000 km is the time each adds to it, per km added. For reference, also with only the start
# (the median of --version) taken out, which leaves the fixed costs of a
# compile spread over the kilometres.
awk -v v="${med[version]}" -v a="${med[compile_10]}" -v b="${med[compile_100]}" -v c="${med[compile_1000]}" 'BEGIN {
  printf "time per km beyond the 10 km compile: 100 km %.4f ms, 1000 km %.4f ms\n", (b - a) / 90 / 1000, (c - a) / 990 / 1000
  printf "time per km, --version taken out: 10 km %.4f ms, 100 km %.4f ms, 1000 km %.4f ms\n", (a - v) / 10 / 1000, (b - v) / 100 / 1000, (c - v) / 1000 / 1000
  x = ((c - a) / 990) / ((b - a) / 90); d = x > 1 ? x - 1 : 1 - x
  printf "%-52s %5.2f  (target within 0.75 to 1.25: %s)\n", "time per km, 1000 km / 100 km", x, (d <= 0.25 ? "met" : "MISSED")
}'
# The same measure of the minimal writer: what writing the bytes alone does
# from 100 to 1000 km on this file system, for the figure above to be read
# against.
awk -v a="${med[writer_10]}" -v b="${med[writer_100]}" -v c="${med[writer_1000]}" 'BEGIN {
  printf "%-52s %5.2f  (no target)\n", "  min_writer alone, time per km 1000 km / 100 km", ((c - a) / 990) / ((b - a) / 90)
}'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
