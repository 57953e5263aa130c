#!/usr/bin/env bash
# The mutation check: does the test suite notice the faults a developer
# really writes? Each line of the list is one single-line fault:
#
#     FILE:LINE BEFORE => AFTER
#
# BEFORE must stand on that line (else the mutant is an error: the list has
# gone stale); its first occurrence there becomes AFTER. Lines starting with
# # and blank lines are skipped.
#
# The mutants are applied one at a time to a copy of the working tree in
# DIR/src, built in DIR/build (ccache; the copy and its build are kept, so a
# later run rebuilds only what changed). For a mutant in module M, the test
# programs of M and of every module that links M run in that order, each
# stopping at its first failure; the first program that fails kills the
# mutant. A program that runs four times as long as it did without any
# mutant, plus a minute, is stopped and counts as failing: the mutant hung it.
# A mutant that survives them all is listed as such. The package test is left
# out: it installs the same programs the others test.
#
# A mutant whose object file is the same as the original's (debug information
# stripped) is reported as "equivalent": the compiler proved that it changes
# nothing, and it belongs out of the list. One that does not compile is an
# error. Errors and equivalent mutants are not scored; the run ends with
# status 1 when there are any.
#
# Usage: scripts/mutants.sh [DIR] [LIST] [PATTERN]   (from the project root;
# PATTERN, an extended regular expression, picks the mutants to run)
set -uo pipefail

root=$(git rev-parse --show-toplevel)
dir=$(realpath -m "${1:-build/mutants}")
list=$(realpath "${2:-tests/mutants.txt}")
pattern=${3:-}
tree=$dir/src
build=$dir/build
jobs=${JOBS:-2}
limit=${MUTANT_TEST_SECONDS:-900}
declare -A limits # per test program: a mutant that makes it run far longer hangs it
cd "$root" || exit 2
mkdir -p "$tree" "$build" "$dir/logs" "$dir/original"

# The copy: tracked files whose content differs are copied (with a new time,
# so make rebuilds them); unchanged files keep theirs.
git ls-files -z | while IFS= read -r -d '' f; do
    if [ -f "$f" ] && ! cmp -s "$f" "$tree/$f"; then
        mkdir -p "$(dirname "$tree/$f")"
        cp "$f" "$tree/$f"
    fi
done

launcher=()
if command -v ccache > /dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER="$(command -v ccache)")
fi
cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    -DKESTU_DEMO_DATA=OFF -DKESTU_BENCH=OFF > "$dir/logs/configure.log" 2>&1 ||
    { cat "$dir/logs/configure.log"; exit 2; }

# Modules in the order the root CMakeLists.txt declares them (every module
# after the ones it links), and what each links.
declare -A links
modules=()
while read -r name deps; do
    modules+=("$name")
    links[$name]=$deps
done < <(sed -n 's/^kestu_module(\([a-z]*\)\(.*\))$/\1 \2/p' CMakeLists.txt |
    sed 's/\${[^}]*}//g; s/[A-Za-z0-9_]*::[A-Za-z0-9_]*//g; s/kestu_//g')

# True when module $1 links module $2, directly or through others.
uses() {
    local dep
    for dep in ${links[$1]}; do
        [ "$dep" = "$2" ] && return 0
        uses "$dep" "$2" && return 0
    done
    return 1
}

# The test programs a change in folder $1 can affect, its own first.
affected() {
    local m own=$1 out=()
    if [ "$own" = tools ]; then
        # The generator's sources are built into test_tools and kestu-data,
        # whose data the application's end-to-end runs use.
        echo test_tools test_app
        return
    fi
    [ -d "tests/$own" ] && ls tests/"$own"/*.cpp > /dev/null 2>&1 && out+=("test_$own")
    for m in "${modules[@]}"; do
        [ "$m" != "$own" ] && [ -d "tests/$m" ] && uses "$m" "$own" && out+=("test_$m")
    done
    echo "${out[@]}"
}

# Targets a test program needs besides itself.
needs() {
    case $1 in
    test_app) echo "$1 kestu kestu-data" ;;
    *) echo "$1" ;;
    esac
}

# The object file of a source file, and a copy without debug information.
objectOf() {
    local module=${1%%/*}
    if [ "$module" = tools ]; then
        echo "$build/CMakeFiles/kestu-data.dir/$1.o"
    else
        echo "$build/CMakeFiles/kestu_$module.dir/$1.o"
    fi
}
libraryOf() {
    local module=${1%%/*}
    if [ "$module" = tools ]; then echo kestu-data; else echo "kestu_$module"; fi
}
stripped() {
    objcopy --strip-debug "$1" "$2" 2> /dev/null
}

entries=()
while IFS= read -r line; do
    case $line in '' | '#'*) continue ;; esac
    if [ -n "$pattern" ] && ! grep -qE -- "$pattern" <<< "$line"; then
        continue
    fi
    entries+=("$line")
done < "$list"

start=$(date +%s)
echo "mutants: building the unchanged tree in $build"
all_targets=$(for p in $(ls -d tests/*/ | xargs -n1 basename); do
    ls tests/"$p"/*.cpp > /dev/null 2>&1 && [ "$p" != package ] && [ "$p" != support ] &&
        [ "$p" != fuzz ] && [ "$p" != sanitizers ] && echo "test_$p"
done)
if ! cmake --build "$build" -j"$jobs" --target $all_targets kestu kestu-data \
    > "$dir/logs/build.log" 2>&1; then
    tail -40 "$dir/logs/build.log"
    echo "mutants: the unchanged tree does not build"
    exit 2
fi
for entry in "${entries[@]}"; do
    file=${entry%%:*}
    stripped "$(objectOf "$file")" "$dir/original/${file//\//_}.o"
done
if [ "${MUTANT_BASELINE:-1}" = 1 ]; then
    for t in $all_targets; do
        t1=$(date +%s)
        if ! (cd "$build" && timeout -k 10 "$limit" "tests/$t" --gtest_brief=1 > "$dir/logs/baseline-$t.log" 2>&1); then
            tail -30 "$dir/logs/baseline-$t.log"
            echo "mutants: $t fails without any mutant; nothing can be judged"
            exit 2
        fi
        limits[$t]=$((4 * ($(date +%s) - t1) + 60))
    done
    echo "mutants: every test program passes unchanged ($(($(date +%s) - start)) s)"
fi

killed=0 survived=0 errors=0 equivalent=0 n=0
survivors=()
for entry in "${entries[@]}"; do
    n=$((n + 1))
    location=${entry%% *}
    file=${location%%:*}
    lineNumber=${location##*:}
    rest=${entry#* }
    if [[ $rest == *" =>" ]]; then # the text is taken out
        before=${rest% =>}
        after=""
    else
        before=${rest%% => *}
        after=${rest#* => }
    fi
    label="$location  $before => $after"
    log="$dir/logs/mutant-$n.log"
    t0=$(date +%s)

    if [ ! -f "$tree/$file" ] || ! [[ $lineNumber =~ ^[0-9]+$ ]] ||
        ! sed -n "${lineNumber}p" "$tree/$file" | grep -qF -- "$before"; then
        echo "error      $label  (the text is not on that line)"
        errors=$((errors + 1))
        continue
    fi
    BEFORE=$before AFTER=$after awk -v at="$lineNumber" '
        NR == at { i = index($0, ENVIRON["BEFORE"]); $0 = substr($0, 1, i - 1) ENVIRON["AFTER"] substr($0, i + length(ENVIRON["BEFORE"])) }
        { print }' "$root/$file" > "$tree/$file.mutant" && mv "$tree/$file.mutant" "$tree/$file"

    verdict=survived by=""
    if ! cmake --build "$build" -j"$jobs" --target "$(libraryOf "$file")" > "$log" 2>&1; then
        verdict=error by="does not compile"
    elif stripped "$(objectOf "$file")" "$dir/mutant.o" &&
        cmp -s "$dir/mutant.o" "$dir/original/${file//\//_}.o"; then
        verdict=equivalent by="the same object code"
    else
        for t in $(affected "${file%%/*}"); do
            if ! cmake --build "$build" -j"$jobs" --target $(needs "$t") >> "$log" 2>&1; then
                verdict=error by="$t does not build"
                break
            fi
            # SDL takes the terminating signal for a quit request: killed 10 s after.
            (cd "$build" && timeout -k 10 "${limits[$t]:-$limit}" "tests/$t" --gtest_brief=1 \
                --gtest_fail_fast >> "$log" 2>&1)
            status=$?
            if [ "$status" -ne 0 ]; then
                verdict=killed by=$t
                [ "$status" -eq 124 ] || [ "$status" -eq 137 ] && by="$t timed out"
                break
            fi
        done
    fi
    cp "$root/$file" "$tree/$file" # a new time: the next build that needs it recompiles it
    seconds=$(($(date +%s) - t0))
    case $verdict in
    killed) killed=$((killed + 1)) ;;
    survived) survived=$((survived + 1)); survivors+=("$label") ;;
    equivalent) equivalent=$((equivalent + 1)) ;;
    error) errors=$((errors + 1)) ;;
    esac
    printf '%-10s %s  (%s%s s)\n' "$verdict" "$label" "${by:+$by, }" "$seconds"
done

scored=$((killed + survived))
echo
if [ ${#survivors[@]} -gt 0 ]; then
    echo "survived:"
    printf '  %s\n' "${survivors[@]}"
fi
echo "mutants: $n in the list, $killed killed, $survived survived, $equivalent equivalent," \
    "$errors errors; $(($(date +%s) - start)) s"
if [ "$scored" -gt 0 ]; then
    awk -v k="$killed" -v s="$scored" 'BEGIN { printf "mutation score: %d of %d killed, %.1f%%\n", k, s, 100 * k / s }'
fi
[ "$errors" -eq 0 ] && [ "$equivalent" -eq 0 ]
