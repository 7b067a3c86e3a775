#!/usr/bin/env bash
# Line and branch coverage of the whole test suite with gcov and gcovr, in
# build-cov. Prints the summary of src/compiler, src/embedded, src/passes and src/formats,
# and writes a per-file report to build-cov/coverage.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --all
cmake -S . -B build-cov -DCMAKE_BUILD_TYPE=Debug -DSCENARIO_COVERAGE=ON -DSCENARIO_BUILD_BENCH=OFF >/dev/null
cmake --build build-cov -j"$(nproc)"
find build-cov -name '*.gcda' -delete
ctest --test-dir build-cov --output-on-failure -j"$(nproc)"

# Branches that only unwind an exception or that the compiler made and never
# can take are not the code's own decisions: they are left out.
opzioni=(--root . --object-directory build-cov --exclude-throw-branches --exclude-unreachable-branches)
: >build-cov/coverage.txt
for parte in compiler embedded passes formats; do
  echo "== src/$parte"
  gcovr "${opzioni[@]}" --filter "src/$parte/" --print-summary --txt build-cov/coverage-$parte.txt | tail -n 2
  gcovr "${opzioni[@]}" --filter "src/$parte/" --branches --txt - >>build-cov/coverage.txt
done
echo "per-file lines and branches: build-cov/coverage.txt and build-cov/coverage-<part>.txt"
