#!/usr/bin/env bash
# Runs the Windows lane's tests under Wine: ctest ARGS... in build/windows
# (scripts/windows32-tests.sh runs the x86 lane's).
# Dialogs need an X display: without one, the script runs itself again under
# xvfb-run, before Wine starts, since Wine's desktop takes the display of the
# first program.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a "$0" "$@"
fi

. scripts/wine-env.sh
wine_lane windows
wine_start || true
ctest --preset windows "$@"
