#!/usr/bin/env bash
# Times the building of the demo world: prepares a demo root (the shipped
# directive scripts and the generated data), then runs kestu unattended. kestu
# answers both questions with their last button (window, Cancel), so the run
# is start-up, directive script 9, one unseen frame and shutdown. Prints GNU
# time's report: elapsed time and peak resident memory.
#
# Usage: bench/build-world.sh [BUILD_DIR]   (default: build)
# BUILD_DIR must hold the kestu and kestu-data programs.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
for program in kestu kestu-data; do
    if [ ! -x "$build/$program" ]; then
        echo "build-world: $build/$program not found; build it first" >&2
        exit 2
    fi
done
if [ ! -x /usr/bin/time ]; then
    echo "build-world: /usr/bin/time (Debian package 'time') is needed" >&2
    exit 2
fi

root="$(mktemp -d /tmp/kestu-build-world-XXXXXX)"
trap 'rm -rf "$root"' EXIT
cp -r "$here/demo/Directives" "$root/"
"$build/kestu-data" "$root" >/dev/null

cd "$root"
"$here/scripts/headless.sh" /usr/bin/time -v "$build/kestu" --batch 2>&1 |
    grep -E '^\[|Elapsed|Maximum resident|User time|System time|Exit status'
