#!/usr/bin/env bash
# Rewrites the committed seed corpus (tests/fuzz/corpus) from the embedded
# scenario and the small fixtures of genera_semi.cpp. Needs the fuzz build:
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DSCENARIO_FUZZ=ON -DSCENARIO_BUILD_TESTS=OFF
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build-fuzz}"
cmake --build "$build" -j2 --target genera_semi
rm -rf tests/fuzz/corpus/fuzz_compila tests/fuzz/corpus/fuzz_decodifica tests/fuzz/corpus/fuzz_lettore
"$build/tests/fuzz/genera_semi" tests/fuzz/corpus
find tests/fuzz/corpus -type f | wc -l
