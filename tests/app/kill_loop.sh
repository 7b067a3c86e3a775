#!/usr/bin/env bash
# kill_loop.sh N SCENARIO SCENARIO_TOOL [SIGNAL]
#
# Starts the scenario program N times, each in a fresh folder of its own, and
# sends it SIGNAL (KILL by default, or TERM, INT, HUP) after a random delay
# spread over the length of a run. After each one, every file left under a
# final name must be complete: the bytes of a clean run for the binary files
# and the documents, the bytes the tool exports for the two sources.
# After SIGKILL temporary files (".NAME.tmp-..."), the two sources and the
# folder lock may stay; they never carry a final name, and the next run
# clears them. After a signal the program can handle, nothing of the kind
# may stay, and the program ends with 128 + the signal's number (or 0 when
# it finished first).
set -euo pipefail
# Each run in a process group of its own: a background job of a script
# would otherwise start with SIGINT ignored.
set -m
# Whatever stops the loop says why: a command that fails under `set -e`
# would otherwise end it without a word.
trap 'echo "kill loop: line $LINENO: \"$BASH_COMMAND\" failed with status $?"; ls -la "$lavoro" 2>&1 | head -20' ERR

uso="usage: kill_loop.sh N SCENARIO SCENARIO_TOOL [KILL|TERM|INT|HUP]"
n="${1:?$uso}"
scenario="${2:?$uso}"
tool="${3:?$uso}"
segnale="${4:-KILL}"
numero_segnale="$(kill -l "$segnale")"
unset DISPLAY WAYLAND_DISPLAY

lavoro="$(mktemp -d "${TMPDIR:-/tmp}/scenario-kill-loop.XXXXXX")"
# Only this shell removes it. A child forked for a background run carries
# this trap until it execs the program: a signal sent to the run in that
# moment would make the child remove the work folder under the loop (seen
# in 1329 of 1500 TERMs sent right after the fork).
trap '[[ $BASHPID == "$$" ]] && rm -rf "$lavoro"' EXIT

# The complete bytes of every file a run may leave under a final name.
riferimento="$lavoro/riferimento"
mkdir "$riferimento"
cp "$scenario" "$riferimento/scenario"
durata_us=0
for _ in 1 2 3; do
  inizio=$(date +%s%N)
  if ! "$riferimento/scenario" 2>"$lavoro/riferimento.err"; then
    echo "the reference run failed: $(cat "$lavoro/riferimento.err")"
    exit 1
  fi
  fine=$(date +%s%N)
  d=$(((fine - inizio) / 1000))
  if ((d > durata_us)); then durata_us=$d; fi
done
rm "$riferimento/scenario"
# The run deletes its sources; the tool writes the same bytes the run writes.
"$tool" export -o "$riferimento" >/dev/null
echo "kill loop: a clean run takes up to ${durata_us} us; delays spread over 0 to ${durata_us} us"

uccisi=0
finiti=0
for ((i = 1; i <= n; i++)); do
  dir="$lavoro/corsa-$i"
  mkdir "$dir"
  cp "$scenario" "$dir/scenario"
  ritardo_us=$(( (RANDOM * 32768 + RANDOM) % (durata_us + 1) ))
  printf -v ritardo '%d.%06d' $((ritardo_us / 1000000)) $((ritardo_us % 1000000))

  # Its messages beside its folder, for the report of a failure.
  "$dir/scenario" 2>"$dir.err" &
  pid=$!
  sleep "$ritardo"
  kill -"$segnale" "$pid" 2>/dev/null || true
  stato=0
  wait "$pid" 2>/dev/null || stato=$?
  if ((stato == 128 + numero_segnale)); then uccisi=$((uccisi + 1)); elif ((stato == 0)); then finiti=$((finiti + 1)); else
    echo "run $i (SIG$segnale after ${ritardo_us} us): exit status $stato (neither finished nor killed); it said: $(cat "$dir.err")"
    exit 1
  fi

  for file in "$dir"/* "$dir"/.[!.]*; do
    [[ -e "$file" ]] || continue
    nome="$(basename "$file")"
    [[ "$nome" == scenario ]] && continue
    if [[ "$nome" == .*.tmp-* || "$nome" == .scenario.lock ]]; then
      if [[ "$segnale" == KILL ]]; then continue; fi
      echo "run $i (SIG$segnale after ${ritardo_us} us): $nome left behind"
      exit 1
    fi
    # The sources are the run's working files: a signal it handles removes them.
    if [[ "$segnale" != KILL && ("$nome" == *_linea.txt || "$nome" == *-.txt) ]]; then
      echo "run $i (SIG$segnale after ${ritardo_us} us): the source $nome left behind"
      exit 1
    fi
    if [[ ! -f "$riferimento/$nome" ]]; then
      echo "run $i (killed after ${ritardo_us} us): unexpected file $nome"
      exit 1
    fi
    if ! cmp -s "$file" "$riferimento/$nome"; then
      echo "run $i (killed after ${ritardo_us} us): $nome is under its final name but not complete"
      exit 1
    fi
  done
  rm -rf "$dir" "$dir.err"
done
echo "kill loop: $n runs, $uccisi ended by SIG$segnale during the run, $finiti finished first; every final-name file was complete"
