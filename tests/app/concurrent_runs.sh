#!/usr/bin/env bash
# concurrent_runs.sh N SCENARIO SCENARIO_TOOL
#
# N rounds, each starting together in one folder: the program twice and a
# compile of another scenario (same identity, another route) into that
# folder. Every one of them must either finish (status 0) or refuse with the
# folder busy (status 4, saying so); afterwards the three binary files must
# be one whole set, the program's or the compile's, `check` must say ok, and
# neither a source, a temporary nor the lock may be left.
set -euo pipefail

uso="usage: concurrent_runs.sh N SCENARIO SCENARIO_TOOL"
n="${1:?$uso}"
scenario="${2:?$uso}"
tool="${3:?$uso}"
unset DISPLAY WAYLAND_DISPLAY

lavoro="$(mktemp -d "${TMPDIR:-/tmp}/scenario-concurrent.XXXXXX")"
# Only this shell removes it. A child forked for a background run carries
# this trap until it execs the program: a signal sent to the run in that
# moment would make the child remove the work folder under the loop (seen
# in 1329 of 1500 TERMs sent right after the fork).
trap '[[ $BASHPID == "$$" ]] && rm -rf "$lavoro"' EXIT

# Another scenario under the same identity: the embedded sources with the
# route 5 km shorter and its last station moved up accordingly is more than
# we need; a route length alone changes every binary file.
sorgenti="$lavoro/sorgenti"
"$tool" export -o "$sorgenti" >/dev/null
linea="$sorgenti/Ardena_VelmoraCle_linea.txt"
treno="$sorgenti/Ardena_VelmoraCle_4713-.txt"
sed -i 's/^lunghezza percorso, *\([0-9]*\)/lunghezza percorso,    90000/' "$linea"
grep -q "lunghezza percorso,    90000" "$linea" || { echo "could not change the route length"; exit 1; }

binari=(Ardena_VelmoraCle_linea.dat Ardena_VelmoraCle_4713.sim Ardena_VelmoraCle_4713.dat)
rif_programma="$lavoro/rif-programma"
rif_compile="$lavoro/rif-compile"
mkdir "$rif_programma"
cp "$scenario" "$rif_programma/scenario"
"$rif_programma/scenario" 2>/dev/null
"$tool" compile "$linea" "$treno" -o "$rif_compile" >/dev/null 2>&1 || true
for f in "${binari[@]}"; do
  [[ -f "$rif_compile/$f" ]] || { echo "the other scenario did not compile: $f missing"; exit 1; }
  cmp -s "$rif_programma/$f" "$rif_compile/$f" && { echo "the two scenarios give the same $f"; exit 1; }
done

# 0, or 4 with its message; anything else fails the loop.
accettabile() {
  local stato="$1" errori="$2" chi="$3" giro="$4"
  if ((stato == 0)); then return 0; fi
  if ((stato == 4)) && grep -q "in use by another run" "$errori"; then return 0; fi
  echo "round $giro: $chi ended with status $stato:"
  cat "$errori"
  exit 1
}

dir="$lavoro/cartella"
mkdir "$dir"
cp "$scenario" "$dir/scenario"
occupati=0
per_programma=0
per_compile=0
for ((giro = 1; giro <= n; giro++)); do
  "$dir/scenario" 2>"$lavoro/e1" &
  p1=$!
  "$dir/scenario" 2>"$lavoro/e2" &
  p2=$!
  "$tool" compile "$linea" "$treno" -o "$dir" >/dev/null 2>"$lavoro/e3" &
  p3=$!
  s1=0; wait "$p1" || s1=$?
  s2=0; wait "$p2" || s2=$?
  s3=0; wait "$p3" || s3=$?
  # The compile reports the route's error code 1 when there is one; the
  # other scenario compiles clean, so 0 is expected there too.
  accettabile "$s1" "$lavoro/e1" "the first run" "$giro"
  accettabile "$s2" "$lavoro/e2" "the second run" "$giro"
  accettabile "$s3" "$lavoro/e3" "the compile" "$giro"
  for s in "$s1" "$s2" "$s3"; do ((s == 4)) && occupati=$((occupati + 1)); done

  # One whole set: every binary file from the program, or every one from the compile.
  da=""
  for f in "${binari[@]}"; do
    if cmp -s "$dir/$f" "$rif_programma/$f"; then chi=programma
    elif cmp -s "$dir/$f" "$rif_compile/$f"; then chi=compile
    else echo "round $giro: $f is neither run's"; exit 1; fi
    if [[ -z "$da" ]]; then da="$chi"; elif [[ "$da" != "$chi" ]]; then
      echo "round $giro: a mixed set ($f from the $chi, an earlier file from the $da)"
      exit 1
    fi
  done
  [[ "$da" == programma ]] && per_programma=$((per_programma + 1)) || per_compile=$((per_compile + 1))
  if ! "$tool" check "$dir" >"$lavoro/check" 2>&1; then
    echo "round $giro: check does not say ok:"; cat "$lavoro/check"; exit 1
  fi
  for f in "$dir"/.[!.]* "$dir"/*.txt; do
    [[ -e "$f" ]] || continue
    case "$(basename "$f")" in
      *_note.txt | *_rallentamenti.txt | *_scheda_treno.txt) ;;
      *) echo "round $giro: $(basename "$f") left behind"; exit 1 ;;
    esac
  done
done
echo "concurrent runs: $n rounds of three; $occupati refusals (folder busy); final set from the program $per_programma times, from the compile $per_compile times; never mixed"
