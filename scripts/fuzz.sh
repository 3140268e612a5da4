#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang, ASan, UBSan) and runs
# each for a bounded time from a scratch copy of its committed corpus, so
# that the corpus in the tree never grows. Exits non-zero when any target
# crashes, leaks, hangs or fails to run.
#
#   scripts/fuzz.sh [--quick | --runs N] [SECONDS] [TARGET...]
#
# SECONDS per target (default 60; --quick: 5, for the test command).
# --runs N runs each target for N executions instead, however long it takes.
# TARGETs: those fuzz/targets.txt lists (default: all).
# Crashing inputs are kept under build/fuzz/artifacts/<target>/, logs under
# build/fuzz/logs/. LUMIVOX_FUZZ_BUILD overrides the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
runs=
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
    --quick) seconds=5 ;;
    --runs) runs=${2:?--runs needs a count}; shift ;;
    ''|*[!0-9]*) targets+=("$1") ;;
    *) seconds=$1 ;;
    esac
    shift
done
# The targets and their longest inputs, from the one list.
all=()
declare -A longest
while read -r name bytes; do
    case "$name" in ''|'#'*) continue ;; esac
    all+=("$name")
    longest[$name]=$bytes
done < fuzz/targets.txt
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")

max_len() {
    if [ -z "${longest[$1]:-}" ]; then
        echo "unknown fuzz target: $1 (fuzz/targets.txt lists ${all[*]})" >&2
        return 1
    fi
    echo "${longest[$1]}"
}
for t in "${targets[@]}"; do max_len "$t" >/dev/null; done

# Seconds one input may take before it counts as a hang. Every target is
# linear or O(n log n) in its input (the loader sorts its table once, not
# entry by entry), so no input of max_len comes near it.
unit_timeout() {
    case "$1" in
    *) echo 10 ;;
    esac
}

# clang and its sanitizer and libFuzzer runtimes (libclang-rt-14-dev, only
# recommended by clang) come with the project's other packages.
scripts/install-deps.sh

build=${LUMIVOX_FUZZ_BUILD:-build/fuzz}
if [ "$build" = build/fuzz ]; then
    cmake --preset fuzz >/dev/null
else
    cmake --preset fuzz -B "$build" >/dev/null
fi
cmake --build "$build" --target fuzz_targets -j2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$build/logs"

status=0
for t in "${targets[@]}"; do
    corpus="$scratch/$t"
    mkdir -p "$corpus" "$build/artifacts/$t"
    cp fuzz/corpus/"$t"/* "$corpus"/
    log="$build/logs/$t.log"
    options=(-max_len="$(max_len "$t")" -timeout="$(unit_timeout "$t")" -print_final_stats=1
             -artifact_prefix="$build/artifacts/$t/")
    if [ -n "$runs" ]; then
        options+=(-runs="$runs")
    else
        options+=(-max_total_time="$seconds")
    fi
    [ -f "fuzz/dict/$t.dict" ] && options+=(-dict="fuzz/dict/$t.dict")
    if "$build/bin/fuzz_$t" "${options[@]}" "$corpus" >"$log" 2>&1; then
        executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
        took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log")
        cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
        echo "fuzz_$t: ok, $executed runs in $took s ($rate/s), $cov"
    else
        status=1
        echo "fuzz_$t: FAILED (log: $log)"
        grep -E 'ERROR|SUMMARY|fuzz check failed|Test unit written' "$log" | head -20 || true
    fi
done
exit $status
