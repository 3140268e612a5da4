#!/usr/bin/env bash
# Builds and tests every lane: native (Linux, g++), windows (x86_64 mingw-w64,
# tests under Wine, the conformance host in Microsoft's ABI among them), the
# native suites again under AddressSanitizer with UndefinedBehaviorSanitizer
# and, for the threaded suites, ThreadSanitizer; builds everything of the
# 32-bit lane, which cannot run here, and checks its DLL by its tables; builds
# the installable package; runs every fuzz target briefly.
#
# Lanes whose tests are ready run while the next lanes build. Each lane's
# tests run in a network namespace of their own, with a /dev/shm of their
# own, so that two lanes' mascot hosts never meet on port 9801 or in the
# shared memory "Sakura". Each lane's output goes to build/logs/LANE.log and
# is shown when the lane ends.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# A Wine prefix of this tree's own: its server, and the named objects the
# Windows lane's mascot hosts publish, are shared with no other checkout.
export WINEPREFIX="$PWD/build/wine"
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
isolated() {
    unshare --net --mount sh -c \
        'mount -t tmpfs -o mode=1777 tmpfs /dev/shm && ip link set lo up && exec "$@"' sh "$@"
}
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

for preset in native windows windows32 asan tsan fuzz; do
    cmake --preset "$preset" >/dev/null
done

build native
lane native isolated ctest --preset native
build windows
lane windows isolated scripts/windows-tests.sh
build asan
lane asan isolated ctest --preset asan
build tsan --target test_sync test_sync_stress test_direct test_sstp
lane tsan isolated ctest --preset tsan -R '^(sync|sync_stress|direct|sstp)\.'
build fuzz
lane fuzz scripts/fuzz.sh --quick
build windows32

say "package and the DLLs' tables"
status=0
scripts/package.sh || status=1
scripts/check-dll-tables.sh x86 build/windows32/bin/foo_lumivox.dll || status=1
scripts/check-dll-tables.sh x64 build/windows/bin/foo_lumivox.dll || status=1

wait "${pids[@]}" || true
for i in "${!pids[@]}"; do
    if [ "$(cat "$logs/${names[$i]}.status" 2>/dev/null)" = 0 ]; then
        say "${names[$i]}: passed"
        tail -n 3 "$logs/${names[$i]}.log"
    else
        say "${names[$i]}: FAILED"
        cat "$logs/${names[$i]}.log"
        status=1
    fi
done
/usr/lib/wine/wineserver -k 2>/dev/null || true
say "done"
# Every lane's ctest count in one line.
cat "$logs"/*.log | sed -n 's/.* tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' |
    awk '{ failed += $1; total += $2 } END { printf "tests: %d passed, %d failed\n", total - failed, failed }'
exit $status
