#!/usr/bin/env bash
# Runs clang-tidy with the tree's .clang-tidy over the program's and the
# tools' sources, using the compile commands of BUILD (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
jobs=${JOBS:-2}
if [ ! -f "$build/compile_commands.json" ]; then
  echo "lint: $build/compile_commands.json is missing (configure with make build first)" >&2
  exit 2
fi
run-clang-tidy -p "$build" -quiet -j "$jobs" "$PWD/source/" "$PWD/tools/" "$PWD/fuzz/" 2>&1 |
  grep -v -E '^(clang-tidy-[0-9]+ |[0-9]+ warnings? (and [0-9]+ errors? )?generated|Suppressed [0-9]+ warnings|Use -header-filter|Enabled checks:|$)' |
  tee "$build/lint.log" || true
if grep -q -E '(warning|error):' "$build/lint.log"; then
  echo "lint: $(grep -c -E '(warning|error):' "$build/lint.log") finding(s), listed above and in $build/lint.log" >&2
  exit 1
fi
echo "lint: clean"
