#!/usr/bin/env bash
# Runs every benchmark on both lanes and prints their figures. Speed is
# measured here, never asserted in tests: the machines are shared and noisy.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
. scripts/wine-env.sh
wine_lane windows

cmake --preset native >/dev/null
cmake --build --preset native >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null

native=build/native/bin
windows=build/windows/bin
wine=/usr/lib/wine/wine64

echo "== machine =="
echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(free -g | awk '/Mem:/{print $2}') GiB"
echo
echo "== native: lyric loader (1 MiB, 20,000 lines) =="
"$native/bench_loader_gbench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
echo
echo "== native: request build and TCP round trip =="
"$native/bench_request_gbench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
echo
echo "== native: scheduler accuracy (in process) =="
"$native/bench_sync_accuracy"
echo
echo "== windows (Wine): scheduler accuracy (in process) =="
"$wine" "$windows/bench_sync_accuracy.exe"
echo
echo "== native: end to end, lumivox-host to lumivox-ghost =="
LUMIVOX_E2E_BIN="$native" "$native/bench_e2e_sync_accuracy"
echo
echo "== windows (Wine): end to end, lumivox-host to lumivox-ghost =="
LUMIVOX_E2E_BIN="$windows" LUMIVOX_E2E_EMULATOR="$wine" "$native/bench_e2e_sync_accuracy"
echo
echo "== native: the player's thread in the component while lyrics are downloaded =="
LUMIVOX_E2E_BIN="$native" "$native/bench_e2e_download_player_thread"
echo
echo "== windows (Wine): the player's thread in the component while lyrics are downloaded =="
LUMIVOX_E2E_BIN="$windows" LUMIVOX_E2E_EMULATOR="$wine" "$native/bench_e2e_download_player_thread"
echo
echo "== native: lumivox-mpris following mpv =="
LUMIVOX_E2E_BIN="$native" "$native/bench_mpris_accuracy"
/usr/lib/wine/wineserver -k 2>/dev/null || true
