#!/usr/bin/env bash
# set_kill_loop.sh N SCENARIO_TOOL
#
# Kills `scenario-tool compile` N times at random moments while it replaces
# a folder's set, its renames slowed by the test seam so that the kills fall
# into them, then lets `check --repair` (as the next run would) finish what
# the journal says. Each time the folder must hold exactly the earlier set
# or exactly the new one: never a mix, never a leftover of the journal.
# Every kill is told with its delay and what the folder held; a failure
# prints the repair's own words and the folder's listing.
set -euo pipefail
set -m

uso="usage: set_kill_loop.sh N SCENARIO_TOOL"
n="${1:?$uso}"
tool="${2:?$uso}"
pausa_ms=15

lavoro="$(mktemp -d "${TMPDIR:-/tmp}/scenario-set-kill.XXXXXX")"
# Only this shell removes it. A child forked for a background run carries
# this trap until it execs the program: a signal sent to the run in that
# moment would make the child remove the work folder under the loop (seen
# in 1329 of 1500 TERMs sent right after the fork).
trap '[[ $BASHPID == "$$" ]] && rm -rf "$lavoro"' EXIT

# Two versions of a scenario: the embedded sources, and the same with a
# curve's radius and a slowdown's speed changed.
"$tool" export -o "$lavoro/a" >/dev/null
mkdir "$lavoro/b"
route_a="$lavoro/a/Ardena_VelmoraCle_linea.txt"
train_a="$lavoro/a/Ardena_VelmoraCle_4713-.txt"
LC_ALL=C sed 's/^curvad3,  800,  450/curvad3,  800,  460/' "$route_a" >"$lavoro/b/route.txt"
LC_ALL=C sed 's/^rallentamento,   36500,    70,/rallentamento,   36500,    50,/' "$train_a" >"$lavoro/b/train.txt"
if cmp -s "$route_a" "$lavoro/b/route.txt" || cmp -s "$train_a" "$lavoro/b/train.txt"; then
  echo "an edit of the sources found nothing to change"
  exit 1
fi
identita=(--route-name Prova --train-number 1)

compila() { "$tool" compile "$1" "$2" -o "$3" "${identita[@]}" >/dev/null 2>&1 || true; }
mkdir "$lavoro/set-a" "$lavoro/set-b"
compila "$route_a" "$train_a" "$lavoro/set-a"
compila "$lavoro/b/route.txt" "$lavoro/b/train.txt" "$lavoro/set-b"
if diff -rq "$lavoro/set-a" "$lavoro/set-b" >/dev/null; then
  echo "the two versions compile to the same files: the loop could not tell a mix"
  exit 1
fi

# What the folder holds under its final names: "a", "b", or "mixed". A
# temporary (".NAME.tmp-...") carries no final name: a kill before the
# journal leaves one, and a later run removes it as stale; a journal left
# after the repair is a mix.
finali() { ls -A "$1" | grep -v -e '^\.scenario\.lock$' -e '^\..*\.tmp-[0-9a-f]\{16\}$' || true; }
quale() {
  local dir="$1" nome
  for nome in $(finali "$dir"); do
    if [[ ! -f "$lavoro/set-a/$nome" ]]; then
      echo "mixed"
      return
    fi
  done
  if diff -q <(finali "$dir") <(ls -A "$lavoro/set-a") >/dev/null; then
    local tutti_a=1 tutti_b=1
    for nome in $(ls -A "$lavoro/set-a"); do
      cmp -s "$dir/$nome" "$lavoro/set-a/$nome" || tutti_a=0
      cmp -s "$dir/$nome" "$lavoro/set-b/$nome" || tutti_b=0
    done
    if ((tutti_a)); then echo "a"; return; fi
    if ((tutti_b)); then echo "b"; return; fi
  fi
  echo "mixed"
}

# How long a compile with slowed renames takes.
durata_us=0
for _ in 1 2 3; do
  rm -rf "$lavoro/prova"
  cp -r "$lavoro/set-a" "$lavoro/prova"
  inizio=$(date +%s%N)
  SCENARIO_TEST_RENAME_PAUSE_MS=$pausa_ms compila "$lavoro/b/route.txt" "$lavoro/b/train.txt" "$lavoro/prova"
  fine=$(date +%s%N)
  d=$(((fine - inizio) / 1000))
  if ((d > durata_us)); then durata_us=$d; fi
done
# The renames are the run's last 3 x pausa_ms; the kills spread over the
# last half of the run, where they are.
da_us=$((durata_us / 2))
echo "set kill loop: a compile with slowed renames takes up to ${durata_us} us; kills from ${da_us} us on"

declare -A esiti=([a]=0 [b]=0)
riparati=0
for ((i = 1; i <= n; i++)); do
  dir="$lavoro/corsa-$i"
  cp -r "$lavoro/set-a" "$dir"
  ritardo_us=$((da_us + (RANDOM * 32768 + RANDOM) % (durata_us - da_us + 1)))
  printf -v ritardo '%d.%06d' $((ritardo_us / 1000000)) $((ritardo_us % 1000000))
  SCENARIO_TEST_RENAME_PAUSE_MS=$pausa_ms "$tool" compile "$lavoro/b/route.txt" "$lavoro/b/train.txt" -o "$dir" \
    "${identita[@]}" >/dev/null 2>&1 &
  pid=$!
  sleep "$ritardo"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  riparazione="$("$tool" check --repair "$dir" 2>&1)" || true
  if [[ "$riparazione" == *"interrupted replacement"* ]]; then riparati=$((riparati + 1)); fi
  esito="$(quale "$dir")"
  if [[ "$esito" == mixed ]]; then
    echo "kill $i after ${ritardo_us} us: the folder holds a mixed set after the repair"
    echo "check --repair said: $riparazione"
    ls -la "$dir"
    exit 1
  fi
  esiti[$esito]=$((esiti[$esito] + 1))
  rm -rf "$dir"
done
echo "set kill loop: $n kills; $riparati fell inside the replacement and were repaired; the folder held the earlier set" \
  "${esiti[a]} times, the new one ${esiti[b]} times, never a mix"
# Kills that never reach the replacement would prove nothing.
if ((riparati == 0)); then
  echo "no kill fell inside the replacement"
  exit 1
fi
