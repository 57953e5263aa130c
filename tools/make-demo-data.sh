#!/usr/bin/env bash
# Makes everything the demo installs, with the project's own programs, into
# OUT (the build runs it once, and again only when the engine, the generator
# or the demo's files change):
#   OUT/share/kestu/   the demo root as installed: Directives/, data/ (images,
#                      textures and models from kestu-data, manus.txt, and
#                      the recorded drive that tools/make-record.sh makes with
#                      the engine under Xvfb), keys/ (the key files)
#   OUT/share/icons/hicolor/NxN/apps/kestu.png   the icon, 48, 128 and 256
#                      pixels, cut from a headless screenshot of the island
# Runs of the engine happen in a scratch copy, so nothing they write (the
# paint mask dump) is installed. Every run repeats byte for byte.
# Usage: tools/make-demo-data.sh BUILD OUT
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD OUT" >&2
    exit 2
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
out=$2
# The icon's view: the tour at this frame (--clock-step 16; the island from the
# sea, its beach and palms), and the square
# cut from it: left, top and side in pixels of the 800 x 600 frame.
icon_frame=700
icon_square="0 150 260"

rm -rf "$out.tmp"
stage=$out.tmp/share/kestu
mkdir -p "$stage/Directives" "$stage/keys"
"$build/kestu-data" "$stage" >/dev/null
cp "$repo"/demo/Directives/*.txt "$stage/Directives/"
cp "$repo/demo/data/manus.txt" "$stage/data/"
cp "$repo/demo/records/drive.keys" "$repo/demo/tour.keys" "$repo/demo/sun.keys" "$stage/keys/"

scratch=$out.tmp/scratch
cp -r "$stage" "$scratch"
bash "$repo/tools/make-record.sh" "$build" "$scratch"
mkdir -p "$stage/data/records"
cp "$scratch/data/records/testrecord.rec" "$stage/data/records/"

shot=$out.tmp/island.png
if ! (cd "$scratch" && "$repo/scripts/headless.sh" "$build/kestu" --batch --answers no,yes \
    --clock-step 16 --frames "$icon_frame" --screenshot "$shot") >"$out.tmp/icon.log" 2>&1; then
    cat "$out.tmp/icon.log" >&2
    echo "make-demo-data: the screenshot for the icon failed" >&2
    exit 1
fi
# shellcheck disable=SC2086 # the square is three numbers
"$build/kestu-data" --icon "$shot" $icon_square "$out.tmp/share/icons/hicolor"

rm -rf "$scratch" "$out"
mv "$out.tmp" "$out"
echo "make-demo-data: $out"
