#!/usr/bin/env bash
# Runs the Windows lane's tests under Wine: ctest ARGS... in build/windows
# (scripts/windows32-tests.sh runs the x86 lane's).
# Dialogs need an X display: without one, the script runs itself again under
# xvfb-run, before Wine starts, since Wine's desktop takes the display of the
# first program. The Wine prefix is made first, and its server kept running
# for the whole run, so that the short test programs neither wait for the
# prefix nor start while the server shuts down behind the previous one.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a "$0" "$@"
fi

. scripts/wine-env.sh
wine_lane windows
mkdir -p "$WINEPREFIX"
"$wine_server" -p
trap '"$wine_server" -k 2>/dev/null || true' EXIT
"$wine_loader" wineboot --init >/dev/null 2>&1 || true
ctest --preset windows "$@"
