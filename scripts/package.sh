#!/usr/bin/env bash
# Builds the component for 32-bit and 64-bit Windows and packs the file the
# player installs: build/foo_lumivox.fb2k-component, a zip with the x86 DLL at
# its root and the x64 DLL under x64/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# A lane already configured is only brought up to date, so that a test run
# going on in it is not disturbed.
for preset in windows windows32; do
    [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target foo_lumivox >/dev/null
done

stage=build/package
rm -rf "$stage"
mkdir -p "$stage/x64"
cp build/windows32/bin/foo_lumivox.dll "$stage/foo_lumivox.dll"
cp build/windows/bin/foo_lumivox.dll "$stage/x64/foo_lumivox.dll"
i686-w64-mingw32-strip "$stage/foo_lumivox.dll"
x86_64-w64-mingw32-strip "$stage/x64/foo_lumivox.dll"

package="$PWD/build/foo_lumivox.fb2k-component"
rm -f "$package"
(cd "$stage" && cmake -E tar cf "$package" --format=zip foo_lumivox.dll x64/foo_lumivox.dll)

# The layout the player expects, and only system DLLs besides its own.
listing=$(cd "$stage" && cmake -E tar tf "$package")
[ "$listing" = "$(printf 'foo_lumivox.dll\nx64/foo_lumivox.dll')" ] || {
    echo "package layout is wrong:" >&2
    echo "$listing" >&2
    exit 1
}
for dll in "$stage/foo_lumivox.dll" "$stage/x64/foo_lumivox.dll"; do
    if objdump -p "$dll" 2>/dev/null | grep -iE 'DLL Name: (libstdc|libgcc|libwinpthread)'; then
        echo "$dll needs mingw's runtime DLLs" >&2
        exit 1
    fi
done
echo "packaged $package ($(stat -c %s "$package") bytes):"
echo "$listing" | sed 's/^/  /'
