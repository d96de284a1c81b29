#!/usr/bin/env bash
# Plants the faults listed in scripts/mutations.txt one at a time in a scratch copy of this tree,
# rebuilds it incrementally and runs the test suite, to see whether the suite catches each one.
# Prints which tests caught each fault and ends with "N killed, M survived". A developer's tool,
# not part of CI: a full pass takes a while (one incremental build and one suite run per fault).
# Usage: scripts/mutation-check.sh [NAME...]      (no name: every fault in the list)
# Environment:
#   TXR_MUTATION_DIR    the scratch copy, kept between runs (default $TMPDIR/txr-mutation-check)
#   TXR_MUTATION_LIST   the list (default scripts/mutations.txt)
#   TXR_MUTATION_JOBS   parallel build jobs and tests (default 2)
#   TXR_MUTATION_CTEST  extra ctest arguments, e.g. "-E tool_" to leave out some tests
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
list=${TXR_MUTATION_LIST:-$root/scripts/mutations.txt}
scratch=${TXR_MUTATION_DIR:-${TMPDIR:-/tmp}/txr-mutation-check}
jobs=${TXR_MUTATION_JOBS:-2}
read -r -a ctest_extra <<<"${TXR_MUTATION_CTEST:-}"
build=$scratch/build
log=$scratch/mutation-logs

# Copies the tree (tracked and untracked files, as git lists them) to the scratch copy. Only files
# whose contents differ are copied, and they get a new time, so the build there stays incremental
# and always sees a file restored after a mutation as changed.
sync_tree() {
    mkdir -p "$scratch"
    local listing=$scratch/.files
    (cd "$root" && git ls-files -co --exclude-standard | LC_ALL=C sort) >"$listing"
    while IFS= read -r file; do
        [[ -f $root/$file ]] || continue
        if ! cmp -s "$root/$file" "$scratch/$file" 2>/dev/null; then
            mkdir -p "$(dirname "$scratch/$file")"
            cp "$root/$file" "$scratch/$file"
        fi
    done <"$listing"
    # Files gone from the tree go from the copy too (a removed test must not run).
    (cd "$scratch" && find . -path ./build -prune -o -path ./mutation-logs -prune -o -type f \
        ! -name .files -print | sed 's|^\./||' | LC_ALL=C sort) |
        LC_ALL=C comm -23 - "$listing" | while IFS= read -r gone; do rm -f "$scratch/$gone"; done
}

build_tree() {
    cmake --build "$build" -j "$jobs" >"$1" 2>&1
}

# Runs the suite; prints the names of the tests that failed, nothing when all passed.
run_suite() {
    rm -f "$build/Testing/Temporary/LastTestsFailed.log"
    ctest --test-dir "$build" -j "$jobs" --timeout 300 --stop-on-failure "${ctest_extra[@]}" \
        >"$1" 2>&1 || true
    if [[ -f $build/Testing/Temporary/LastTestsFailed.log ]]; then
        cut -d: -f2- "$build/Testing/Temporary/LastTestsFailed.log"
    fi
    if ! grep -q '^100% tests passed\|tests passed, 0 tests failed' "$1" &&
        [[ ! -s $build/Testing/Temporary/LastTestsFailed.log ]]; then
        echo "(ctest did not finish: see $1)"
    fi
}

export CCACHE_BASEDIR=$scratch CCACHE_NOHASHDIR=1
sync_tree
mkdir -p "$log"
if [[ ! -f $build/build.ninja ]]; then
    cmake -S "$scratch" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTXR_BUILD_TESTS=ON \
        -DTXR_BUILD_TOOLS=ON -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
        -DCMAKE_C_COMPILER_LAUNCHER=ccache >"$log/configure.log" 2>&1 ||
        { echo "configure failed: see $log/configure.log" >&2; exit 1; }
fi
echo "baseline: building and running the suite in $scratch"
build_tree "$log/baseline-build.log" || { echo "the tree does not build: see $log/baseline-build.log" >&2; exit 1; }
failed=$(run_suite "$log/baseline-test.log")
if [[ -n $failed ]]; then
    echo "the suite fails without any mutation (see $log/baseline-test.log):" >&2
    echo "$failed" >&2
    exit 1
fi

# The list, one mutation per line: name, file, text, replacement (tab-separated).
mutations=$(awk '
    /^[[:space:]]*(#|$)/ { next }
    /^- / { text = substr($0, 3); next }
    /^\+ / { print name "\t" file "\t" text "\t" substr($0, 3); next }
    { name = $1; file = $2 }' "$list")

killed=0 survived=0 unbuilt=0 survivors=()
while IFS=$'\t' read -r name file text replacement; do
    [[ -n $name ]] || continue
    if (($# > 0)) && ! printf '%s\n' "$@" | grep -qxF "$name"; then continue; fi
    target=$scratch/$file
    matches=$(grep -cF -- "$text" "$target" 2>/dev/null || true)
    if [[ $matches != 1 ]]; then
        echo "$name: the text is on ${matches:-no} lines of $file, not one: skipped"
        continue
    fi
    saved=$(mktemp)
    cp "$target" "$saved"
    TEXT=$text REPLACEMENT=$replacement perl -i -pe \
        'if (!$done && index($_, $ENV{TEXT}) >= 0) { s/\Q$ENV{TEXT}\E/$ENV{REPLACEMENT}/; $done = 1 }' \
        "$target"
    if ! build_tree "$log/$name-build.log"; then
        echo "$name: did not build (see $log/$name-build.log)"
        unbuilt=$((unbuilt + 1))
    else
        failed=$(run_suite "$log/$name-test.log")
        if [[ -n $failed ]]; then
            echo "$name: killed by $(echo "$failed" | head -3 | paste -sd' ')"
            killed=$((killed + 1))
        else
            echo "$name: SURVIVED"
            survived=$((survived + 1))
            survivors+=("$name")
        fi
    fi
    # Restored with a new time, so the next build compiles the original again.
    cat "$saved" >"$target"
    rm -f "$saved"
done <<<"$mutations"

summary="$killed killed, $survived survived"
((unbuilt == 0)) || summary+=", $unbuilt did not build"
echo "$summary"
((survived == 0)) || echo "survivors: ${survivors[*]}"
