#!/usr/bin/env bash
# Makes the demo's recorded drive, data\records\testrecord.rec, with the engine
# itself: runs kestu in drive mode in the demo root ROOT (which must hold
# Directives/ and data/, as `make demo-data` leaves it) and types the keys of
# demo/records/drive.keys, which record, drive, aim, fire and stop. Under the
# virtual clock every run writes the same bytes.
# Usage: tools/make-record.sh BUILD ROOT
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD ROOT" >&2
    exit 2
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
root=$2
record="$root/data/records/testrecord.rec"
keys="$repo/demo/records/drive.keys"
# The run ends a few frames after the last key of the drive (the 'p' that stops
# the recording).
last=$(awk '$1 ~ /^[0-9]+$/ { if ($1 > n) n = $1 } END { print n }' "$keys")

mkdir -p "$root/data/records"
rm -f "$record"
log=$(mktemp)
if ! (cd "$root" && "$repo/scripts/headless.sh" "$build/kestu" --batch --answers no,no \
        --clock-step 16 --keys "$keys" --frames $((last + 10))) >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "make-record: kestu failed" >&2
    exit 1
fi
rm -f "$log"
size=$(stat -c %s "$record" 2>/dev/null || echo 0)
# A tank's sample is 68 bytes: 44 of the sample, 12 for each of its two aim vectors.
if [ "$size" -eq 0 ] || [ $((size % 68)) -ne 0 ]; then
    echo "make-record: $record has $size bytes, not whole 68-byte tank samples" >&2
    exit 1
fi
echo "make-record: $record, $((size / 68)) samples"
