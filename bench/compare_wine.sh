#!/usr/bin/env bash
# The program's embedded run on Windows, under Wine, against the least a
# Windows process can do to leave the same six files: the minimal writer
# (bench/scrittore_minimo.cpp, cross-built here as a desktop program, as
# scenario.exe is, writing as the Windows folder layer does: temporary name,
# pieces of 1 MiB, FlushFileBuffers, MoveFileEx with write-through).
#
#   bench/compare_wine.sh [ROUNDS]
#
# Needs the Windows build (scripts/windows.sh makes build-win/ and its Wine
# prefix), the Linux program (build/src/scenario), whose run gives the six
# files' names and sizes, and the process timer
# (build/bench/scenario_time_processes). Each round runs both under one Wine
# server kept running, each from a copy in a fresh folder, in an order that
# alternates; every run of scenario.exe must leave the Linux run's six files
# byte for byte. Wine's own start of a process is part of both figures.
#
# The figures that count come from scenario_time_processes (posix_spawn and
# wait4, no shell in between; see bench/compare.sh), starting Wine's loader
# itself: Debian's `wine` is a /bin/sh script that picks the loader, sets
# WINELOADER and execs it, so the script's loader is run directly, with
# WINELOADER set as the script sets it (WINE_LOADER names another). Beside
# them, labelled "bash", each program runs once more in the same slot of
# the round, timed as this script did before: bash's EPOCHREALTIME around
# `wine PROGRAM`, which puts bash's fork and exec and the `wine` script
# inside the interval. SHELL_TIMES=0 leaves those runs out.
set -euo pipefail

radice="$(cd "$(dirname "$0")/.." && pwd)"
giri="${1:-21}"
exe="$radice/build-win/src/scenario.exe"
linux="$radice/build/src/scenario"
timer="$radice/build/bench/scenario_time_processes"
for p in "$exe" "$linux"; do
  [[ -x "$p" || -f "$p" ]] || { echo "compare_wine.sh: no $p (run scripts/windows.sh and scripts/run.sh first)" >&2; exit 2; }
done
[[ -x "$timer" ]] || { echo "compare_wine.sh: no $timer (build the target scenario_time_processes)" >&2; exit 2; }
loader="${WINE_LOADER:-}"
if [[ -z "$loader" ]]; then
  for candidate in /usr/lib/wine/wine /usr/lib/wine/wine64; do
    if [[ -x "$candidate" ]]; then loader="$candidate"; break; fi
  done
fi
[[ -x "$loader" ]] || { echo "compare_wine.sh: no Wine loader in /usr/lib/wine (set WINE_LOADER)" >&2; exit 2; }
export WINELOADER="${WINELOADER:-$loader}"
modes=(harness shell)
[[ "${SHELL_TIMES:-1}" == 1 ]] || modes=(harness)
export WINEPREFIX="${WINEPREFIX:-$radice/build-win/wine}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

lavoro="$(mktemp -d "${TMPDIR:-/tmp}/scenario-wine-XXXXXX")"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$lavoro"' EXIT

x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -static -mwindows "$radice/bench/scrittore_minimo.cpp" \
  -o "$lavoro/scenario_min_writer.exe"

# The six files of a Linux run: their names, sizes and bytes.
mkdir "$lavoro/cattura"
cp "$linux" "$lavoro/cattura/"
(cd "$lavoro/cattura" && ./scenario 2>/dev/null) || { echo "compare_wine.sh: the Linux run failed" >&2; exit 1; }
rm "$lavoro/cattura/scenario"
sei=()
for f in "$lavoro/cattura/"*; do sei+=("$(basename "$f")" "$(stat -c %s "$f")"); done
[[ ${#sei[@]} -eq 12 ]] || { echo "compare_wine.sh: expected six files from the Linux run" >&2; exit 1; }

wineserver -p  # one server for every run, so that no run pays for starting it
mediana() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# cronometra MODE FILE PROGRAM ARGS...: one run's µs appended to FILE.MODE.
# harness: Wine's loader started and timed by scenario_time_processes;
# shell: `wine PROGRAM ARGS` between two readings of bash's EPOCHREALTIME.
cronometra() {
  local mode="$1" file="$2" t0 t1 w
  shift 2
  sync -f "$lavoro"
  if [[ "$mode" == harness ]]; then
    read -r _ w _ < <("$timer" -- "$loader" "$@" || echo "failed")
    [[ "$w" =~ ^[0-9.]+$ ]] || { echo "compare_wine.sh: $* failed" >&2; exit 1; }
    printf '%.0f\n' "$w" >>"$file.$mode"
  else
    t0=$EPOCHREALTIME
    wine "$@" >/dev/null 2>&1 || { echo "compare_wine.sh: wine $* failed" >&2; exit 1; }
    t1=$EPOCHREALTIME
    echo $((10#${t1//[.,]/} - 10#${t0//[.,]/})) >>"$file.$mode"
  fi
}
corsa_programma() {
  local d
  d="$(mktemp -d "$lavoro/p-XXXXXX")"
  cp "$exe" "$d/"
  cronometra "$1" "$lavoro/t_programma" "$d/scenario.exe"
  for f in "$lavoro/cattura/"*; do
    cmp -s "$f" "$d/$(basename "$f")" || { echo "compare_wine.sh: $(basename "$f") differs from the Linux run" >&2; exit 1; }
  done
}
corsa_scrittore() {
  local d
  d="$(mktemp -d "$lavoro/w-XXXXXX")"
  cp "$lavoro/scenario_min_writer.exe" "$d/"
  cronometra "$1" "$lavoro/t_scrittore" "$d/scenario_min_writer.exe" "$(winepath -w "$d")" "${sei[@]}"
}
# Both timings of one program, their order swapped every round.
entrambi() {
  local i
  if (($2 % 2)); then
    for ((i = 0; i < ${#modes[@]}; i++)); do "$1" "${modes[i]}"; done
  else
    for ((i = ${#modes[@]} - 1; i >= 0; i--)); do "$1" "${modes[i]}"; done
  fi
}

entrambi corsa_programma 1; entrambi corsa_scrittore 1  # warm the caches and the server
for mode in "${modes[@]}"; do : >"$lavoro/t_programma.$mode"; : >"$lavoro/t_scrittore.$mode"; done
for ((g = 1; g <= giri; g++)); do
  if ((g % 2)); then
    entrambi corsa_programma "$g"; entrambi corsa_scrittore "$g"
  else
    entrambi corsa_scrittore "$g"; entrambi corsa_programma "$g"
  fi
  rm -rf "$lavoro"/p-* "$lavoro"/w-*
done

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg); $giri rounds, under Wine; loader $loader"
for mode in "${modes[@]}"; do
  p="$(mediana <"$lavoro/t_programma.$mode")" w="$(mediana <"$lavoro/t_scrittore.$mode")"
  pm="$(sort -n "$lavoro/t_programma.$mode" | head -1)" wm="$(sort -n "$lavoro/t_scrittore.$mode" | head -1)"
  if [[ "$mode" == harness ]]; then
    title="without a shell (the loader started with posix_spawn, waited for with wait4)"
    label="scenario.exe / min_writer.exe of its six files"
  else
    title="bash (EPOCHREALTIME around \`wine PROGRAM\`), for comparison"
    label="  bash: scenario.exe / min_writer.exe"
  fi
  awk -v t="$title" -v l="$label" -v p="$p" -v w="$w" -v pm="$pm" -v wm="$wm" 'BEGIN {
    printf "%s\n", t
    printf "  scenario.exe       median %7.2f ms   min %7.2f ms\n", p / 1000, pm / 1000
    printf "  min_writer.exe     median %7.2f ms   min %7.2f ms\n", w / 1000, wm / 1000
    printf "%-48s %.2f  (no target under Wine)  minima: %.2f\n", l, p / w, pm / wm }'
done
