#!/usr/bin/env bash
# Builds and tests every lane: native (Linux, g++), windows (x86_64 mingw-w64,
# tests under Wine, the conformance host in Microsoft's ABI among them), the
# native suite again under AddressSanitizer with UndefinedBehaviorSanitizer
# and, for the threaded suites, ThreadSanitizer; builds everything of the
# 32-bit lane, which cannot run here, and checks its DLL by its tables; builds
# the installable package; runs every fuzz target briefly.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

for preset in native windows windows32 asan tsan; do
    echo "== building $preset =="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

echo "== package =="
scripts/package.sh

echo "== the DLLs' import and export tables =="
scripts/check-dll-tables.sh x86 build/windows32/bin/foo_lumivox.dll
scripts/check-dll-tables.sh x64 build/windows/bin/foo_lumivox.dll

echo "== fuzz targets, a few seconds each =="
scripts/fuzz.sh --quick

status=0
echo "== native lane =="
ctest --preset native || status=1
echo "== AddressSanitizer and UndefinedBehaviorSanitizer =="
ctest --preset asan || status=1
echo "== ThreadSanitizer, the threaded suites =="
ctest --preset tsan -R '^(sync|direct|sstp)$' || status=1
echo "== windows lane (Wine) =="
# Dialogs need an X display; xvfb-run gives the Wine programs one.
xvfb-run -a ctest --preset windows || status=1
/usr/lib/wine/wineserver -k 2>/dev/null || true
exit $status
