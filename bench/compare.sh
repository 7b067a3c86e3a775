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
# overrides), bench/scenario_min_writer and bench/scenario_peak.
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
# (sync -f, not timed), is started the same way (fork and exec by bash, no
# shell in between) and is timed with bash's EPOCHREALTIME around the process alone, and
# every run's files are checked (not timed). Prints medians, minimum and
# maximum, every ratio of medians with its target and, beside it, the ratio
# of the minima. Time per km: what the 10 km compile takes (the start and
# every cost a compile has whatever its length) is taken out, and each of
# the 100 and 1000 km compiles is charged only what it adds to that.
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
[[ -x "$scenario" ]] || { echo "compare.sh: no program at $scenario (build it first)" >&2; exit 2; }
[[ -x "$tool" ]] || { echo "compare.sh: no scenario-tool at $tool (build it first, or set TOOL)" >&2; exit 2; }
for p in "$minimo" "$picco"; do
  [[ -x "$p" ]] || { echo "compare.sh: no $p (build the targets scenario_min_writer and scenario_peak)" >&2; exit 2; }
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
riga() {
  local nome="$1"; shift
  printf '%-14s median %7s ms   min %7s ms   max %7s ms\n' "$nome" "$(ms "$(printf '%s\n' "$@" | mediana)")" \
    "$(ms "$(printf '%s\n' "$@" | sort -n | head -1)")" "$(ms "$(printf '%s\n' "$@" | sort -n | tail -1)")"
}
# rapporto LABEL "NUMERATOR TIMES" "DENOMINATOR TIMES" LIMIT (- for none): the ratio of the
# medians, judged against its target, and beside it the ratio of the minima
# (on a loaded machine the fastest run of each is the one least disturbed).
rapporto() {
  local a b am bm
  a="$(printf '%s\n' $2 | mediana)" b="$(printf '%s\n' $3 | mediana)"
  am="$(printf '%s\n' $2 | sort -n | head -1)" bm="$(printf '%s\n' $3 | sort -n | head -1)"
  awk -v l="$1" -v a="$a" -v b="$b" -v am="$am" -v bm="$bm" -v t="$4" 'BEGIN {
    x = a / b
    if (t == "-") printf "%-52s %5.2f  %-27s  minima: %.2f\n", l, x, "(no target)", am / bm
    else printf "%-52s %5.2f  (target <= %.2f: %-6s)  minima: %.2f\n", l, x, t, (x <= t ? "met" : "MISSED"), am / bm }'
}

# Times one process in µs: `cronometra OUTPUT_FILE PROGRAM ARGS...`; stdout
# and stderr go nowhere. The time is written to OUTPUT_FILE. Before it (not
# timed) the file system of the scratch folder writes back what earlier runs
# left in the page cache, so that no process waits on another's data.
cronometra() {
  local uscita="$1" t0 t1; shift
  sync -f "$lavoro"
  t0=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || { echo "compare.sh: $* failed" >&2; exit 1; }
  t1=$EPOCHREALTIME
  echo $(( 10#${t1//[.,]/} - 10#${t0//[.,]/} )) >"$uscita"
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

# Runs program K of the first half from a copy in a fresh folder; the time goes to $lavoro/t.
programmi1=("$scenario" "$lavoro/base_scrittura" "$lavoro/base_regole" "$minimo")
esegui1() {
  local programma="${programmi1[$1]}" cartella
  cartella="$(mktemp -d "$lavoro/giro-XXXXXX")"
  cp "$programma" "$cartella/"
  local eseguibile="$cartella/$(basename "$programma")"
  if (($1 == 3)); then
    cronometra "$lavoro/t" "$eseguibile" "${sincrono[@]}" "$cartella" "${sei[@]}"
  else
    cronometra "$lavoro/t" "$eseguibile"
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

for k in 0 1 2 3; do esegui1 $k; done  # warm the caches
tempi1=("" "" "" "")
for ((g = 1; g <= giri; g++)); do
  for ((j = 0; j < 4; j++)); do
    k=$(((g + j) % 4))
    esegui1 $k
    tempi1[$k]+="$(<"$lavoro/t") "
    ((k == 0)) && controlla1 "$ultima_cartella"
  done
  rm -rf "$lavoro"/giro-*
done

byte=0
for f in "${nomi[@]}"; do byte=$((byte + $(stat -c %s "$lavoro/cattura/$f"))); done
echo "load average before: $carico"
echo
echo "== The program's embedded run: $giri rotated rounds; six files, $byte bytes"
# shellcheck disable=SC2086  # the lists of times are meant to split
{
  riga scenario ${tempi1[0]}
  riga min_writer ${tempi1[3]}
  riga baseline ${tempi1[1]}
  riga rules ${tempi1[2]}
}
rapporto "scenario / min_writer of its six files" "${tempi1[0]}" "${tempi1[3]}" 1.2
# The baseline and the rules flush nothing to disk; the run does, so these
# three ratios show where its time goes rather than judge it.
rapporto "scenario / baseline (open, write, close; no temporaries)" "${tempi1[0]}" "${tempi1[1]}" -
rapporto "  of which rules / baseline (the rules' file work)" "${tempi1[2]}" "${tempi1[1]}" -
rapporto "  and scenario / rules (computing the scenario)" "${tempi1[0]}" "${tempi1[2]}" -

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

# Program K of the second half into a fresh folder; the time goes to $lavoro/t.
nomi2=(true version compile_10 writer_10 compile_100 writer_100 compile_1000 writer_1000)
esegui2() {
  local cartella km
  cartella="$(mktemp -d "$lavoro/giro-XXXXXX")"
  ultima_cartella="$cartella"
  case $1 in
    0) cronometra "$lavoro/t" /bin/true ;;
    1) cronometra "$lavoro/t" "$tool" --version ;;
    *)
      km=${lunghezze[$((($1 - 2) / 2))]}
      if (($1 % 2 == 0)); then
        local l="linea_$km" t="treno_$km"
        cronometra "$lavoro/t" "$tool" compile "${!l}" "${!t}" -o "$cartella"
      else
        # shellcheck disable=SC2086  # names and sizes are meant to split
        cronometra "$lavoro/t" "$minimo" "${sincrono[@]}" "$cartella" ${uscite[$km]}
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

for k in "${!nomi2[@]}"; do esegui2 "$k"; done  # warm the caches
rm -rf "$lavoro"/giro-*
tempi2=()
for k in "${!nomi2[@]}"; do tempi2[$k]=""; done
quanti=${#nomi2[@]}
for ((g = 1; g <= giri; g++)); do
  for ((j = 0; j < quanti; j++)); do
    k=$(((g + j) % quanti))
    esegui2 $k
    tempi2[$k]+="$(<"$lavoro/t") "
    ((k >= 2 && k % 2 == 0)) && controlla2 $k "$ultima_cartella"
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
echo "== scenario-tool: $giri rotated rounds; output bytes: 10 km ${totale[10]}, 100 km ${totale[100]}, 1000 km ${totale[1000]}"
declare -A tempo med
for k in "${!nomi2[@]}"; do
  # shellcheck disable=SC2086
  riga "${nomi2[$k]}" ${tempi2[$k]}
  tempo[${nomi2[$k]}]="${tempi2[$k]}"
  # shellcheck disable=SC2086
  med[${nomi2[$k]}]="$(printf '%s\n' ${tempi2[$k]} | mediana)"
done
rapporto "scenario-tool --version / /bin/true" "${tempo[version]}" "${tempo[true]}" 1.5
rapporto "compile 10 km / min_writer of its three files" "${tempo[compile_10]}" "${tempo[writer_10]}" 1.5
rapporto "compile 100 km / min_writer of its three files" "${tempo[compile_100]}" "${tempo[writer_100]}" -
rapporto "compile 1000 km / min_writer of its three files" "${tempo[compile_1000]}" "${tempo[writer_1000]}" 1.3
awk -v p="$picco_kib" -v o="${totale[1000]}" 'BEGIN {
  l = (1.5 * o + 8 * 1048576) / 1024
  printf "%-52s %5.2f  (target <= 1.00: %s)\n", sprintf("compile 1000 km: peak RSS %.1f MiB / (1.5 x out + 8 MiB)", p / 1024), p / l, (p <= l ? "met" : "MISSED")
}'
# Time per km. What a compile costs whatever the length (the process's
# start, reading two sources, creating three files) is taken out as the
# 10 km compile's time: the cost per km at 100 and at 1000 km is the time
# each adds to it, per km added. For reference, also with only the start
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
