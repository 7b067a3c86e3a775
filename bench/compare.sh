#!/usr/bin/env bash
# The embedded run as a whole process against the least a process can do to
# leave the same files behind.
#
#   bench/compare.sh [SCENARIO] [ROUNDS]
#
# SCENARIO is the built program (default: build/src/scenario, the README's
# build); ROUNDS the number of rounds (default 30).
#
# 1. One run of SCENARIO in a scratch folder captures its six files.
# 2. The baseline program (bench/base_scrittura.cpp) is built with those
#    bytes inside it: when it runs it reads nothing and only writes the six
#    files into its own folder (open, write, close each).
# 3. Each round runs both programs once, each from a copy in a fresh folder
#    (the copy is not timed), in alternating order (scenario first in odd
#    rounds, baseline first in even ones), timed with bash's EPOCHREALTIME
#    around the process alone. Every scenario run's files are checked
#    against the captured ones (not timed).
# 4. Prints the median, minimum and maximum of each, and the ratio of the
#    medians (target: at most 1.5).
#
# Without a display the program writes "Attendere" to standard error; DISPLAY
# is unset so that no window opens. Needs bash 5 and a C++ compiler (CXX).
set -euo pipefail

radice="$(cd "$(dirname "$0")/.." && pwd)"
scenario="$(realpath "${1:-$radice/build/src/scenario}")"
giri="${2:-30}"
cxx="${CXX:-c++}"
[[ -x "$scenario" ]] || { echo "compare.sh: no program at $scenario (build it first)" >&2; exit 2; }
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

# 2. The baseline with those bytes built in.
: >"$lavoro/base_file.inc"
for i in "${!nomi[@]}"; do
  printf 'FILE_BASE(%d, "%s", "%s")\n' "$i" "${nomi[$i]}" "$lavoro/cattura/${nomi[$i]}" >>"$lavoro/base_file.inc"
done
"$cxx" -std=c++20 -O2 -static-libstdc++ -static-libgcc -I"$lavoro" "$radice/bench/base_scrittura.cpp" -o "$lavoro/base_scrittura"

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
}

mediana() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

carico="$(cut -d' ' -f1-3 /proc/loadavg)"

# 3. Alternated rounds (one untimed round of each first, to warm the caches).
esegui "$scenario" >/dev/null
esegui "$lavoro/base_scrittura" >/dev/null
controlla "$ultima_cartella"
tempi_s=()
tempi_b=()
for ((g = 1; g <= giri; g++)); do
  if ((g % 2)); then
    esegui "$scenario" >"$lavoro/t"; tempi_s+=("$(<"$lavoro/t")"); controlla "$ultima_cartella"
    esegui "$lavoro/base_scrittura" >"$lavoro/t"; tempi_b+=("$(<"$lavoro/t")")
  else
    esegui "$lavoro/base_scrittura" >"$lavoro/t"; tempi_b+=("$(<"$lavoro/t")")
    esegui "$scenario" >"$lavoro/t"; tempi_s+=("$(<"$lavoro/t")"); controlla "$ultima_cartella"
  fi
  rm -rf "$lavoro"/giro-*
done

# 4. Medians and the ratio.
ms() { awk -v x="$1" 'BEGIN { printf "%.2f", x / 1000 }'; }
riga() {
  local nome="$1"; shift
  printf '%-9s median %7s ms   min %7s ms   max %7s ms\n' "$nome" "$(ms "$(printf '%s\n' "$@" | mediana)")" \
    "$(ms "$(printf '%s\n' "$@" | sort -n | head -1)")" "$(ms "$(printf '%s\n' "$@" | sort -n | tail -1)")"
}
byte=0
for f in "${nomi[@]}"; do byte=$((byte + $(stat -c %s "$lavoro/cattura/$f"))); done
echo "$giri alternated rounds; six files, $byte bytes; load average before: $carico"
riga scenario "${tempi_s[@]}"
riga baseline "${tempi_b[@]}"
awk -v s="$(printf '%s\n' "${tempi_s[@]}" | mediana)" -v b="$(printf '%s\n' "${tempi_b[@]}" | mediana)" \
  'BEGIN { r = s / b; printf "ratio of medians scenario / baseline: %.2f (target <= 1.50: %s)\n", r, (r <= 1.5 ? "met" : "MISSED") }'
