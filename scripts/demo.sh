#!/usr/bin/env bash
# The main job: builds the component, starts the substitute mascot host and
# plays the bundled example song through the substitute player, so that the
# ghost sings along in this terminal: the start-up script, the next-song
# announcement, each lyric line at its time, then the exit script.
#
#   scripts/demo.sh            the native (Linux) build
#   scripts/demo.sh --windows  the Windows build, everything under Wine
set -euo pipefail
cd "$(dirname "$0")/.."

lane=native
[ "${1:-}" = "--windows" ] && lane=windows

scripts/install-deps.sh
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

cmake --preset "$lane" >/dev/null
cmake --build --preset "$lane" --target foo_lumivox lumivox-host lumivox-ghost >/dev/null

bin="build/$lane/bin"
run=()
suffix=""
if [ "$lane" = windows ]; then
    run=(/usr/lib/wine/wine64)
    suffix=".exe"
fi

song=examples/demo/twinkle-lumi.wav
echo "Lumivox demo: the ghost \"Lumi\" sings \"Twinkle Lumi\" (about 35 seconds)."
echo

"${run[@]}" "$bin/lumivox-ghost$suffix" --name Lumi &
ghost=$!
stop_ghost() {
    kill "$ghost" 2>/dev/null || true
    wait "$ghost" 2>/dev/null || true
    [ "$lane" = windows ] && /usr/lib/wine/wineserver -k 2>/dev/null || true
}
trap stop_ghost EXIT
sleep 1
[ "$lane" = windows ] && sleep 4

"${run[@]}" "$bin/lumivox-host$suffix" play "$song"
sleep 1
echo
echo "Done: the lyric file beside the song is examples/demo/twinkle-lumi.ssl."
