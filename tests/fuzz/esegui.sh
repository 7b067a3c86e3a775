#!/usr/bin/env bash
# esegui.sh SECONDS [BUILD_DIR]
#
# Runs every fuzz target for SECONDS from the committed seeds, with the
# dictionary of the source keys, in a fresh working corpus. Fails on the first
# finding (crash, sanitizer report, violated property, timeout or memory
# blow-up), leaving the input that caused it in the working folder.
set -euo pipefail
cd "$(dirname "$0")/../.."
secondi="${1:?usage: esegui.sh SECONDS [BUILD_DIR]}"
build="${2:-build-fuzz}"

lavoro="$(mktemp -d "${TMPDIR:-/tmp}/scenario-fuzz.XXXXXX")"
stato=0
for bersaglio in fuzz_lettore fuzz_compila fuzz_decodifica; do
  corpus="$lavoro/$bersaglio"
  mkdir -p "$corpus"
  echo "== $bersaglio for ${secondi} s"
  if ! "$build/tests/fuzz/$bersaglio" -max_total_time="$secondi" -timeout=30 -rss_limit_mb=2048 \
      -dict=tests/fuzz/scenario.dict -artifact_prefix="$lavoro/$bersaglio-" -print_final_stats=1 \
      "$corpus" "tests/fuzz/corpus/$bersaglio" >"$lavoro/$bersaglio.log" 2>&1; then
    echo "$bersaglio: FINDING; the log and the input are in $lavoro"
    grep -E 'ERROR|violated|SUMMARY|Test unit written' "$lavoro/$bersaglio.log" | head -20 || true
    stato=1
    continue
  fi
  grep -E '^stat::number_of_executed_units|^Done ' "$lavoro/$bersaglio.log" | sed "s/^/$bersaglio: /"
done
if ((stato == 0)); then
  rm -rf "$lavoro"
  echo "fuzz: no finding"
fi
exit "$stato"
