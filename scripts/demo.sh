#!/usr/bin/env bash
# The main job: builds the component, starts the substitute mascot host and
# plays the bundled example song through the substitute player, so that the
# ghost sings along in this terminal: the start-up script, the next-song
# announcement, each lyric line at its time, then the exit script.
#
#   scripts/demo.sh            the native (Linux) build
#   scripts/demo.sh --windows  the Windows build, everything under Wine
#   scripts/demo.sh --mpris    a real player: mpv plays the song, and
#                              lumivox-mpris follows it over MPRIS on the
#                              D-Bus session bus (a private one, through
#                              dbus-run-session, when there is none)
set -euo pipefail
cd "$(dirname "$0")/.."

lane=native
mpris=false
case "${1:-}" in
--windows) lane=windows ;;
--mpris) mpris=true ;;
esac

song=examples/demo/twinkle-lumi.wav

# The song in mpv, followed by lumivox-mpris; runs on the session bus it is
# given. The settings are the demo's own, so a user's are left alone.
ghost=""
follower=""
work=""
stop_all() {
    [ -n "$follower" ] && kill "$follower" 2>/dev/null || true
    [ -n "$ghost" ] && kill "$ghost" 2>/dev/null || true
    wait 2>/dev/null || true
    [ -n "$work" ] && rm -rf "$work"
}
mpris_demo() {
    local bin=build/native/bin
    work=$(mktemp -d)
    trap stop_all EXIT
    "$bin/lumivox-ghost" --name Lumi &
    ghost=$!
    sleep 1
    "$bin/lumivox-mpris" --config "$work/settings.bin" --player mpv --exit-with-player &
    follower=$!
    sleep 1
    # Without a sound device the song plays to mpv's null output. The song's
    # 250 Hz samples are resampled, which every output takes.
    local sound=(--ao=null)
    if [ -e /dev/snd/controlC0 ] || [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" ] ||
        [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/pipewire-0" ]; then
        sound=()
    fi
    mpv --no-config --no-video --really-quiet "${sound[@]}" --audio-samplerate=44100 \
        --script=/usr/lib/mpv-mpris/mpris.so "$song"
    # mpv left the bus: lumivox-mpris sends the exit script and ends.
    wait "$follower" || true
    follower=""
    sleep 1
}

if [ "$mpris" = true ] && [ "${LUMIVOX_DEMO_ON_BUS:-}" = 1 ]; then
    mpris_demo
    echo
    echo "Done: the lyric file beside the song is examples/demo/twinkle-lumi.ssl."
    exit 0
fi

scripts/install-deps.sh
. scripts/wine-env.sh
wine_lane windows

if [ "$mpris" = true ]; then
    cmake --preset native >/dev/null
    cmake --build --preset native --target foo_lumivox lumivox-mpris lumivox-ghost >/dev/null
    echo "Lumivox demo: mpv plays \"Twinkle Lumi\" and the ghost \"Lumi\" sings along,"
    echo "followed through MPRIS (about 35 seconds)."
    echo
    export LUMIVOX_DEMO_ON_BUS=1
    if [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/bus" ]; then
        exec "$0" --mpris
    fi
    exec dbus-run-session -- "$0" --mpris
fi

cmake --preset "$lane" >/dev/null
cmake --build --preset "$lane" --target foo_lumivox lumivox-host lumivox-ghost >/dev/null

bin="build/$lane/bin"
run=()
suffix=""
if [ "$lane" = windows ]; then
    run=(/usr/lib/wine/wine64)
    suffix=".exe"
fi

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
