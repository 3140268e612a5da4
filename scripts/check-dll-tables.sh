#!/usr/bin/env bash
# Checks a built component DLL by its tables, as the player's loader sees
# them: it must export only its entry point, and import from the player's
# shared.dll exactly the seven functions, by the names the player exports
# (decorated __stdcall names on x86, plain names on x64). With --no-player it
# checks that a program which is not the component (the substitute mascot
# host) imports nothing from shared.dll.
# Usage: scripts/check-dll-tables.sh x86|x64 DLL
#        scripts/check-dll-tables.sh --no-player EXE
set -euo pipefail
readobj=llvm-readobj-14

# The names a module imports from shared.dll, in order of name.
shared_imports() {
    $readobj --coff-imports "$1" | awk '
        /^Import \{/ { in_import = 1; from_shared = 0; next }
        in_import && /^  Name: / { from_shared = (tolower($2) == "shared.dll"); next }
        in_import && from_shared && /Symbol: / { print $2 }
        /^\}/ { in_import = 0 }' | sort
}

if [ "${1:-}" = --no-player ]; then
    exe=${2:?usage: check-dll-tables.sh --no-player EXE}
    [ -f "$exe" ] || { echo "check-dll-tables.sh: no such file: $exe" >&2; exit 2; }
    imports=$(shared_imports "$exe")
    if [ -n "$imports" ]; then
        echo "$exe: imports from the player's shared.dll:" >&2
        echo "$imports" | sed 's/^/  /' >&2
        exit 1
    fi
    echo "$exe: imports nothing from shared.dll"
    exit 0
fi

arch=${1:?usage: check-dll-tables.sh x86|x64 DLL}
dll=${2:?usage: check-dll-tables.sh x86|x64 DLL}

case "$arch" in
x86) expected='_stricmp_utf8@8
_stricmp_utf8_max@12
_stricmp_utf8_partial@12
_uCreateFile@28
_uGetDlgItemText@12
_uSendMessageText@16
_uSetDlgItemText@12' ;;
x64) expected='stricmp_utf8
stricmp_utf8_max
stricmp_utf8_partial
uCreateFile
uGetDlgItemText
uSendMessageText
uSetDlgItemText' ;;
*) echo "check-dll-tables.sh: the target is x86 or x64, not \"$arch\"" >&2; exit 2 ;;
esac
[ -f "$dll" ] || { echo "check-dll-tables.sh: no such file: $dll" >&2; exit 2; }

status=0
machine=$($readobj --file-headers "$dll" | sed -n 's/^ *Machine: \(IMAGE_FILE_MACHINE_[A-Z0-9]*\).*/\1/p' | head -1)
want_machine=$([ "$arch" = x86 ] && echo IMAGE_FILE_MACHINE_I386 || echo IMAGE_FILE_MACHINE_AMD64)
if [ "$machine" != "$want_machine" ]; then
    echo "$dll: machine is $machine, not $want_machine" >&2
    status=1
fi

imports=$(shared_imports "$dll")
if [ "$imports" != "$(echo "$expected" | sort)" ]; then
    echo "$dll: the imports from shared.dll are not the player's $arch names" >&2
    diff <(echo "$expected" | sort) <(echo "$imports") | sed 's/^/  /' >&2 || true
    status=1
fi

exports=$($readobj --coff-exports "$dll" | sed -n 's/^ *Name: //p' | sort)
if [ "$exports" != "foobar2000_get_interface" ]; then
    echo "$dll: exports more or other than foobar2000_get_interface:" >&2
    echo "$exports" | sed 's/^/  /' >&2
    status=1
fi

[ $status -eq 0 ] && echo "$dll: $arch tables as the player expects (entry point; $(echo "$imports" | wc -l) shared.dll imports)"
exit $status
