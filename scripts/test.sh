#!/usr/bin/env bash
# Builds and tests every lane: native (Linux, g++), windows (x86_64 mingw-w64,
# tests under Wine, the conformance host in Microsoft's ABI among them),
# windows32 (the same for i686, under a 32-bit Wine fetched into a cache,
# scripts/wine32.sh), the native suites again under AddressSanitizer with
# UndefinedBehaviorSanitizer and, for the threaded suites, ThreadSanitizer;
# checks both DLLs by their tables; builds the installable package; runs
# every fuzz target briefly.
#
# Lanes whose tests are ready run while the next lanes build. Each lane's
# tests run in a network namespace of their own, with a /dev/shm of their
# own, so that two lanes' mascot hosts never meet on port 9801 or in the
# shared memory "Sakura". Each lane's output goes to build/logs/LANE.log; the
# end shows each lane's summary, the whole log of a lane that failed, and
# one line with every lane's count. A lane that cannot run on this machine
# (windows32 where 32-bit programs cannot run) says why there, as not run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
begin=$(date +%s)
logs=build/logs
mkdir -p "$logs"

say() { echo "== $* ($(($(date +%s) - begin)) s)"; }

build() {
    say "building $*"
    cmake --build --preset "$@" --parallel "$jobs"
}

# isolated COMMAND...: runs COMMAND with its own loopback and /dev/shm.
isolated() { scripts/isolated.sh "$@"; }
# Without the rights for that (not root), the lanes run one at a time.
background=true
isolated true 2>/dev/null || {
    background=false
    isolated() { "$@"; }
    echo "no network namespaces here: the lanes' tests run one after another"
}

# lane NAME COMMAND...: runs a lane's tests, in the background where it can.
pids=()
names=()
lane() {
    local name=$1
    shift
    say "$name starts"
    rm -f "$logs/$name.status"
    ( set +e; "$@" >"$logs/$name.log" 2>&1; echo $? >"$logs/$name.status" ) &
    pids+=($!)
    names+=("$name")
    [ "$background" = true ] || wait $!
}

# after LANE COMMAND...: runs COMMAND once LANE's tests have ended.
after() {
    local first=$1
    shift
    while [ ! -f "$logs/$first.status" ]; do sleep 2; done
    "$@"
}

for preset in native windows windows32 asan tsan fuzz; do
    cmake --preset "$preset" >/dev/null
done

build native
lane native isolated ctest --preset native
build windows
lane windows isolated scripts/windows-tests.sh
build windows32
# It makes its own namespaces, after fetching its Wine. The two Wine lanes
# take turns: together, beside a build, they slow each other's tests towards
# their timeouts on two cores.
lane windows32 after windows scripts/windows32-tests.sh
build asan
lane asan isolated ctest --preset asan
build tsan
lane tsan isolated ctest --preset tsan
build fuzz
lane fuzz scripts/fuzz.sh --quick

say "package and the DLLs' tables"
status=0
scripts/package.sh || status=1
scripts/check-dll-tables.sh x86 build/windows32/bin/foo_lumivox.dll || status=1
scripts/check-dll-tables.sh x64 build/windows/bin/foo_lumivox.dll || status=1
for lane in windows windows32; do
    scripts/check-dll-tables.sh --no-player build/$lane/bin/lumivox-ghost.exe || status=1
done

wait "${pids[@]}" || true
# ctest's own summary of a lane: its count, time and the tests it skipped.
ctest_summary() { sed -n '/tests passed, [0-9]* tests failed out of/,$p' "$1" | grep -v '^$'; }
passed=0
failed=0
counts=()
for name in "${names[@]}"; do
    log=$logs/$name.log
    result=$(cat "$logs/$name.status" 2>/dev/null || echo 1)
    count=$(sed -n 's/.* tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$log" | tail -n 1)
    entry=
    if [ -n "$count" ]; then
        read -r lane_failed lane_total <<<"$count"
        passed=$((passed + lane_total - lane_failed))
        failed=$((failed + lane_failed))
        entry="$name $((lane_total - lane_failed))/$lane_total"
    elif [ "$name" = fuzz ]; then
        entry="fuzz $(grep -c '^fuzz_.*: ok' "$log")/$(grep -c '^fuzz_' "$log") targets"
    fi
    if [ "$result" = 0 ]; then
        say "$name: passed"
        if [ "$name" = fuzz ]; then
            grep '^fuzz_' "$log" || true
        else
            ctest_summary "$log" || true
        fi
    elif [ "$result" = 77 ]; then
        say "$name: not run"
        reason=$(tail -n 1 "$log")
        echo "$reason"
        entry="$name not run: ${reason#*not run: }"
    else
        say "$name: FAILED"
        cat "$log"
        if [ -n "$entry" ]; then
            entry+=" FAILED"
        else
            entry="$name FAILED before its tests ended"
        fi
        status=1
    fi
    counts+=("$entry")
done
(. scripts/wine-env.sh && wine_lane windows && "$wine_server" -k) 2>/dev/null || true
say "done"
# Every lane's count in one line.
summary="tests: $passed passed, $failed failed"
for c in "${counts[@]}"; do
    summary+="; $c"
done
echo "$summary"
exit $status
