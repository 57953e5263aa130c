#!/usr/bin/env bash
# Times the rebuild of the demo world under --watch: prepares a demo root (the
# shipped directive scripts and manus.txt, the generated data), starts kestu
# unattended on the demonstration (script 9, then 6) with --watch, and saves
# directive9.txt again ROUNDS times, each time once the rebuild before it has
# finished. Prints, per round, the rebuild's own time as kestu reports it
# (script 9, the unseen frame, script 6, letting the undo states go) and the
# time from the save to the end of the rebuild (which adds the watch's
# polling, at most two looks 200 ms apart); then the median and maximum of each.
#
# Usage: bench/rebuild-world.sh [BUILD_DIR] [ROUNDS]   (defaults: build, 5)
# BUILD_DIR must hold the kestu and kestu-data programs.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
rounds="${2:-5}"
for program in kestu kestu-data; do
    if [ ! -x "$build/$program" ]; then
        echo "rebuild-world: $build/$program not found; build it first" >&2
        exit 2
    fi
done

root="$(mktemp -d /tmp/kestu-rebuild-world-XXXXXX)"
pid=""
cleanup() {
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null || true
    fi
    rm -rf "$root"
}
trap cleanup EXIT
cp -r "$here/demo/Directives" "$root/"
"$build/kestu-data" "$root" >/dev/null
cp "$here/demo/data/manus.txt" "$root/data/"

cd "$root"
log="$root/err.txt"
"$here/scripts/headless.sh" sh -c 'echo $$ > kestu.pid; exec "$0" --batch --answers no,yes --watch' \
    "$build/kestu" >/dev/null 2>"$log" &

# Waits up to 300 s until the log holds at least $2 lines matching $1.
wait_for() {
    for _ in $(seq 3000); do
        if [ "$(grep -c -- "$1" "$log" || true)" -ge "$2" ]; then
            return 0
        fi
        sleep 0.1
    done
    echo "rebuild-world: no '$1' from kestu:" >&2
    cat "$log" >&2
    exit 1
}

wait_for '^kestu: watching' 1
pid="$(cat kestu.pid)"
now_ms() { date +%s%3N; }
for round in $(seq "$rounds"); do
    saved=$(now_ms)
    touch Directives/directive9.txt
    wait_for '^kestu: rebuilt the world' "$round"
    ended=$(now_ms)
    took=$(grep '^kestu: rebuilt the world' "$log" | sed -n "${round}p" | sed 's/.* in \([0-9]*\) ms.*/\1/')
    echo "round $round: rebuild $took ms, save to rebuilt $((ended - saved)) ms"
done | tee "$root/rounds.txt"

stats() { # median and maximum of the numbers on standard input
    sort -n | awk '{ v[NR] = $1 } END { printf "median %d ms, maximum %d ms\n", v[int((NR + 1) / 2)], v[NR] }'
}
echo "rebuild:         $(sed 's/.*rebuild \([0-9]*\) ms.*/\1/' "$root/rounds.txt" | stats)"
echo "save to rebuilt: $(sed 's/.*rebuilt \([0-9]*\) ms.*/\1/' "$root/rounds.txt" | stats)"
