#!/usr/bin/env bash
# Formats the C and C++ sources with the tree's .clang-format, or with
# --check lists the files that differ from it and fails.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- 'source/*.cpp' 'source/*.h' 'source/*.c' 'tests/*.cpp' 'tests/*.h' \
  'tools/*.cpp' 'tools/*.h' 'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run --Werror "${files[@]}"
  echo "formatting: ${#files[@]} files as .clang-format wants them"
else
  clang-format -i "${files[@]}"
fi
