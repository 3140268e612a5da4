#!/usr/bin/env bash
# Runs the x86 lane's tests under a 32-bit Wine: ctest ARGS... in
# build/windows32. That Wine (scripts/wine32.sh) is laid over /usr in a mount
# namespace of the lane's own, which has its own loopback and /dev/shm as
# every lane's tests do, and the tests run inside xvfb-run for the dialogs.
#
# Where 32-bit programs cannot run, the script says why in its last line,
# "windows32: not run: ...", and exits with 77; any other trouble fails.
set -euo pipefail
cd "$(dirname "$0")/.."

not_run() {
    echo "windows32: not run: $*"
    exit 77
}

case "${1:-}" in
--in-namespace)
    # The 32-bit Wine over /usr, a /dev/shm and a loopback of the lane's own.
    usr=$2
    shift 2
    mount -t overlay overlay -o "lowerdir=$usr:/usr" /usr
    mount -t tmpfs -o mode=1777 tmpfs /dev/shm
    ip link set lo up
    # Wine's desktop takes the display of its first program: the display
    # comes first.
    exec xvfb-run -a "$0" --with-display "$@"
    ;;
--with-display)
    shift
    . scripts/wine-env.sh
    wine_lane windows32
    if ! wine_start; then
        not_run "the 32-bit Wine does not start here ($(tail -n 1 "$WINEPREFIX/wineboot.log"))"
    fi
    if [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/user32.dll" ]; then
        echo "windows32-tests.sh: the prefix $WINEPREFIX has no 32-bit half (syswow64)" >&2
        exit 1
    fi
    ctest --preset windows32 "$@"
    exit
    ;;
esac

# Does this kernel run 32-bit programs at all? Some kernels are built
# without IA32 emulation, or have it switched off: a static i386 program
# that only exits with 42 tells.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf '.globl _start\n_start:\n movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' >"$probe/exit.s"
as --32 -o "$probe/exit.o" "$probe/exit.s"
ld -m elf_i386 -o "$probe/exit" "$probe/exit.o"
set +e
error=$("$probe/exit" 2>&1)
code=$?
set -e
rm -rf "$probe"
trap - EXIT
if [ $code -ne 42 ]; then
    not_run "this kernel runs no 32-bit programs (a static i386 program: ${error:+${error##*: }}${error:-exit status $code})"
fi

if ! unshare --mount --net true 2>/dev/null; then
    not_run "laying the 32-bit Wine over /usr needs a mount namespace of its own (run as root)"
fi
usr=$(scripts/wine32.sh)
exec unshare --mount --net "$0" --in-namespace "$usr" "$@"
