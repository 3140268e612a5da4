#!/usr/bin/env bash
# The main job: builds both lanes, then sends the default start-up script to a
# ghost listening on 127.0.0.1:9801 from the Linux build and from the Windows
# build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset windows >/dev/null
cmake --build --preset windows

status=0
echo "== native lane =="
build/native/bin/lumivox-send || status=1
echo "== windows lane (Wine) =="
/usr/lib/wine/wine64 build/windows/bin/lumivox-send.exe || status=1
/usr/lib/wine/wineserver -k 2>/dev/null || true
exit $status
