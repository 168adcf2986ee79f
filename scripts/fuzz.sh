#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a while:
#   scripts/fuzz.sh BUILD_DIR [SECONDS] [TARGET...]
# Each target starts from its seeds (BUILD_DIR/fuzz/seeds/<name>), the inputs
# it found before (BUILD_DIR/fuzz/corpus/<name>) and the regression inputs
# kept in the tree (tests/fuzz/regressions/<name>), so every input that once
# broke a reader is tried again first. A crash, leak, timeout or running out
# of memory stops the run with the input saved as
# BUILD_DIR/fuzz/artifacts/<name>-*; copy it into tests/fuzz/regressions/<name>/
# once it is fixed. Extra libFuzzer options can be given in FUZZ_FLAGS.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: fuzz.sh BUILD_DIR [SECONDS] [TARGET...]}
# Absolute: a target may change its current directory.
build=$(cd "$build" && pwd)
seconds=${2:-60}
shift $(($# >= 2 ? 2 : $#))
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
# Leaks inside system libraries that no caller can free (see the file).
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/fuzz/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# Longest input per target: a few times the size of what it reads in the game,
# so that a run spends its time on many inputs rather than on huge ones.
max_len() {
  case $1 in
    image) echo 65536 ;;
    wav) echo 65536 ;;
    ogg) echo 49152 ;;
    xfile) echo 65536 ;;
    effect) echo 16384 ;;
    globaldata) echo 64 ;;
    script) echo 4096 ;;
    *) echo 65536 ;;
  esac
}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for binary in "$build"/fuzz/fuzz_*; do
    [ -x "$binary" ] && targets+=("${binary##*/fuzz_}")
  done
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets in $build/fuzz (build the 'fuzz' target)" >&2; exit 1; }

mkdir -p "$build/fuzz/artifacts"
for name in "${targets[@]}"; do
  corpus=$build/fuzz/corpus/$name
  mkdir -p "$corpus"
  inputs=("$corpus")
  for extra in "$build/fuzz/seeds/$name" "$root/tests/fuzz/regressions/$name"; do
    [ -d "$extra" ] && inputs+=("$extra")
  done
  echo "== fuzz_$name for ${seconds}s over ${inputs[*]}"
  # shellcheck disable=SC2086
  "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -max_len="$(max_len "$name")" -print_final_stats=1 \
    -artifact_prefix="$build/fuzz/artifacts/$name-" ${FUZZ_FLAGS:-} "${inputs[@]}"
done
