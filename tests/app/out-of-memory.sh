#!/usr/bin/env bash
# A world build that runs out of memory, on any thread, ends once: the message
# "Out of memory", then status 1, never a crash. Script 9 makes a 2048 x 2048
# map and lights it six times; the address space is limited (ulimit -v) so
# that it runs out in the new map, in the copies of the lit states, or not at
# all. Needs a display (run under scripts/headless.sh) and the plain build:
# the sanitizers reserve more address space than any of these limits.
# Usage: tests/app/out-of-memory.sh KESTU KESTU_DATA
set -uo pipefail
kestu=${1:?usage: out-of-memory.sh KESTU KESTU_DATA}
generator=${2:?usage: out-of-memory.sh KESTU KESTU_DATA}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cd "$root" || exit 1
"$generator" . >generator.log 2>&1 || { echo "kestu-data failed"; exit 1; }
mkdir -p Directives
printf 'newmap\n2048\n2048\n16\n1\n' >Directives/directive9.txt
for i in 1 2 3 4 5 6; do printf 'sunlight\n1\n1\n1\n' >>Directives/directive9.txt; done
printf 'setviewdist\n120\n40\n' >Directives/directive4.txt

failed=0
# LIMIT (KiB of address space) and whether the build must run out under it.
while read -r limit mustFail; do
    (ulimit -v "$limit" && exec "$kestu" --batch --answers no,no --frames 2) >out.txt 2>err.txt
    status=$?
    messages=$(grep -c '^\[\] Out of memory$' err.txt)
    verdict=ok
    if [ "$status" -eq 1 ]; then
        [ "$messages" -eq 1 ] || verdict="status 1 with $messages messages"
    elif [ "$status" -eq 0 ] && [ "$mustFail" = no ]; then
        [ "$messages" -eq 0 ] || verdict="status 0 with $messages messages"
    else
        verdict="status $status"
    fi
    if grep -q -E 'corrupted|Aborted|terminate called|double free' err.txt; then
        verdict="$verdict, crashed"
    fi
    echo "ulimit -v $limit: status $status, $messages Out of memory: $verdict"
    if [ "$verdict" != ok ]; then
        sed 's/^/    /' err.txt | tail -5
        failed=1
    fi
done <<'LIMITS'
2500000 no
1000000 yes
600000 yes
LIMITS
exit $failed
