#!/usr/bin/env bash
# Measures the frame loop and the start-up of kestu on the current display or
# under Xvfb: the time to the first frame, and frames per second of the loop
# over a given world. Usage:
#   scripts/measure-loop.sh BUILD_DIR ROOT_DIR [FRAMES]
# ROOT_DIR is the working directory of the runs (Directives/ and data/); an
# empty folder with only data/textures/ascii.bmp measures the bare loop.
set -euo pipefail
build=$(cd "$1" && pwd)
root=$2
frames=${3:-2000}
here=$(cd "$(dirname "$0")" && pwd)

seconds() {
    local start end
    start=$(date +%s.%N)
    (cd "$root" && "$here/headless.sh" "$build/kestu" --batch --answers no,no --frames "$1" \
        >/dev/null 2>&1)
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }'
}

one=$(seconds 1)
many=$(seconds "$frames")
awk -v one="$one" -v many="$many" -v n="$frames" 'BEGIN {
    printf "start-up to the first frame (a run of 1 frame): %.3f s\n", one
    printf "%d frames: %.3f s; loop: %.1f frames per second\n", n, many, (n - 1) / (many - one)
}'
