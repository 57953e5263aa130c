#!/usr/bin/env bash
# What the demo world weighs and how soon it starts, in one run, next to an
# older build of the engine:
#  - peak resident memory of building the demo world and running 300 frames
#    of the loop (GNU time), for both builds;
#  - resident memory while the loop runs (VmRSS sampled from /proc from two
#    seconds into the loop on), for both builds;
#  - start-up to the first loop frame (a run of one frame), median and
#    maximum of RUNS runs of each build, the two builds alternating, and the
#    ratio of the medians;
#  - the same world at 2048 x 2048 (height image and masks doubled by
#    DoubleWorld), its peak memory and build time against the 1024 x 1024
#    world's, with both ratios.
# The world is the demo's script 9 with the drive script replaced by one that
# only sets the fog, so the loop stands still (no recorded drive is needed).
#
# Usage: bench/memory-and-startup.sh [BUILD_DIR] [OLD_COMMIT]
#   BUILD_DIR (default build) holds kestu, kestu-data and bench/DoubleWorld;
#   OLD_COMMIT (default c786a21, the engine before its undo states shared
#   their arrays) is built in a temporary worktree, or set OLD_BUILD to a
#   folder that already holds its kestu. RUNS defaults to 5.
# Without a display it runs itself under Xvfb (one server for all runs).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
old=${2:-c786a21}
runs=${RUNS:-5}
for program in kestu kestu-data bench/DoubleWorld; do
    if [ ! -x "$build/$program" ]; then
        echo "memory-and-startup: $build/$program not found; build it first" >&2
        exit 2
    fi
done
if [ ! -x /usr/bin/time ]; then
    echo "memory-and-startup: /usr/bin/time (Debian package 'time') is needed" >&2
    exit 2
fi
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$build" "$old"
fi

tmp="$(mktemp -d /tmp/kestu-memory-XXXXXX)"
cleanup() {
    if [ -d "$tmp/old" ]; then git -C "$here" worktree remove --force "$tmp/old" || true; fi
    rm -rf "$tmp"
}
trap cleanup EXIT

if [ -n "${OLD_BUILD:-}" ]; then
    oldkestu="$(cd "$OLD_BUILD" && pwd)/kestu"
else
    echo "building $old in a temporary worktree ..." >&2
    git -C "$here" worktree add --detach "$tmp/old" "$old" >/dev/null 2>&1
    cmake -S "$tmp/old" -B "$tmp/old/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTU_TESTS=OFF \
        -DKESTU_BENCH=OFF >/dev/null
    cmake --build "$tmp/old/build" -j"$(nproc)" --target kestu >/dev/null
    oldkestu="$tmp/old/build/kestu"
fi
newkestu="$build/kestu"

mkdir "$tmp/world" "$tmp/double"
cp -r "$here/demo/Directives" "$tmp/world/"
printf 'setviewdist\n180\n50\n' >"$tmp/world/Directives/directive4.txt"
"$build/kestu-data" "$tmp/world" >/dev/null
cp -r "$tmp/world/Directives" "$tmp/world/data" "$tmp/double/"
(cd "$tmp" && "$build/bench/DoubleWorld" world double) # paths inside the working folder
sed -i '/^newmap$/{n;s/^1024$/2048/;n;s/^1024$/2048/}' "$tmp/double/Directives/directive9.txt"

options="--batch --answers no,no --clock-step 16"

# Seconds to the first loop frame: startup KESTU
startup() {
    local start end
    start=$(date +%s.%N)
    "$1" $options --frames 1 >/dev/null 2>&1
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}
# Peak resident memory in MB and seconds of a run: peak KESTU FRAMES
peak() {
    /usr/bin/time -f "%M %e" "$1" $options --frames "$2" 2>&1 >/dev/null | tail -1 |
        awk '{ printf "%.0f %.2f\n", $1 / 1024, $2 }'
}
# Median of the VmRSS samples (MB) taken from SKIP seconds after launch on: looprss KESTU SKIP
looprss() {
    local pid samples="" t=0 value
    "$1" $options --frames 400 >/dev/null 2>&1 &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        value=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
        if [ -n "$value" ] && awk -v t="$t" -v s="$2" 'BEGIN { exit !(t >= s) }'; then
            samples="$samples $value"
        fi
        sleep 0.25
        t=$(awk -v t="$t" 'BEGIN { print t + 0.25 }')
    done
    wait "$pid" || true
    echo "$samples" | tr ' ' '\n' | grep . | sort -n |
        awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else printf "%.0f", v[int((NR + 1) / 2)] / 1024 }'
}
stats() { sort -n | awk '{ t[NR] = $1 } END { printf "%.2f %.2f\n", t[int((NR + 1) / 2)], t[NR] }'; }

echo "kestu memory and start-up, demo world at rest ($(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg))"
echo "this build: $build; older build: $old"
cd "$tmp/world"
newtimes=() oldtimes=()
for ((k = 0; k < runs; ++k)); do
    oldtimes+=("$(startup "$oldkestu")")
    newtimes+=("$(startup "$newkestu")")
done
read -r newmedian newmax < <(printf '%s\n' "${newtimes[@]}" | stats)
read -r oldmedian oldmax < <(printf '%s\n' "${oldtimes[@]}" | stats)
read -r newpeak _ < <(peak "$newkestu" 300)
read -r oldpeak _ < <(peak "$oldkestu" 300)
newloop=$(looprss "$newkestu" "$(awk -v m="$newmedian" 'BEGIN { print m + 2 }')")
oldloop=$(looprss "$oldkestu" "$(awk -v m="$oldmedian" 'BEGIN { print m + 2 }')")
printf '%-44s %12s %12s\n' "" "this build" "older build"
printf '%-44s %9s MB %9s MB\n' "peak resident memory, build and 300 frames" "$newpeak" "$oldpeak"
printf '%-44s %9s MB %9s MB\n' "resident memory while the loop runs" "$newloop" "$oldloop"
printf '%-44s %10s s %10s s\n' "start-up to the first loop frame, median" "$newmedian" "$oldmedian"
printf '%-44s %10s s %10s s\n' "start-up to the first loop frame, maximum" "$newmax" "$oldmax"
echo "  runs, this build: ${newtimes[*]}"
echo "  runs, older build: ${oldtimes[*]}"
awk -v a="$newmedian" -v b="$oldmedian" 'BEGIN { printf "start-up ratio (this / older, medians): %.2f\n", a / b }'

# The doubled world, this build only: peak memory and time to the first frame.
small=() large=()
for ((k = 0; k < 3; ++k)); do
    cd "$tmp/world" && small+=("$(peak "$newkestu" 1)")
    cd "$tmp/double" && large+=("$(peak "$newkestu" 1)")
done
maxpeak() { printf '%s\n' "$@" | awk '{ p = $1 > p ? $1 : p } END { print p }'; }
median() { printf '%s\n' "$@" | awk '{ print $2 }' | stats | awk '{ print $1 }'; }
smallpeak=$(maxpeak "${small[@]}") smalltime=$(median "${small[@]}")
largepeak=$(maxpeak "${large[@]}") largetime=$(median "${large[@]}")
echo "building the world to its first frame, this build (peak of 3 runs, median time):"
printf '  1024 x 1024: %6s MB %7s s\n  2048 x 2048: %6s MB %7s s\n' "$smallpeak" "$smalltime" "$largepeak" "$largetime"
awk -v a="$largepeak" -v b="$smallpeak" -v c="$largetime" -v d="$smalltime" \
    'BEGIN { printf "  ratios: memory %.2f, time %.2f\n", a / b, c / d }'
