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
# prefix) and the Linux program (build/src/scenario), whose run gives the
# six files' names and sizes. Each round runs both under one Wine server
# kept running, each from a copy in a fresh folder, in an order that
# alternates, timed with bash's EPOCHREALTIME around `wine PROGRAM`; every
# run of scenario.exe must leave the Linux run's six files byte for byte.
# Wine's own start of a process is part of both figures.
set -euo pipefail

radice="$(cd "$(dirname "$0")/.." && pwd)"
giri="${1:-21}"
exe="$radice/build-win/src/scenario.exe"
linux="$radice/build/src/scenario"
for p in "$exe" "$linux"; do
  [[ -x "$p" || -f "$p" ]] || { echo "compare_wine.sh: no $p (run scripts/windows.sh and scripts/run.sh first)" >&2; exit 2; }
done
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
cronometra() {
  local t0 t1
  sync -f "$lavoro"
  t0=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || { echo "compare_wine.sh: $* failed" >&2; exit 1; }
  t1=$EPOCHREALTIME
  echo $(( 10#${t1//[.,]/} - 10#${t0//[.,]/} ))
}
corsa_programma() {
  local d
  d="$(mktemp -d "$lavoro/p-XXXXXX")"
  cp "$exe" "$d/"
  cronometra wine "$d/scenario.exe" >>"$lavoro/t_programma"
  for f in "$lavoro/cattura/"*; do
    cmp -s "$f" "$d/$(basename "$f")" || { echo "compare_wine.sh: $(basename "$f") differs from the Linux run" >&2; exit 1; }
  done
}
corsa_scrittore() {
  local d
  d="$(mktemp -d "$lavoro/w-XXXXXX")"
  cp "$lavoro/scenario_min_writer.exe" "$d/"
  cronometra wine "$d/scenario_min_writer.exe" "$(winepath -w "$d")" "${sei[@]}" >>"$lavoro/t_scrittore"
}

corsa_programma; corsa_scrittore  # warm the caches and the server
: >"$lavoro/t_programma"; : >"$lavoro/t_scrittore"
for ((g = 1; g <= giri; g++)); do
  if ((g % 2)); then corsa_programma; corsa_scrittore; else corsa_scrittore; corsa_programma; fi
done

p="$(mediana <"$lavoro/t_programma")" w="$(mediana <"$lavoro/t_scrittore")"
pm="$(sort -n "$lavoro/t_programma" | head -1)" wm="$(sort -n "$lavoro/t_scrittore" | head -1)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg); $giri rounds, under Wine"
awk -v p="$p" -v w="$w" -v pm="$pm" -v wm="$wm" 'BEGIN {
  printf "scenario.exe       median %7.2f ms   min %7.2f ms\n", p / 1000, pm / 1000
  printf "min_writer.exe     median %7.2f ms   min %7.2f ms\n", w / 1000, wm / 1000
  printf "scenario.exe / min_writer.exe of its six files  %.2f  (no target under Wine)  minima: %.2f\n", p / w, pm / wm }'
