#!/usr/bin/env bash
# Installs what is missing, builds, and runs the embedded scenario. The files
# are written next to the executable, in build/src/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target scenario
set +e
build/src/scenario
status=$?
set -e
echo "scenario exited with status $status; its files are in $(pwd)/build/src:"
ls -l build/src | grep -E '\.(txt|dat|sim)$' || true
exit "$status"
