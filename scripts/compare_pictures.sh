#!/usr/bin/env bash
# Plays the same scripted title and mission with two builds of the game and
# compares their screenshots byte for byte, for changes that must leave the
# picture as it was.
#   scripts/compare_pictures.sh OLD_BINARY NEW_BINARY DATA_DIR [FRAMES]
# Both builds run headless, uncapped, from the same input script; frames are
# taken on the title, on entering the mission and during sustained fire.
set -euo pipefail
old=$1 new=$2 data=$3 frames=${4:-700}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Start at frame 40, then fire every 9 frames, the laser every second, and
# steer left and up in turns.
python3 - "$work/input.txt" "$frames" <<'PY'
import sys
path, frames = sys.argv[1], int(sys.argv[2])
lines = [(40, "RETURN 1"), (42, "RETURN 0")]
for f in range(60, frames, 9): lines += [(f, "Z 1"), (f + 3, "Z 0")]
for f in range(90, frames, 60): lines += [(f, "X 1"), (f + 2, "X 0")]
for f in range(100, frames, 200): lines += [(f, "LEFT 1"), (f + 40, "LEFT 0"), (f + 100, "UP 1"), (f + 130, "UP 0")]
with open(path, "w") as out:
    for frame, event in sorted(lines, key=lambda line: line[0]):
        out.write(f"{frame} {event}\n")
PY

shots=()
for frame in 0 30 80 $((frames / 3)) $((frames / 2)) $((frames - 1)); do shots+=("$frame"); done
run() {  # name binary
    mkdir -p "$work/$1/save"
    local args=()
    for frame in "${shots[@]}"; do args+=(--screenshot "$frame:$work/$1/$frame.png"); done
    SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null "$2" --data "$data" --save-dir "$work/$1/save" --uncapped \
        --frames "$frames" --input "$work/input.txt" "${args[@]}" >"$work/$1/log.txt" 2>&1
}
run old "$old" &
run new "$new"
wait %1

status=0
for frame in "${shots[@]}"; do
    if cmp -s "$work/old/$frame.png" "$work/new/$frame.png"; then
        echo "frame $frame: identical"
    else
        echo "frame $frame: DIFFERENT"
        status=1
    fi
done
if [[ -n "${KEEP:-}" ]]; then mkdir -p "$KEEP" && cp -r "$work/old" "$work/new" "$KEEP/"; fi
exit $status
