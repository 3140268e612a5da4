# How Wine runs for each Windows lane, in one place; sourced by the scripts
# that run the lanes' programs:
#
#   . scripts/wine-env.sh && wine_lane windows|windows32 && wine_start
#
# wine_lane exports WINEDEBUG, WINEDLLOVERRIDES and WINEPREFIX (and WINEARCH
# for the x86 lane), and sets wine_loader and wine_server. Each lane has a
# prefix of its own in the tree, so that neither its server nor the named
# objects its mascot hosts publish are shared with the other lane or another
# checkout. The x64 lane keeps a WINEPREFIX given from outside; the x86 lane
# does not, since an inherited one is the x64 lane's.

wine_lane() {
    local tree
    tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    export WINEDEBUG=-all
    # A new prefix asks for neither Mono nor Gecko.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    wine_server=/usr/lib/wine/wineserver
    case "$1" in
    windows)
        wine_loader=/usr/lib/wine/wine64
        export WINEPREFIX=${WINEPREFIX:-$tree/build/wine}
        ;;
    windows32)
        # The 32-bit loader, in a 64-bit prefix with its 32-bit half
        # (syswow64), as the x86 player runs on 64-bit Windows.
        wine_loader=/usr/lib/wine/wine
        export WINEARCH=win64
        export WINEPREFIX=$tree/build/wine32
        ;;
    *)
        echo "wine_lane: the lane is windows or windows32, not \"$1\"" >&2
        return 2
        ;;
    esac
}

# Makes the lane's prefix when it is missing and keeps its server up until
# the calling script ends, so that the short test programs neither wait for
# the prefix nor start while the server shuts down behind the previous one.
# A program that crashes ends at once, with Wine's backtrace on its standard
# error, instead of waiting behind the crash dialog. Fails when wineboot
# does, with its output in $WINEPREFIX/wineboot.log.
wine_start() {
    mkdir -p "$WINEPREFIX"
    "$wine_server" -p
    trap '"$wine_server" -k 2>/dev/null || true' EXIT
    # Into a file: the services wineboot starts keep its output open.
    "$wine_loader" wineboot --init >"$WINEPREFIX/wineboot.log" 2>&1 || return 1
    "$wine_loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD \
        /d 0 /f >>"$WINEPREFIX/wineboot.log" 2>&1
}
