#!/usr/bin/env bash
# Writes a picture of the preferences page with default settings, as the
# Windows build draws it under Wine on a virtual X display (Debian's xvfb).
# The substitute host opens the page under a window of its own, shows it and
# copies what it shows into a PNG through GDI+ before closing it.
#
# usage: scripts/screenshot-preferences.sh [OUTPUT.png [BUILD_DIR]]
#        (defaults: docs/preferences.png and build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."

out=${1:-docs/preferences.png}
build=${2:-build/windows}

if [ ! -f "$build/bin/lumivox-host.exe" ] || [ ! -f "$build/bin/foo_lumivox.dll" ]; then
    scripts/install-deps.sh
    cmake --preset windows -B "$build" >/dev/null
    cmake --build "$build" --target lumivox-host foo_lumivox
fi

. scripts/wine-env.sh
wine_lane windows
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A configuration file that does not exist yet: the page shows the defaults.
echo "prefs shot=$work/page.png" |
    xvfb-run -a -s "-screen 0 1024x768x24" /usr/lib/wine/wine64 \
        "$build/bin/lumivox-host.exe" --config "$work/settings.cfg" run -

mkdir -p "$(dirname "$out")"
mv "$work/page.png" "$out"
echo "wrote $out"
