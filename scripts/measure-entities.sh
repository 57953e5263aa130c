#!/usr/bin/env bash
# Measures what the entity passes cost the frame loop: the demo world with its
# entities (sea, palm trees, sky, sun) against the same world built by script 9
# cut before "setocean", seen from the same place. The terrain is built once
# and saved as a map; both worlds load it, so start-up stays short. The eye
# walks to the north-west coast (sea, beach and palms in view) in 500 frames
# and rests there; a run of 1300 frames minus a run of 500 frames gives 800
# frames at rest. Times are CPU seconds of kestu (user + system), which a busy
# machine disturbs less than wall-clock time.
# Usage: scripts/measure-entities.sh BUILD_DIR DEMO_ROOT
# DEMO_ROOT is a prepared demo root (make demo-data): Directives/ and data/.
# KEEP_WORK=1 keeps the worlds and their last frames (last501.png, last1301.png).
set -euo pipefail
build=$(cd "$1" && pwd)
demo=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
[ -n "${KEEP_WORK:-}" ] || trap 'rm -rf "$work"' EXIT

run() { # root frames -> CPU seconds
    (cd "$1" && "$here/headless.sh" /usr/bin/time -f "%U %S" -o cpu.txt "$build/kestu" --batch \
        --answers no,yes --clock-step 16 --keys coast.keys --frames "$2" --screenshot "last$2.png" \
        >/dev/null 2>&1)
    awk '{ printf "%.2f", $1 + $2 }' "$1/cpu.txt"
}

living=$(sed -n '/^; ---- The living world/,$p' "$demo/Directives/directive9.txt")
for world in save full cut; do
    mkdir -p "$work/$world/Directives" "$work/$world/data"
    cp -r "$demo/data/." "$work/$world/data/"
    grep -v '^createcamera$' "$demo/Directives/directive6.txt" >"$work/$world/Directives/directive6.txt"
    printf '1 down right\n181 up right\n181 down e\n481 up e\n' >"$work/$world/coast.keys"
done
sed '/^; ---- The living world/,$d' "$demo/Directives/directive9.txt" >"$work/save/Directives/directive9.txt"
printf 'save\ndata\\maps\\measure.map\n' >>"$work/save/Directives/directive9.txt"
run "$work/save" 1 >/dev/null
for world in full cut; do
    ln -s "$work/save/data/maps/measure.map" "$work/$world/data/maps/measure.map"
    printf 'load\ndata\\maps\\measure.map\n' >"$work/$world/Directives/directive9.txt"
done
printf '%s\n' "$living" >>"$work/full/Directives/directive9.txt"

for world in cut full; do
    short=$(run "$work/$world" 501)
    long=$(run "$work/$world" 1301)
    awk -v w="$world" -v s="$short" -v l="$long" 'BEGIN {
        printf "%s world: %.1f ms per frame at rest, %.1f frames per CPU second\n", w, (l - s) / 0.8, 800 / (l - s)
    }'
done
