#!/usr/bin/env bash
# The C++ layout of the whole tree, by the committed .clang-format:
#   bash scripts/format.sh          rewrites every file that is not laid out
#   bash scripts/format.sh --check  changes nothing; lists the files that are
#                                   not, and exits 1 when there is one
# Only the files git tracks, so nothing generated or foreign is touched.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "format.sh: clang-format is not installed (scripts/install-deps.sh installs it)" >&2; exit 2; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
case "${1:-}" in
  "") clang-format -i "${files[@]}" ;;
  --check)
    untidy=()
    for f in "${files[@]}"; do
      clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || untidy+=("$f")
    done
    if ((${#untidy[@]})); then
      echo "not laid out as .clang-format says (bash scripts/format.sh rewrites them):"
      printf '  %s\n' "${untidy[@]}"
      exit 1
    fi
    echo "every C++ file is laid out as .clang-format says (${#files[@]} files, $(clang-format --version))"
    ;;
  *) echo "format.sh: unknown option $1 (--check)" >&2; exit 2 ;;
esac
