#!/usr/bin/env bash
# The speed of the demo world as a user sees it, in one run:
#  - frames per second of the frame loop at rest, for the recorded terrain
#    drawing (the default) and the immediate one (--immediate), side by side,
#    and their ratio. The loop is timed as a long run minus a short run, so
#    start-up and shutdown cancel; the virtual clock (--clock-step 16) makes
#    both runs draw the same frames. The eye stands where it landed, with the
#    demonstration's fog (view distance 180, fog from 130): the drive script
#    is replaced by one that only sets that fog, and no key is pressed.
#    The same again on the world without its entities (script 9 cut before
#    "setocean": no sea, palm trees, sky or sun), which shows the terrain
#    drawing alone and what the entity passes cost.
#  - the start-up: launch to the end of the first loop frame (a run of one
#    frame: start-up, script 9, the unseen frame, the drive script, one frame
#    and shutdown), median and maximum of RUNS runs.
#
# Usage: bench/terrain-speed.sh [BUILD_DIR]   (default: build)
# Environment: SHORT and LONG frame counts (100, 1100), ROUNDS of loop runs (2),
# start-up RUNS (5).
# Without a display it runs itself under Xvfb (one server for all runs).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
short=${SHORT:-100}
long=${LONG:-1100}
runs=${RUNS:-5}
rounds=${ROUNDS:-2}
for program in kestu kestu-data; do
    if [ ! -x "$build/$program" ]; then
        echo "terrain-speed: $build/$program not found; build it first" >&2
        exit 2
    fi
done
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$build"
fi

root="$(mktemp -d /tmp/kestu-speed-XXXXXX)"
trap 'rm -rf "$root"' EXIT
mkdir "$root/world" "$root/bare"
cp -r "$here/demo/Directives" "$root/world/"
printf 'setviewdist\n180\n50\n' >"$root/world/Directives/directive4.txt"
"$build/kestu-data" "$root/world" >/dev/null
cp -r "$root/world/Directives" "$root/world/data" "$root/bare/"
sed -n '/^setocean$/q;p' "$root/world/Directives/directive9.txt" >"$root/bare/Directives/directive9.txt"

# Seconds one run of kestu takes in the current folder: run FRAMES [OPTION...]
run() {
    local frames=$1 start end
    shift
    start=$(date +%s.%N)
    "$build/kestu" --batch --answers no,no --clock-step 16 --frames "$frames" "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

# Short and long runs of both paths, interleaved so that both meet the same
# load; of ROUNDS rounds the fastest run of each kind counts. loop TITLE
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (b < a ? b : a) }'; }
loop() {
    local cs=999999 is=999999 cl=999999 il=999999
    for ((k = 0; k < rounds; ++k)); do
        cs=$(least "$cs" "$(run "$short")") is=$(least "$is" "$(run "$short" --immediate)")
        cl=$(least "$cl" "$(run "$long")") il=$(least "$il" "$(run "$long" --immediate)")
    done
    awk -v title="$1" -v n=$((long - short)) -v cs="$cs" -v cl="$cl" -v is="$is" -v il="$il" 'BEGIN {
        c = n / (cl - cs); i = n / (il - is)
        printf "%s, %d frames (%.2f s - %.2f s and %.2f s - %.2f s):\n", title, n, cl, cs, il, is
        printf "  recorded lists  %6.1f frames/s\n  immediate       %6.1f frames/s\n  ratio           %6.2f\n", c, i, c / i
    }'
}

echo "kestu terrain speed, demo world at rest ($(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg))"
cd "$root/world"
loop "loop with the entities"
cd "$root/bare"
loop "loop without the entities (script 9 cut before setocean)"
cd "$root/world"
times=()
for ((k = 0; k < runs; ++k)); do
    times+=("$(run 1)")
done
printf '%s\n' "${times[@]}" | sort -n | awk -v runs="$runs" '
    { t[NR] = $1 }
    END {
        printf "start-up to the first loop frame, %d runs: median %.2f s, max %.2f s (%.2f x median)\n",
            runs, t[int((NR + 1) / 2)], t[NR], t[NR] / t[int((NR + 1) / 2)]
        line = "  runs:"; for (k = 1; k <= NR; ++k) line = line sprintf(" %.2f", t[k]); print line
    }'
