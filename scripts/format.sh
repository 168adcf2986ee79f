#!/usr/bin/env bash
# Formats the C and C++ sources with the tree's .clang-format, or with
# --check lists the files that differ from it and fails.
set -euo pipefail
cd "$(dirname "$0")/.."
dirs=(source tests tools bench fuzz)
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- "${dirs[@]}" | grep -E '\.(cpp|h|c)$')
else
  mapfile -t files < <(find "${dirs[@]}" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) 2>/dev/null | sort)
fi
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run --Werror "${files[@]}"
  echo "formatting: ${#files[@]} files as .clang-format wants them"
else
  clang-format -i "${files[@]}"
fi
